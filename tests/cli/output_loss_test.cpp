// citra writing into a full disk (/dev/full) or into a pipe whose reader
// has gone: the loss is never reported as success, and a batch stops
// starting new pairs once its results can no longer be written. An output
// file that is one of the inputs is refused before it can replace it.
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "../core/image_encoders.h"
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

// Every file below the folder with its content (a link: where it points).
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) {
            files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[name] = std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            files[name] = "folder";
        }
    }
    return files;
}

// a.png and b.png; covers/ and stego/ with x.png and y.png each; link.png a
// symbolic link to b.png, hard.png a hard link of a.png; pairs.csv pairs a
// with b, later.csv a with a file not made yet.
class OutputFiles : public testing::Test {
protected:
    void SetUp() override {
        using image_encoders::Png;
        using image_encoders::Ramp;
        const auto picture = [](uint32_t seed) { return Png(12, 10, 2, 8, Ramp(12 * 10 * 3, seed)); };
        dir_.Write("a.png", picture(1));
        dir_.Write("b.png", picture(2));
        for (const char* folder : {"covers", "stego"}) {
            std::filesystem::create_directory(dir_.Path(folder));
            dir_.Write(std::string(folder) + "/x.png", picture(3));
            dir_.Write(std::string(folder) + "/y.png", picture(4));
        }
        std::filesystem::create_symlink("b.png", dir_.Path("link.png"));
        std::filesystem::create_hard_link(dir_.Path("a.png"), dir_.Path("hard.png"));
        std::ofstream(dir_.Path("pairs.csv")) << dir_.Path("a.png") << ',' << dir_.Path("b.png") << '\n';
        std::ofstream(dir_.Path("later.csv")) << dir_.Path("a.png") << ',' << dir_.Path("baru.png") << '\n';
    }
    // "@name" and "--summary=@name": the file of the fixture folder.
    std::string Arg(const std::string& a) const {
        const size_t at = a.starts_with('@') ? 0 : a.starts_with("--summary=@") ? 10 : std::string::npos;
        return at == std::string::npos ? a : a.substr(0, at) + dir_.Path(a.substr(at + 1));
    }
    ScratchDir dir_;
};

class OutputIsInput : public OutputFiles, public testing::WithParamInterface<FullDiskCase> {};

// Each case's last operand names the output, then (when the message names
// it apart) the input it is.
TEST_P(OutputIsInput, RefusedBeforeAnyWorkNamingTheFile) {
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args) args.push_back(Arg(a));
    const std::string input = args.back();
    args.pop_back();
    const std::string output = args.back();
    args.pop_back();
    const auto before = Snapshot(dir_.Root());

    const ProcessOutput run = CitraExe(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "citra: " + output + ": is also an input" + (input == output ? "" : " ('" + input + "')") +
                           "; choose another output file\n");
    EXPECT_EQ(Snapshot(dir_.Root()), before) << "a file was changed, or a temporary one left";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OutputIsInput,
    testing::Values(
        FullDiskCase{"DiffOntoTheOriginal", {"diff", "@a.png", "@b.png", "-o", "@a.png", "@a.png", "@a.png"}},
        FullDiskCase{"DiffOntoALinkToTheManipulated",
                     {"diff", "@a.png", "@b.png", "-o", "@link.png", "@link.png", "@b.png"}},
        FullDiskCase{"DiffOntoAHardLinkOfTheOriginal",
                     {"diff", "@a.png", "@b.png", "-o", "@hard.png", "@hard.png", "@a.png"}},
        FullDiskCase{"PlotOntoItsFile", {"histogram", "@a.png", "--plot", "@a.png", "@a.png", "@a.png"}},
        FullDiskCase{"PlotOntoTheOverlaidFile",
                     {"histogram", "@a.png", "@b.png", "--plot", "@b.png", "@b.png", "@b.png"}},
        FullDiskCase{"CompareSummaryOntoAFileOfAFolder",
                     {"--summary=@stego/x.png", "compare", "@covers", "@stego", "@stego/x.png", "@stego/x.png"}},
        FullDiskCase{"MeasureSummaryOntoAFileOfAnotherShare",
                     {"--shard", "1/2", "--summary=@stego/y.png", "measure", "@covers", "@stego", "@stego/y.png",
                      "@stego/y.png"}},
        FullDiskCase{"MeasureSummaryOntoThePairsFile",
                     {"measure", "--pairs", "@pairs.csv", "--summary=@pairs.csv", "@pairs.csv", "@pairs.csv"}},
        FullDiskCase{"MeasureSummaryOntoAListedFile",
                     {"measure", "--pairs", "@pairs.csv", "--summary=@b.png", "@b.png", "@b.png"}},
        FullDiskCase{"MeasureSummaryOntoAListedNameNotMadeYet",
                     {"measure", "--pairs", "@later.csv", "--summary=@covers/../baru.png", "@covers/../baru.png",
                      "@baru.png"}},
        FullDiskCase{"ReportOntoAListedCover",
                     {"report", "@covers", "@stego", "-o", "@covers/x.png", "@covers/x.png", "@covers/x.png"}}),
    [](const testing::TestParamInfo<FullDiskCase>& info) { return std::string(info.param.name); });

// A file of an input's name in another folder is no input.
TEST_F(OutputFiles, AnOutputNamedLikeAnInputElsewhereIsWritten) {
    const ProcessOutput diff = CitraExe({"diff", Arg("@covers/x.png"), Arg("@stego/y.png"), "-o", Arg("@x.png")});
    EXPECT_EQ(diff.exitCode, 0) << diff.err;
    const ProcessOutput compare =
        CitraExe({"--csv", "--summary=" + Arg("@y.png"), "compare", Arg("@covers"), Arg("@stego")});
    EXPECT_EQ(compare.exitCode, 0) << compare.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(Arg("@x.png")));
    EXPECT_TRUE(std::filesystem::is_regular_file(Arg("@y.png")));
}

}  // namespace
