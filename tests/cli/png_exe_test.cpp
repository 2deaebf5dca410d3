// citra info on broken and hostile PNG files, through the built executable:
// every broken file of the PNG suite fails with status 1 and a message
// naming it; files built to spend time and memory cost neither.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/corpus_files.h"
#include "../core/png_builder.h"
#include "../core/scratch_dir.h"
#include "run_process.h"

namespace {

namespace pb = png_builder;

TEST(PngSuiteExe, EveryBrokenFileFailsWithStatus1NamingIt) {
    const std::vector<std::string> broken = PngSuiteFiles(true);
    ASSERT_FALSE(broken.empty()) << "no PNG suite in " << CITRA_PNGSUITE_DIR;
    for (const std::string& path : broken) {
        const ProcessOutput run = CitraExe({"--json", "info", path});
        EXPECT_EQ(run.exitCode, 1) << path << ": " << run.out << run.err;
        const std::string error = "\"error\":\"" + path + ": ";
        const size_t at = run.out.find(error);
        ASSERT_NE(at, std::string::npos) << run.out;
        // A reason follows the name.
        EXPECT_NE(run.out[at + error.size()], '"') << run.out;
    }
    const std::vector<std::string> good = PngSuiteFiles(false);
    ASSERT_FALSE(good.empty());
    const ProcessOutput run = CitraExe({"info", good.front()});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

ProcessOutput InfoWithPeak(const std::string& path) {
    return RunProcess({.program = CITRA_EXE, .args = {"--json", "info", path}, .env = kPlainEnv, .ownPeakMemory = true});
}

constexpr long kPeakKiB = 50 * 1024;

// 69 bytes declaring a 65536 x 16384 grey picture (1 GiB of samples) over
// a 12-byte zlib stream: refused from the sizes alone.
TEST(PngHostileExe, AHugeHeaderOverAFewBytesCostsNoMemory) {
    ScratchDir dir;
    const std::string path = dir.Write(
        "besar.png",
        pb::File(pb::Ihdr(65536, 16384, 8, 0), {0x78, 0x9C, 0x63, 0x60, 0xA0, 0x3D, 0x00, 0x00, 0x00, 0x64, 0x00, 0x01}));
    const ProcessOutput run = InfoWithPeak(path);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find(path + ": file cut short: PNG image data of 12 bytes cannot hold a 65536 x 16384 picture"),
              std::string::npos)
        << run.out;
    EXPECT_GT(run.maxResidentKiB, 0);
    EXPECT_LT(run.maxResidentKiB, kPeakKiB);
}

// A 1 x 1 picture whose colour profile inflates to 900 MB: the profile is
// never used, so never inflated.
TEST(PngHostileExe, AColourProfileThatInflatesTo900MbIsNotInflated) {
    ScratchDir dir;
    pb::Bytes profile{'i', 'c', 'c', 0, 0};
    const pb::Bytes bomb = pb::DenseZeros(900'000'000);
    profile.insert(profile.end(), bomb.begin(), bomb.end());
    const std::string path =
        dir.Write("profil.png", pb::File(pb::Ihdr(1, 1, 8, 0), pb::Stored({0, 0x80}), pb::Chunk("iCCP", profile)));
    const ProcessOutput run = InfoWithPeak(path);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(R"("width":1,"height":1,)"), std::string::npos) << run.out;
    EXPECT_GT(run.maxResidentKiB, 0);
    EXPECT_LT(run.maxResidentKiB, kPeakKiB);
}

}  // namespace
