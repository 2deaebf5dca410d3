#pragma once
// The one way the CLI tests start a program: arguments, changes to the
// environment, where its standard output goes, an address-space limit, a
// signal sent once its output shows something; collects its exit status,
// standard output, standard error and peak memory.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

using Env = std::map<std::string, std::optional<std::string>>;

// The environment of runs whose texts must not follow this machine's
// locale: a full stop as the decimal separator.
inline const Env kPlainEnv{{"LC_ALL", std::nullopt}, {"LC_NUMERIC", std::nullopt}, {"LANG", "C.UTF-8"}};

// The lines of a program's output, without their line ends.
inline std::vector<std::string> AllLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct ProcessRequest {
    std::string program{};
    std::vector<std::string> args{};
    // Variables to set (a value) or to remove (std::nullopt); the rest of
    // this process's environment is passed on.
    Env env{};
    // Standard output written to this file (e.g. "/dev/full") instead of
    // being collected.
    std::optional<std::string> stdoutFile{};
    // Close the reading end of the output pipe once this many bytes came,
    // as a reader like `head` does.
    std::optional<size_t> closeOutputAfter{};
    // The child's RLIMIT_AS in bytes; 0: none.
    uint64_t addressSpaceLimit = 0;
    // The child starts with SIGPIPE ignored instead of at its default.
    bool ignoreSigpipe = false;
    // Standard output and error stay those of this process.
    bool inheritOutput = false;
    // Start the program from a fresh launcher process, so that the peak
    // memory is the program's own whatever this process's peak was (Linux
    // carries a parent's peak over into a child it forks).
    bool ownPeakMemory = false;
    // Sends `signal` once this holds for what has been read so far.
    std::function<bool(const std::string& out, const std::string& err)> signalWhen{};
    int signal = SIGINT;
    // Nothing read for this long: the child is killed (SIGKILL).
    std::chrono::milliseconds silenceLimit{60000};
};

struct ProcessOutput {
    int exitCode = -1;       // -1: did not exit normally
    int endSignal = 0;       // the signal that ended it, if one did
    bool signalSent = false;
    bool killedSilent = false;  // ended by the silence limit
    long maxResidentKiB = 0;    // -1: the launcher's figure is missing
    std::string out;
    std::string err;
};

// Set in the environment of this test program started as a launcher (see
// measure_launcher.cpp): it runs argv[1..] as a child of its own and writes
// the child's peak resident memory in KiB to the file named here.
inline constexpr const char* kLauncherReportVariable = "CITRA_TEST_PEAK_REPORT";

namespace run_process_detail {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace run_process_detail

inline ProcessOutput RunProcess(const ProcessRequest& request) {
    ProcessOutput result;
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!request.env.contains(entry.substr(0, entry.find('=')))) envStrings.push_back(entry);
    }
    for (const auto& [name, value] : request.env)
        if (value) envStrings.push_back(name + "=" + *value);

    std::string reportPath;
    std::vector<std::string> argvStrings;
    if (request.ownPeakMemory) {
        const char* tmp = std::getenv("TMPDIR");
        reportPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/citra-peak-XXXXXX";
        const int fd = mkstemp(reportPath.data());
        if (fd < 0) return result;
        close(fd);
        envStrings.push_back(std::string(kLauncherReportVariable) + "=" + reportPath);
        argvStrings.push_back("/proc/self/exe");
    }
    argvStrings.push_back(request.program);
    argvStrings.insert(argvStrings.end(), request.args.begin(), request.args.end());
    std::vector<char*> argv;
    for (std::string& a : argvStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    if (!request.inheritOutput) {
        if (pipe2(errPipe, O_CLOEXEC) != 0) return result;
        if (!request.stdoutFile && pipe2(outPipe, O_CLOEXEC) != 0) return result;
    }
    const char* stdoutFile = request.stdoutFile ? request.stdoutFile->c_str() : nullptr;
    const rlimit limit{request.addressSpaceLimit, request.addressSpaceLimit};

    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls until exec.
        if (!request.inheritOutput) {
            const int outFd = stdoutFile ? open(stdoutFile, O_WRONLY | O_CREAT | O_TRUNC, 0600) : outPipe[1];
            if (outFd < 0 || dup2(outFd, 1) < 0 || dup2(errPipe[1], 2) < 0) _exit(127);
        }
        signal(SIGPIPE, request.ignoreSigpipe ? SIG_IGN : SIG_DFL);
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        if (request.addressSpaceLimit != 0 && setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    for (int fd : {outPipe[1], errPipe[1]})
        if (fd >= 0) close(fd);
    if (pid < 0) {
        for (int fd : {outPipe[0], errPipe[0]})
            if (fd >= 0) close(fd);
        return result;
    }

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* texts[2] = {&result.out, &result.err};
    auto lastActivity = std::chrono::steady_clock::now();
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const int ready = poll(fds, 2, 200);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) {
            if (std::chrono::steady_clock::now() - lastActivity > request.silenceLimit) {
                kill(pid, SIGKILL);
                result.killedSilent = true;
                break;
            }
            continue;
        }
        lastActivity = std::chrono::steady_clock::now();
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[65536];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                continue;
            }
            texts[i]->append(buffer, static_cast<size_t>(got));
            if (i == 0 && request.closeOutputAfter && result.out.size() >= *request.closeOutputAfter) {
                close(fds[0].fd);
                fds[0].fd = -1;
            }
        }
        if (request.signalWhen && !result.signalSent && request.signalWhen(result.out, result.err)) {
            kill(pid, request.signal);
            result.signalSent = true;
        }
    }
    for (const pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);

    int status = 0;
    rusage usage{};
    pid_t waited;
    do waited = wait4(pid, &status, 0, &usage);
    while (waited < 0 && errno == EINTR);
    if (waited == pid) {
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.endSignal = WTERMSIG(status);
        result.maxResidentKiB = usage.ru_maxrss;
    }
    if (request.ownPeakMemory) {
        const std::string report = run_process_detail::Slurp(reportPath);
        result.maxResidentKiB = report.empty() ? -1 : std::atol(report.c_str());
        unlink(reportPath.c_str());
    }
    return result;
}

#ifdef CITRA_EXE
// The citra executable under test, in the plain environment.
inline ProcessOutput CitraExe(std::vector<std::string> args) {
    return RunProcess({.program = CITRA_EXE, .args = std::move(args), .env = kPlainEnv});
}
#endif
