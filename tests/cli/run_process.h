#pragma once
// Runs a program with a chosen environment and collects its exit code,
// standard output and standard error.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

struct ProcessOutput {
    int exitCode = -1;
    // Peak resident memory of the process. Linux carries the spawning
    // process's own peak over into it (vfork + exec), so that must be lower,
    // unless the run went through the launcher (see below).
    long maxResidentKiB = 0;
    std::string out;
    std::string err;
};

// Set in the environment of this test program started as a launcher (see
// measure_launcher.cpp): it runs argv[1..] as a child of its own and writes
// the child's peak resident memory in KiB to the file named here.
inline constexpr const char* kLauncherReportVariable = "CITRA_TEST_PEAK_REPORT";

// env: variables to set (a value) or to remove (std::nullopt); the rest of
// this process's environment is passed on. ownPeakMemory: start the program
// from a fresh launcher process, so that maxResidentKiB is the program's own
// peak whatever this process's peak was.
inline ProcessOutput RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::optional<std::string>>& env,
                                const std::string& scratchDir, bool ownPeakMemory = false) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!env.contains(entry.substr(0, entry.find('=')))) envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env)
        if (value) envStrings.push_back(name + "=" + *value);

    const std::string reportPath = scratchDir + "/peak_kib.txt";
    const std::string self = "/proc/self/exe";
    std::vector<char*> argv;
    if (ownPeakMemory) {
        envStrings.push_back(std::string(kLauncherReportVariable) + "=" + reportPath);
        argv.push_back(const_cast<char*>(self.c_str()));
    }
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    const std::string outPath = scratchDir + "/stdout.txt", errPath = scratchDir + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    ProcessOutput result;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
            result.maxResidentKiB = usage.ru_maxrss;
        }
    }
    posix_spawn_file_actions_destroy(&actions);

    const auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    if (ownPeakMemory) {
        const std::string report = slurp(reportPath);
        result.maxResidentKiB = report.empty() ? -1 : std::atol(report.c_str());
    }
    return result;
}
