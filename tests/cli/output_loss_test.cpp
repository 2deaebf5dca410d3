// citra writing into a full disk (/dev/full) or into a pipe whose reader
// has gone: the loss is never reported as success, and a batch stops
// starting new pairs once its results can no longer be written.
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "../core/scratch_dir.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

const char* const kFullDiskMessage = "citra: cannot write the output: No space left on device\n";
// Pairs before the last one: each takes a millisecond or more, so a run
// that stops at the first lost line is far from the last when it stops.
constexpr size_t kPairsBeforeLast = 1000;

// Whether the file is opened while it is watched.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        watching_ = fd_ >= 0 && inotify_add_watch(fd_, path.c_str(), IN_OPEN) >= 0;
    }
    ~OpenWatch() {
        if (fd_ >= 0) close(fd_);
    }
    bool Watching() const { return watching_; }
    bool Opened() const {
        alignas(inotify_event) char events[4096];
        return read(fd_, events, sizeof events) > 0;
    }

private:
    int fd_;
    bool watching_ = false;
};

class OutputLoss : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        WriteUniformBmp(Path("asli.bmp"), 4, 4, {10, 20, 30});
        WriteUniformBmp(Path("hasil.bmp"), 4, 4, {10, 20, 31});
        WriteUniformBmp(Path("besar_asli.bmp"), 1000, 1000, {10, 20, 30});
        WriteUniformBmp(Path("besar_hasil.bmp"), 1000, 1000, {10, 20, 31});
        WriteUniformBmp(Path("terakhir.bmp"), 1000, 1000, {10, 20, 31});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string Path(const std::string& name) { return dir_->Path(name); }

    // compare of the big original against many pairs, then terakhir.bmp.
    static std::vector<std::string> LongBatch(std::vector<std::string> options) {
        options.insert(options.end(), {"compare", Path("besar_asli.bmp")});
        options.insert(options.end(), kPairsBeforeLast, Path("besar_hasil.bmp"));
        options.push_back(Path("terakhir.bmp"));
        return options;
    }

    static inline ScratchDir* dir_ = nullptr;
};

struct FullDiskCase {
    const char* name;
    std::vector<std::string> args;  // names of files in the fixture folder start with '@'
};

void PrintTo(const FullDiskCase& c, std::ostream* os) { *os << c.name; }

class FullDisk : public OutputLoss, public testing::WithParamInterface<FullDiskCase> {};

TEST_P(FullDisk, ExitsOneNamingTheCause) {
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args) args.push_back(a.starts_with('@') ? Path(a.substr(1)) : a);
    // The same command into a file succeeds: only the output makes it fail.
    const auto fine = RunProcess({.program = CITRA_EXE, .args = args, .env = kPlainEnv});
    ASSERT_EQ(fine.exitCode, 0) << fine.err;
    ASSERT_FALSE(fine.out.empty());

    const auto run = RunProcess({.program = CITRA_EXE, .args = args, .env = kPlainEnv, .stdoutFile = "/dev/full"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, kFullDiskMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FullDisk,
    testing::Values(FullDiskCase{"InfoText", {"info", "@asli.bmp", "@hasil.bmp"}},
                    FullDiskCase{"InfoJson", {"--json", "info", "@asli.bmp"}},
                    FullDiskCase{"HistogramText", {"histogram", "@asli.bmp"}},
                    FullDiskCase{"HistogramJson", {"--json", "histogram", "@asli.bmp"}},
                    FullDiskCase{"CompareText", {"compare", "@asli.bmp", "@hasil.bmp"}},
                    FullDiskCase{"CompareJson", {"--json", "compare", "@asli.bmp", "@hasil.bmp"}},
                    FullDiskCase{"CompareCsv", {"--csv", "compare", "@asli.bmp", "@hasil.bmp"}},
                    FullDiskCase{"BatchTextTable", {"-j", "2", "compare", "@asli.bmp", "@hasil.bmp", "@asli.bmp"}},
                    FullDiskCase{"Help", {"--help"}}),
    [](const testing::TestParamInfo<FullDiskCase>& info) { return std::string(info.param.name); });

// A batch whose first line is lost stops long before its last pair.
TEST_F(OutputLoss, BatchStopsStartingPairsOnceTheOutputIsLost) {
    for (const char* format : {"--json", "--csv"}) {
        const OpenWatch last(Path("terakhir.bmp"));
        ASSERT_TRUE(last.Watching());
        const auto run = RunProcess({.program = CITRA_EXE,
                                     .args = LongBatch({format, "-j", "2"}),
                                     .env = kPlainEnv,
                                     .stdoutFile = "/dev/full"});
        EXPECT_FALSE(last.Opened()) << format << ": went on to the last pair";
        EXPECT_EQ(run.exitCode, 1) << format;
        EXPECT_EQ(run.err, kFullDiskMessage) << format;
    }
}

// A reader that closes the pipe after the first line, as `head -1` does.
// With SIGPIPE at its default the signal ends the program, as it ends any
// Unix tool; with SIGPIPE ignored the program ends by itself with status 1.
// Either way nothing is said and no further pair is started.
TEST_F(OutputLoss, ClosedPipeEndsQuietly) {
    for (const bool ignoreSigpipe : {false, true}) {
        SCOPED_TRACE(ignoreSigpipe ? "SIGPIPE ignored" : "SIGPIPE at its default");
        const OpenWatch last(Path("terakhir.bmp"));
        ASSERT_TRUE(last.Watching());
        const auto run = RunProcess({.program = CITRA_EXE,
                                     .args = LongBatch({"--json", "-j", "2"}),
                                     .env = kPlainEnv,
                                     .closeOutputAfter = 1,
                                     .ignoreSigpipe = ignoreSigpipe});
        EXPECT_FALSE(last.Opened()) << "went on to the last pair";
        EXPECT_EQ(run.err, "");
        EXPECT_FALSE(run.out.empty());
        if (ignoreSigpipe) {
            EXPECT_EQ(run.exitCode, 1);
        } else {
            EXPECT_EQ(run.endSignal, SIGPIPE);
        }
    }
}

}  // namespace
