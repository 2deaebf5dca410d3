#include "peak_memory.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

ChildRun RunAndMeasure(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    ChildRun run;
    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    pid_t done;
    do {
        done = wait4(pid, &status, 0, &usage);
    } while (done < 0 && errno == EINTR);
    if (done == pid) {
        run.maxRssKiB = usage.ru_maxrss;  // kilobytes on Linux
        if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    }
    return run;
}
