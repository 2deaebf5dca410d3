// Ctrl+C during a long compare: the executable is started with its output
// in pipes and gets SIGINT once its first result shows.
#include <signal.h>

#include <gtest/gtest.h>

#include <functional>
#include <string_view>
#include <sstream>

#include "../core/scratch_dir.h"
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

}  // namespace
