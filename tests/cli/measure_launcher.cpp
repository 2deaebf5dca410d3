// When this test program is started with CITRA_TEST_PEAK_REPORT set, it is
// only a launcher: before any test code runs it starts argv[1..] as a child
// of its own, waits, writes the child's peak resident memory to the report
// file and exits with the child's exit code. Linux hands the peak of the
// process that starts a program on to the program; the launcher is freshly
// started and small, so the figure is the program's own.
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
        const std::vector<std::string> args = OwnArguments();
        if (args.size() < 2) _exit(127);

        ProcessRequest request;
        request.program = args[1];
        request.args.assign(args.begin() + 2, args.end());
        request.inheritOutput = true;
        const ProcessOutput run = RunProcess(request);
        std::ofstream out(reportPath);
        out << run.maxResidentKiB << "\n";
        out.close();
        if (!out) _exit(127);
        if (run.endSignal != 0) _exit(128 + run.endSignal);
        _exit(run.exitCode < 0 ? 127 : run.exitCode);
    }
};

const Launcher launcher;

}  // namespace
