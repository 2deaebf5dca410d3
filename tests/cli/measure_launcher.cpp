// When this test program is started with CITRA_TEST_PEAK_REPORT set, it is
// only a launcher: before any test code runs it starts argv[1..] as a child
// of its own, waits, writes the child's peak resident memory to the report
// file and exits with the child's exit code. Linux hands the peak of the
// process that spawns a program on to the program (vfork + exec); the
// launcher is freshly started and small, so the figure is the program's own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "run_process.h"

namespace {

std::vector<std::string> OwnArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (size_t start = 0; start < all.size();) {
        const size_t end = all.find('\0', start);
        args.push_back(all.substr(start, end - start));
        start = end == std::string::npos ? all.size() : end + 1;
    }
    return args;
}

struct Launcher {
    Launcher() {
        const char* report = std::getenv(kLauncherReportVariable);
        if (report == nullptr) return;
        const std::string reportPath = report;
        unsetenv(kLauncherReportVariable);
        std::vector<std::string> args = OwnArguments();
        if (args.size() < 2) _exit(127);
        std::vector<char*> argv;
        for (size_t i = 1; i < args.size(); ++i) argv.push_back(args[i].data());
        argv.push_back(nullptr);

        const pid_t pid = fork();
        if (pid == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) _exit(127);
        std::ofstream(reportPath) << usage.ru_maxrss << "\n";
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
};

const Launcher launcher;

}  // namespace
