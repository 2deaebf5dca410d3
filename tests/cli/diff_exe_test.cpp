// citra diff through the built executable: what it writes and says, and
// that a failure leaves nothing under the output's name (the pictures
// themselves are checked against numpy by tests/reference).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "image_reader.h"
#include "run_process.h"

namespace {

namespace fs = std::filesystem;
using image_encoders::Png;
using image_encoders::Ramp;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DiffExe : public testing::Test {
protected:
    void SetUp() override {
        std::vector<uint8_t> b = Ramp(12 * 10 * 3);
        const std::vector<uint8_t> a = b;
        b[5] = static_cast<uint8_t>(b[5] + 20);   // one sample 20 up
        b[40] = static_cast<uint8_t>(b[40] - 4);  // another 4 down
        original_ = dir_.Write("asli.png", Png(12, 10, 2, 8, a));
        manipulated_ = dir_.Write("hasil.png", Png(12, 10, 2, 8, b));
        smaller_ = dir_.Write("kecil.png", Png(11, 10, 2, 8, Ramp(11 * 10 * 3)));
    }
    ScratchDir dir_;
    std::string original_, manipulated_, smaller_;
};

TEST_F(DiffExe, WritesThePictureAndSaysWhatItShows) {
    const std::string out = dir_.Path("beda.png");
    const ProcessOutput text = CitraExe({"diff", original_, manipulated_, "-o", out});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, out + ": abs, 12 x 10; full scale at 20 (largest difference 20, gain 12.75)\n");
    EXPECT_EQ(text.err, "");
    const Image picture = ReadImage(out);
    EXPECT_EQ(picture.width, 12);
    EXPECT_EQ(picture.layout, ChannelLayout::Rgb);
    EXPECT_EQ(picture.samples8[5], 255);  // the largest difference is white
    EXPECT_EQ(picture.samples8[40], 51);  // 4 of 20
    EXPECT_EQ(picture.samples8[0], 0);

    const ProcessOutput json = CitraExe({"--json", "diff", original_, manipulated_, "-o", out, "--mode=heat"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out, "{\"original\":\"" + original_ + "\",\"manipulated\":\"" + manipulated_ + "\",\"output\":\"" +
                            out + "\",\"mode\":\"heat\",\"width\":12,\"height\":10,\"gain\":12.75,\"scale_max\":20,"
                            "\"largest\":20}\n");
    const ProcessOutput lsb = CitraExe({"--json", "diff", original_, manipulated_, "-o", out, "--mode=lsb", "--plane=2"});
    ASSERT_EQ(lsb.exitCode, 0) << lsb.err;
    EXPECT_NE(lsb.out.find("\"width\":36,\"height\":10,\"plane\":2}"), std::string::npos) << lsb.out;
}

// A failure of any kind leaves the output's name as it was (here: an older
// picture) and no temporary file beside it.
TEST_F(DiffExe, AFailedRunLeavesTheOutputAsItWas) {
    const std::string out = dir_.Path("beda.png");
    std::ofstream(out) << "gambar lama";
    const std::set<std::string> before = Names(dir_.Root());
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"different sizes", {"diff", original_, smaller_, "-o", out}, "12 x 10"},
        {"missing file", {"diff", original_, dir_.Path("tidak_ada.png"), "-o", out}, "Cannot open file"},
        {"too small for SSIM", {"diff", original_, manipulated_, "-o", out, "--mode", "ssim"}, "at least 11 x 11"},
        {"plane beyond the depth", {"diff", original_, manipulated_, "-o", out, "--mode", "lsb", "--plane", "9"},
         "Bit plane 9 does not exist in 8-bit samples"},
    };
    for (const Case& c : cases) {
        const ProcessOutput run = CitraExe(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_TRUE(run.out.starts_with("error: ")) << c.name << ": " << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << c.name << ": " << run.out;
        EXPECT_EQ(Content(out), "gambar lama") << c.name;
        EXPECT_EQ(Names(dir_.Root()), before) << c.name;
    }
    const ProcessOutput json = CitraExe({"--json", "diff", original_, smaller_, "-o", out});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(json.out.starts_with("{\"original\":\"" + original_ + "\",\"manipulated\":\"" + smaller_ +
                                     "\",\"error\":\""))
        << json.out;
}

// An output that cannot be written fails before the inputs are even read.
TEST_F(DiffExe, AnUnwritableOutputFailsBeforeAnyWork) {
    const std::string out = dir_.Path("tidak_ada/beda.png");
    const ProcessOutput run = CitraExe({"diff", dir_.Path("juga_tidak_ada.png"), manipulated_, "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "citra: cannot write '" + out + "': No such file or directory\n");
}

// A link to the standard output, as /dev/stdout is (made in the scratch
// folder): the picture goes through the standard output itself, a pipe or
// a file, followed by the line saying what was written; the link stays.
TEST_F(DiffExe, WritesThroughALinkToTheStandardOutput) {
    const std::string plain = dir_.Path("beda.png");
    ASSERT_EQ(CitraExe({"diff", original_, manipulated_, "-o", plain}).exitCode, 0);
    const std::string link = dir_.Path("keluar.png");
    fs::create_symlink("/proc/self/fd/1", link);
    const std::string line = link + ": abs, 12 x 10; full scale at 20 (largest difference 20, gain 12.75)\n";

    const ProcessOutput piped = CitraExe({"diff", original_, manipulated_, "-o", link});
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, Content(plain) + line);

    const std::string file = dir_.Path("keluaran.bin");
    const ProcessOutput filed = RunProcess(
        {.program = CITRA_EXE, .args = {"diff", original_, manipulated_, "-o", link}, .env = kPlainEnv, .stdoutFile = file});
    EXPECT_EQ(filed.exitCode, 0) << filed.err;
    EXPECT_EQ(Content(file), Content(plain) + line);
    EXPECT_EQ(fs::read_symlink(link), "/proc/self/fd/1");
    EXPECT_EQ(Names(dir_.Root()), (std::set<std::string>{"asli.png", "hasil.png", "kecil.png", "beda.png",
                                                          "keluar.png", "keluaran.bin"}));
}

}  // namespace
