// Ctrl+C during a long compare: the executable is started with its output
// in pipes and gets SIGINT once its first result shows.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string_view>
#include <sstream>

#include "../core/scratch_dir.h"
#include "small_bmp.h"

extern char** environ;

namespace {

struct InterruptedRun {
    int exitCode = -1;  // -1: ended by a signal or not at all
    bool signalSent = false;
    std::string out;
    std::string err;
};

// Runs citra, reading both pipes, and sends SIGINT once `ready` holds for
// what has been read so far.
InterruptedRun RunAndInterrupt(const std::vector<std::string>& args,
                               const std::function<bool(const std::string& out, const std::string& err)>& ready) {
    int outPipe[2], errPipe[2];
    InterruptedRun run;
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> argv{const_cast<char*>(CITRA_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Full stops whatever the locale of the test run.
    std::vector<std::string> envStrings{"LC_ALL=C"};
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("LC_ALL=", 0) != 0) envStrings.push_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, CITRA_EXE, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned == 0) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        std::string* texts[2] = {&run.out, &run.err};
        int open = 2;
        while (open > 0) {
            if (poll(fds, 2, 20000) <= 0) break;  // nothing for 20 s: give up
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got <= 0) {
                    fds[i].fd = -1;
                    --open;
                } else {
                    texts[i]->append(buffer, static_cast<size_t>(got));
                }
            }
            if (!run.signalSent && ready(run.out, run.err)) {
                kill(pid, SIGINT);
                run.signalSent = true;
            }
        }
        if (open > 0) kill(pid, SIGKILL);
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    }
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct InterruptCase {
    const char* name;
    // One worker where the trigger is a count of finished pairs: the first
    // pair is then among them.
    std::vector<std::string> options;
    // Which output shows the first result: stdout for line formats, the
    // progress bar on stderr for the text table (written at the end).
    bool waitForProgress;
    size_t headerLines;
};

void PrintTo(const InterruptCase& c, std::ostream* os) { *os << c.name; }

class Interrupt : public testing::TestWithParam<InterruptCase> {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        // 1000 x 1000: a millisecond or more a pair, so 2000 pairs take seconds.
        WriteUniformBmp(dir_->Path("asli.bmp"), 1000, 1000, {10, 20, 30});
        WriteUniformBmp(dir_->Path("hasil.bmp"), 1000, 1000, {10, 20, 31});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static inline ScratchDir* dir_ = nullptr;
};

constexpr size_t kPairs = 2000;

TEST_P(Interrupt, StopsAfterCompleteLinesWithExitCode130) {
    const InterruptCase& c = GetParam();
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"compare", dir_->Path("asli.bmp")});
    args.insert(args.end(), kPairs, dir_->Path("hasil.bmp"));

    const auto run = RunAndInterrupt(args, [&](const std::string& out, const std::string& err) {
        if (!c.waitForProgress) return Lines(out).size() > c.headerLines;
        // A frame "...  n/2000  r pairs/s ..." with a rate: a pair is done.
        const size_t rate = err.rfind(" pairs/s");
        return rate != std::string::npos && rate > 0 && err[rate - 1] != '-';
    });
    ASSERT_TRUE(run.signalSent) << run.out << run.err;
    EXPECT_EQ(run.exitCode, 130);

    // Every line ends with its line end, and it stopped well before the end.
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    const auto lines = Lines(run.out);
    ASSERT_GT(lines.size(), c.headerLines);
    EXPECT_LT(lines.size(), c.headerLines + kPairs);
    const std::string path = dir_->Path("hasil.bmp");
    for (size_t i = c.headerLines; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        EXPECT_NE(line.find(path), std::string::npos) << line;
        EXPECT_TRUE(line.ends_with(R"("mse_text":"1.000","psnr_text":"48.131"})") ||
                    line.ends_with(",1.000,48.131,") || line.ends_with("  1.000  48.131"))
            << line;
    }
    if (c.waitForProgress) {
        // The bar was erased: the last thing on stderr is the blanking.
        EXPECT_EQ(run.err.back(), '\r');
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Interrupt,
                         testing::Values(InterruptCase{"Json", {"--json", "-j", "2"}, false, 0},
                                         InterruptCase{"Csv", {"--csv", "-j", "2"}, false, 1},
                                         InterruptCase{"TextTableOfFinishedPairs", {"--progress", "-j", "1"}, true,
                                                       1}),
                         [](const testing::TestParamInfo<InterruptCase>& info) { return std::string(info.param.name); });

}  // namespace
