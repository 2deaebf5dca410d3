// Every file of the BMP corpus loads or fails with one of the bitmap
// reader's messages; the good ones load with their own geometry.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "little_endian.h"
#include "load_helpers.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif

namespace {

namespace fs = std::filesystem;

bool IsReaderMessage(const std::string& message) {
    return message == "Stream read error" || message == "Bitmap image is not valid" ||
           message.rfind("System Error.  Code: ", 0) == 0;
}

std::vector<fs::path> CorpusFiles(const std::string& folder) {
    std::vector<fs::path> files;
    const fs::path dir = fs::path(CITRA_BMPSUITE_DIR) / folder;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Reads every row, so a sanitizer build sees any row outside the storage.
void TouchAllRows(const Bitmap& bitmap) {
    unsigned sum = 0;
    for (int32_t row = 0; row < bitmap.Height(); ++row) {
        for (uint8_t byte : bitmap.PixelRow(row)) {
            sum += byte;
        }
    }
    volatile unsigned sink = sum;
    (void)sink;
}

class BmpSuiteTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!fs::is_directory(fs::path(CITRA_BMPSUITE_DIR) / GetParam())) {
            GTEST_SKIP() << "BMP corpus folder not found: " << CITRA_BMPSUITE_DIR << "/" << GetParam()
                         << " (set CITRA_SHARED_DIR when configuring to point at a copy)";
        }
    }
};

TEST_P(BmpSuiteTest, EveryFileLoadsOrFailsWithAReaderMessage) {
    const std::vector<fs::path> files = CorpusFiles(GetParam());
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        Picture picture;
        const std::string error = LoadError(picture, file.string());
        if (error.empty()) {
            ASSERT_EQ(picture.Kind(), PictureKind::Bitmap);
            TouchAllRows(*picture.BitmapIfAny());
        } else {
            EXPECT_TRUE(IsReaderMessage(error)) << error;
            EXPECT_EQ(picture.Kind(), PictureKind::Empty);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, BmpSuiteTest, testing::Values("g", "q", "b"));

// Good files: loaded with the width, |height| and depth of their header
// (run-length files with depth 0).
TEST(BmpSuiteGoodTest, GoodFilesLoadWithTheirHeaderGeometry) {
    const std::vector<fs::path> files = CorpusFiles("g");
    if (files.empty()) {
        GTEST_SKIP() << "BMP corpus folder not found: " << CITRA_BMPSUITE_DIR << "/g";
    }
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        std::vector<uint8_t> head(54, 0);
        in.read(reinterpret_cast<char*>(head.data()), 54);
        const bool core = Le32(head.data() + 14) == 12;
        const int32_t width = core ? Le16(head.data() + 18) : LeI32(head.data() + 18);
        const int32_t height = core ? Le16(head.data() + 20) : LeI32(head.data() + 22);
        const int bpp = core ? Le16(head.data() + 24) : Le16(head.data() + 28);
        const uint32_t compression = core ? 0 : Le32(head.data() + 30);

        Picture picture;
        ASSERT_EQ(LoadError(picture, file.string()), "");
        const Bitmap& bitmap = *picture.BitmapIfAny();
        EXPECT_EQ(bitmap.Width(), width);
        EXPECT_EQ(bitmap.Height(), std::abs(height));
        EXPECT_EQ(bitmap.TopDown(), height < 0);
        EXPECT_EQ(bitmap.BitsPerPixel(), compression == 1 || compression == 2 ? 0 : bpp);
    }
}

// Bad files whose outcome the reader's rules fix.
TEST(BmpSuiteBadTest, KnownBadFilesGetTheirOutcome) {
    const fs::path dir = fs::path(CITRA_BMPSUITE_DIR) / "b";
    if (!fs::is_directory(dir)) {
        GTEST_SKIP() << "BMP corpus folder not found: " << dir.string();
    }
    const std::map<std::string, std::string> expected = {
        {"badbitcount.bmp", "Bitmap image is not valid"},
        {"badplanes.bmp", "Bitmap image is not valid"},
        {"badwidth.bmp", "Bitmap image is not valid"},
        {"reallybig.bmp", "Bitmap image is not valid"},
        {"rletopdown.bmp", "Bitmap image is not valid"},
        {"badpalettesize.bmp", "Stream read error"},
        {"shortfile.bmp", ""},  // pixel data cut short: full size
    };
    for (const auto& [name, message] : expected) {
        if (!fs::exists(dir / name)) {
            continue;
        }
        Picture picture;
        EXPECT_EQ(LoadError(picture, (dir / name).string()), message) << name;
    }
}

}  // namespace
