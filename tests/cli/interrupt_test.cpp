// Ctrl+C during a long compare: the executable is started with its output
// in pipes and gets SIGINT once its first result shows.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string_view>
#include <sstream>

#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "interrupt.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

// Runs citra with its output in pipes and sends SIGINT once `ready` holds
// for what has been read so far. Full stops whatever the locale of the run.
ProcessOutput RunAndInterrupt(const std::vector<std::string>& args,
                              const std::function<bool(const std::string& out, const std::string& err)>& ready) {
    return RunProcess({.program = CITRA_EXE,
                       .args = args,
                       .env = {{"LC_ALL", "C"}},
                       .signalWhen = ready,
                       .signal = SIGINT,
                       .silenceLimit = std::chrono::seconds(20)});
}

// The lines up to the first empty one: a text table ends there and its
// summary follows (tested on its own in study_exe_test).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && !line.empty();) lines.push_back(line);
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
        EXPECT_TRUE(line.find(R"("mse_text":"1.000","psnr_text":"48.131","standard":{)") != std::string::npos ||
                    line.find(",1.000,48.131,,0.3333333333333333,52.902") != std::string::npos ||
                    line.ends_with("  1.000  48.131             52.902"))
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

// SIGTERM (timeout, kill, a batch scheduler) and SIGHUP (a closed terminal)
// stop a run as Ctrl+C does; the exit status is 128 + the signal's number.
struct StopSignal {
    const char* name;
    int signal;
    int exitCode;
};

void PrintTo(const StopSignal& s, std::ostream* os) { *os << s.name; }

class Stop : public testing::TestWithParam<StopSignal> {};

// Every name in the folder.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

// In a child process, so that the signals reach no test: the first stop
// signal raises the flag with its exit status, a second one ends the
// program and removes the temporary file registered, never a file whose
// registration ended.
TEST_P(Stop, FirstRaisesTheFlagSecondEndsTheProgramRemovingTemporaryFiles) {
    const StopSignal s = GetParam();
    ScratchDir dir;
    const std::string temporary = dir.Path("keluaran.png.AbC123"), kept = dir.Path("tetap.png");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Only the ignored are set back: a handler this test program
        // already holds is the one under test.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current {};
            if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) ::signal(signal, SIG_DFL);
        }
        for (const std::string& path : {temporary, kept})
            if (!(std::ofstream(path) << "isi")) _exit(10);
        const int forgotten = RemoveOnStop(kept);
        if (RemoveOnStop(temporary) < 0 || forgotten < 0) _exit(11);
        ForgetOnStop(forgotten);
        const InterruptFlag flag;
        raise(s.signal);
        if (!flag.Raised().load()) _exit(12);
        if (flag.ExitCode() != s.exitCode) _exit(13);
        raise(s.signal == SIGHUP ? SIGTERM : SIGHUP);  // any second stop signal
        _exit(14);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), s.signal == SIGHUP ? SIGTERM : SIGHUP);
    EXPECT_EQ(Names(dir.Root()), std::set<std::string>{"tetap.png"});
}

// A signal with no flag up (before a run checks one, or in a command that
// checks none) ends the program at once, still without its temporary file.
TEST_P(Stop, WithoutAFlagEndsTheProgramRemovingTemporaryFiles) {
    const StopSignal s = GetParam();
    ScratchDir dir;
    const std::string temporary = dir.Path("ringkasan.csv.XyZ789");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!(std::ofstream(temporary) << "isi")) _exit(10);
        if (RemoveOnStop(temporary) < 0) _exit(11);
        { const InterruptFlag gone; }
        raise(s.signal);
        _exit(12);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), s.signal);
    EXPECT_EQ(Names(dir.Root()), std::set<std::string>{});
}

// report holds its page in a temporary file through the run: stopped once
// the progress bar shows, it leaves neither the page nor the temporary file.
TEST_P(Stop, ReportStopsWithTheSignalsStatusAndLeavesNothing) {
    using image_encoders::Png;
    using image_encoders::Ramp;
    const StopSignal s = GetParam();
    ScratchDir dir;
    std::vector<std::string> args = {"report", dir.Write("a.png", Png(256, 256, 2, 8, Ramp(256 * 256 * 3)))};
    for (int i = 0; i < 40; ++i)
        args.push_back(dir.Write(std::to_string(i) + ".png", Png(256, 256, 2, 8, Ramp(256 * 256 * 3, i))));
    const std::set<std::string> inputs = Names(dir.Root());
    args.insert(args.end(), {"-o", dir.Path("laporan.html"), "--progress"});
    const ProcessOutput run = RunProcess({.program = CITRA_EXE,
                                          .args = args,
                                          .env = kPlainEnv,
                                          .signalWhen = [](const std::string&, const std::string& err) {
                                              return err.find("/40") != std::string::npos;
                                          },
                                          .signal = s.signal,
                                          .silenceLimit = std::chrono::seconds(20)});
    ASSERT_TRUE(run.signalSent) << run.err;
    EXPECT_EQ(run.exitCode, s.exitCode) << run.out << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Names(dir.Root()), inputs);
}

// compare with --summary=FILE, stopped after its first line: complete
// lines, the status of the signal, no temporary file beside the summary.
TEST_P(Stop, CompareStopsWithTheSignalsStatusAndNoTemporaryFile) {
    const StopSignal s = GetParam();
    ScratchDir dir;
    WriteUniformBmp(dir.Path("asli.bmp"), 1000, 1000, {10, 20, 30});
    WriteUniformBmp(dir.Path("hasil.bmp"), 1000, 1000, {10, 20, 31});
    std::vector<std::string> args = {"--json", "-j", "2", "--summary=" + dir.Path("ringkasan.json"), "compare",
                                     dir.Path("asli.bmp")};
    args.insert(args.end(), kPairs, dir.Path("hasil.bmp"));
    const ProcessOutput run = RunProcess({.program = CITRA_EXE,
                                          .args = args,
                                          .env = kPlainEnv,
                                          .signalWhen = [](const std::string& out,
                                                           const std::string&) { return !Lines(out).empty(); },
                                          .signal = s.signal,
                                          .silenceLimit = std::chrono::seconds(20)});
    ASSERT_TRUE(run.signalSent) << run.err;
    EXPECT_EQ(run.exitCode, s.exitCode) << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_LT(Lines(run.out).size(), kPairs);
    for (const std::string& name : Names(dir.Root()))
        EXPECT_TRUE(name == "asli.bmp" || name == "hasil.bmp" || name == "ringkasan.json") << name;
}

INSTANTIATE_TEST_SUITE_P(Signals, Stop,
                         testing::Values(StopSignal{"Sigint", SIGINT, 130}, StopSignal{"Sigterm", SIGTERM, 143},
                                         StopSignal{"Sighup", SIGHUP, 129}),
                         [](const testing::TestParamInfo<StopSignal>& info) { return std::string(info.param.name); });

}  // namespace
