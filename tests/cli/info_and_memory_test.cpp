// info judges a .bmp file from its headers alone, and a pair's result does
// not depend on the other pairs of the run, also when memory is short.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "../core/address_sanitizer.h"
#include "../core/bmp_builder.h"
#include "../core/corpus_files.h"
#include "../core/scratch_dir.h"
#include "analysis.h"
#include "attempt.h"
#include "run_process.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif


namespace {

namespace fs = std::filesystem;

// The headers of a 24-bit picture and no pixel: the raster the file declares
// reads as zeros and takes no disk space.
std::vector<uint8_t> HeaderOnly(int32_t width, int32_t height) {
    return bmp_builder::BuildBmp({.width = width, .height = height, .bitsPerPixel = 24});
}

// What info said before it walked headers only: the full load's outcome.
InfoResult InspectByFullLoad(const std::string& path) {
    InfoResult result;
    result.path = path;
    result.error = Attempt([&] {
        Picture picture;
        LoadPicture(picture, path);
        result.kind = picture.Kind();
        if (const Bitmap* bitmap = picture.BitmapIfAny()) {
            result.width = bitmap->Width();
            result.height = bitmap->Height();
            result.bitsPerPixel = bitmap->BitsPerPixel();
        }
        result.fileSize = MeasureFileSize(path);
    });
    return result;
}

void ExpectSameInfo(const InfoResult& got, const InfoResult& want) {
    EXPECT_EQ(got.error, want.error) << got.path;
    EXPECT_EQ(got.kind, want.kind) << got.path;
    EXPECT_EQ(got.width, want.width) << got.path;
    EXPECT_EQ(got.height, want.height) << got.path;
    EXPECT_EQ(got.bitsPerPixel, want.bitsPerPixel) << got.path;
    EXPECT_EQ(got.fileSize, want.fileSize) << got.path;
}

TEST(InfoHeaderWalk, SameAsTheFullLoadOnTheBmpCorpus) {
    const std::vector<std::string> files = CorpusBmpFiles();
    if (files.empty()) GTEST_SKIP() << "BMP corpus not found in " << CITRA_BMPSUITE_DIR;
    size_t failed = 0;
    for (const std::string& path : files) {
        const InfoResult want = InspectByFullLoad(path);
        failed += want.error ? 1 : 0;
        ExpectSameInfo(InspectFile(path), want);
    }
    // Both outcomes were met.
    EXPECT_GT(failed, 0u);
    EXPECT_LT(failed, files.size());
}

TEST(InfoHeaderWalk, SameAsTheFullLoadOnFilesItCouldGetWrong) {
    const ScratchDir dir;
    std::vector<uint8_t> cut = HeaderOnly(4, 4);
    cut.resize(30);  // inside the information header
    std::vector<uint8_t> rle = bmp_builder::BuildBmp(
        {.width = 2, .height = 1, .bitsPerPixel = 8, .compression = 1, .colourTable = {0, 0xFFFFFF},
         .pixels = {2, 1, 0, 1}});
    const std::vector<std::string> paths{
        dir.Write("satu_giga.bmp", HeaderOnly(16384, 21845)),  // 1 GiB declared, 54 bytes held
        dir.Write("terlalu_besar.bmp", HeaderOnly(16384, 21846)),  // past what the raster store takes
        dir.Write("terpotong.bmp", cut),
        dir.Write("kosong.bmp", {}),
        dir.Write("rle.bmp", rle),
        dir.Write("bukan.bmp", {'P', 'K', 3, 4, 0, 0, 0, 0}),
        dir.Path("hilang.bmp"),
    };
    for (const std::string& path : paths) ExpectSameInfo(InspectFile(path), InspectByFullLoad(path));
    const InfoResult big = InspectFile(paths[0]);
    EXPECT_EQ(big.error, std::nullopt);
    EXPECT_EQ(big.width, 16384);
    EXPECT_EQ(big.height, 21845);
    EXPECT_EQ(big.bitsPerPixel, 24);
    EXPECT_EQ(big.fileSize, 54);
}

// Under an address-space limit of ~680 MiB. AddressSanitizer reserves far
// more address space than that for itself, so there the runs are skipped.
class ShortOfMemory : public testing::Test {
protected:
    static constexpr uint64_t kLimit = uint64_t{700000} * 1024;

    void SetUp() override {
#ifdef CITRA_ADDRESS_SANITIZER
        GTEST_SKIP() << "an address-space limit cannot hold under AddressSanitizer";
#endif
    }
    ProcessOutput Citra(const std::vector<std::string>& args) const {
        return RunProcess({.program = CITRA_EXE, .args = args, .env = kPlainEnv, .addressSpaceLimit = kLimit});
    }
    // A bitmap of black pixels whose raster is a hole in the file: it takes
    // no disk, yet holds every pixel.
    std::string Sparse(const std::string& name, int32_t width, int32_t height) const {
        const std::string path = dir_.Write(name, HeaderOnly(width, height));
        const uint64_t stride = (3 * static_cast<uint64_t>(width) + 3) / 4 * 4;
        std::filesystem::resize_file(path, 54 + stride * static_cast<uint64_t>(height));
        return path;
    }
    ScratchDir dir_;
};

// info of a 54-byte file declaring a 1 GiB raster does not allocate it.
TEST_F(ShortOfMemory, InfoDoesNotAllocateTheRaster) {
    const std::string path = dir_.Write("satu_giga.bmp", HeaderOnly(16384, 21845));
    const auto run = Citra({"--json", "info", path});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, R"({"path":")" + path +
                           R"(","kind":"bitmap","width":16384,"height":21845,"bits_per_pixel":24,"file_size":54,)"
                           R"("format":"bmp","channels":3,"bits_per_sample":8,"peak":255})"
                           "\n");
}

// A 768 MiB original that cannot be loaded under the limit: each pair of a
// batch reads it from its file, as the single pair does, and gets the same
// line; its histogram is counted from the file too.
TEST_F(ShortOfMemory, BatchPairsGetWhatTheSinglePairGets) {
    const std::string original = Sparse("asli.bmp", 16384, 16384);
    const std::string manipulated = Sparse("hasil.bmp", 16384, 16384);
    const std::string other = Sparse("lain.bmp", 16384, 16384);
    const std::string narrow = Sparse("sempit.bmp", 16383, 16384);

    const auto single = Citra({"--json", "compare", original, manipulated});
    ASSERT_EQ(single.exitCode, 0) << single.out;
    EXPECT_NE(single.out.find(R"("mse_text":"0.000","psnr_text":"108.131","standard":{"mse":0,)"), std::string::npos)
        << single.out;
    // The histogram is counted from the file, so the limit does not stop it.
    const auto counted = Citra({"--json", "histogram", original});
    ASSERT_EQ(counted.exitCode, 0) << counted.out;
    EXPECT_NE(counted.out.find(R"("red":[268435456,0,)"), std::string::npos) << counted.out;

    for (const char* jobs : {"1", "2"}) {
        const auto batch = Citra({"--json", "-j", jobs, "compare", original, manipulated, other, narrow});
        EXPECT_EQ(batch.exitCode, 1) << batch.out;
        const std::string head = R"({"original":")" + original + R"(","manipulated":")";
        const std::string numbers = single.out.substr(single.out.find(R"(","mse")"));
        EXPECT_EQ(batch.out, head + manipulated + numbers + head + other + numbers + head + narrow +
                                 R"(","error":"Luas citra asli dan Luas citra hasil manipulasi tidak sama!"})"
                                 "\n")
            << "jobs " << jobs;
    }
}

}  // namespace
