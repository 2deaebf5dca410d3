// Pictures read from bytes in memory: the same outcome as from the file
// (messages, kind, geometry, raster), the caller's lower limit on rasters
// and blocks, and the open rules the loader and MeasureFileSize share.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "graphic_files.h"
#include "input_file.h"
#include "load_helpers.h"
#include "platform_error.h"
#include "scratch_dir.h"
#include "stream_compare.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif

namespace {

namespace fs = std::filesystem;
using bmp_builder::BmpSpec;
using bmp_builder::BuildBmp;

// What one load gave, enough to tell two loads apart.
struct Outcome {
    std::string error;
    PictureKind kind = PictureKind::Empty;
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = -1;
    std::vector<uint8_t> raster;
    std::vector<uint32_t> colours;
};

Outcome Describe(Picture& picture, const std::string& error) {
    Outcome out;
    out.error = error;
    out.kind = picture.Kind();
    out.width = picture.Width();
    out.height = picture.Height();
    if (const Bitmap* bitmap = picture.BitmapIfAny()) {
        out.bitsPerPixel = bitmap->BitsPerPixel();
        if (!bitmap->Empty()) out.raster.assign(bitmap->Data(), bitmap->Data() + bitmap->DataSize());
        out.colours = bitmap->ColourTable();
    }
    return out;
}

Outcome FromFile(const std::string& path) {
    Picture picture;
    const std::string error = LoadError(picture, path);
    return Describe(picture, error);
}

Outcome FromMemory(const std::vector<uint8_t>& bytes, const std::string& extension,
                   uint64_t maxBlockBytes = kMaxInMemoryBytes) {
    Picture picture;
    std::string error;
    try {
        InputFile input(bytes, maxBlockBytes);
        LoadPicture(picture, input, extension);
    } catch (const CitraError& e) {
        error = e.what();
    }
    return Describe(picture, error);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectSame(const Outcome& memory, const Outcome& file) {
    EXPECT_EQ(memory.error, file.error);
    EXPECT_EQ(memory.kind, file.kind);
    EXPECT_EQ(memory.width, file.width);
    EXPECT_EQ(memory.height, file.height);
    EXPECT_EQ(memory.bitsPerPixel, file.bitsPerPixel);
    EXPECT_TRUE(memory.raster == file.raster) << "raster bytes differ";
    EXPECT_EQ(memory.colours, file.colours);
}

class MemoryCorpusTest : public testing::TestWithParam<const char*> {};

TEST_P(MemoryCorpusTest, EveryCorpusFileLoadsFromMemoryAsFromItsFile) {
    const fs::path dir = fs::path(CITRA_BMPSUITE_DIR) / GetParam();
    if (!fs::is_directory(dir)) GTEST_SKIP() << "BMP corpus folder not found: " << dir.string();
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".bmp") continue;
        SCOPED_TRACE(entry.path().string());
        ExpectSame(FromMemory(ReadAll(entry.path().string()), "bmp"), FromFile(entry.path().string()));
        ++files;
    }
    EXPECT_GT(files, 0);
}

INSTANTIATE_TEST_SUITE_P(Folders, MemoryCorpusTest, testing::Values("g", "q", "b"));

// Files of every kind, whole and broken, written once and read both ways.
struct MadeCase {
    const char* name;
    std::vector<uint8_t> (*content)();
};

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t keep) {
    bytes.resize(std::min(bytes.size(), keep));
    return bytes;
}

std::vector<uint8_t> RunLength8() {
    BmpSpec spec{.width = 8, .height = 2, .bitsPerPixel = 8, .compression = 1};
    spec.colourTable.resize(256, 0x102030);
    spec.pixels = {3, 1, 0, 4, 1, 2, 3, 4, 0, 0, 0, 2, 2, 1, 5, 9, 0, 1};
    spec.imageSizeField = static_cast<uint32_t>(spec.pixels.size());
    return BuildBmp(spec);
}

const MadeCase kMadeCases[] = {
    {"two.bmp", [] { return BuildBmp(TwoByTwoSpec()); }},
    {"top-down.bmp", [] { return BuildBmp(TwoByTwoSpec(-2)); }},
    {"short-raster.bmp", [] { return Cut(BuildBmp(TwoByTwoSpec()), 60); }},
    {"header-only.bmp", [] { return Cut(BuildBmp(TwoByTwoSpec()), 20); }},
    {"empty.bmp", [] { return std::vector<uint8_t>{}; }},
    {"rle8.bmp", RunLength8},
    {"icon.ico", [] { return graphic_files::IconFile(); }},
    {"bad-icon.ico", [] { return graphic_files::IconFile(7); }},
    {"short.ico", [] { return std::vector<uint8_t>{0, 0, 1}; }},
    {"enhanced.emf", graphic_files::EnhancedMetafile},
    {"cut.emf", [] { return Cut(graphic_files::EnhancedMetafile(), 104); }},
    {"placeable.wmf", graphic_files::PlaceableMetafile},
    {"cut.wmf", [] { return Cut(graphic_files::PlaceableMetafile(), 30); }},
    {"photo.jpg", [] { return graphic_files::JpegFile(6, 5); }},
    {"cut.jpeg", [] { return Cut(graphic_files::JpegFile(6, 5), 40); }},
    {"bitmap-as.jpg", [] { return BuildBmp(TwoByTwoSpec()); }},
    {"bitmap-as.txt", [] { return BuildBmp(TwoByTwoSpec()); }},
};

class MemoryMadeTest : public testing::TestWithParam<MadeCase> {};

TEST_P(MemoryMadeTest, LoadsFromMemoryAsFromItsFile) {
    ScratchDir dir;
    const std::vector<uint8_t> bytes = GetParam().content();
    const std::string path = dir.Write(GetParam().name, bytes);
    const Outcome file = FromFile(path);
    ExpectSame(FromMemory(bytes, std::string(FileExtension(path))), file);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MemoryMadeTest, testing::ValuesIn(kMadeCases),
                         [](const testing::TestParamInfo<MadeCase>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(MemoryInputTest, ReadsStopAtTheEndAndFailAfterClose) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    InputFile input(bytes);
    uint8_t out[8] = {};
    input.SeekTo(3);
    EXPECT_EQ(input.ReadUpTo(out, sizeof out), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    input.SeekTo(9);
    EXPECT_EQ(input.ReadUpTo(out, 1), 0u);
    input.SeekTo(0);
    EXPECT_THROW(input.ReadExact(out, 6), CitraError);
    input.Close();
    input.SeekTo(0);
    EXPECT_THROW(input.ReadUpTo(out, 1), CitraError);
}

// A 24-bit bitmap whose raster is `rows` rows of 4 pixels (12 bytes each).
std::vector<uint8_t> Rows(int32_t rows) {
    BmpSpec spec{.width = 4, .height = rows};
    spec.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(spec));
    return BuildBmp(spec);
}

TEST(InputLimitTest, RasterAboveTheCallersLimitIsRefusedAsAboveTheStoresLimit) {
    const uint64_t limit = 12 * 10;
    const std::vector<uint8_t> fits = Rows(10);
    const std::vector<uint8_t> over = Rows(11);
    EXPECT_EQ(FromMemory(fits, "bmp", limit).error, "");
    EXPECT_EQ(FromMemory(fits, "bmp", limit).height, 10);
    EXPECT_EQ(FromMemory(over, "bmp", limit).error, "Bitmap image is not valid");
    EXPECT_EQ(FromMemory(over, "bmp").error, "");

    // The streamed reader honours the same limit with the same message.
    EXPECT_NO_THROW(BitmapFileStream(fits, limit));
    try {
        BitmapFileStream stream(over, limit);
        ADD_FAILURE() << "a raster above the limit was streamed";
    } catch (const CitraError& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }

    // A file path takes the limit too.
    ScratchDir dir;
    InputFile file(dir.Write("over.bmp", over), limit);
    Picture picture;
    EXPECT_THROW(LoadPicture(picture, file, "bmp"), CitraError);
}

TEST(InputLimitTest, RunLengthRasterCountsAtThirtyTwoBits) {
    const std::vector<uint8_t> bytes = RunLength8();  // 8 x 2 pixels: 64 bytes decoded
    EXPECT_EQ(FromMemory(bytes, "bmp", 64).error, "");
    EXPECT_EQ(FromMemory(bytes, "bmp", 63).error, "Bitmap image is not valid");
}

TEST(InputLimitTest, BlockAboveTheLimitIsTheOutOfMemoryError) {
    const std::vector<uint8_t> icon = graphic_files::IconFile();
    EXPECT_EQ(FromMemory(icon, "ico", icon.size()).error, "");
    EXPECT_EQ(FromMemory(icon, "ico", icon.size() - 1).error, SystemErrorMessage(ENOMEM));
    EXPECT_EQ(FromMemory(graphic_files::JpegFile(4, 4), "jpg", 16).error, SystemErrorMessage(ENOMEM));
}

TEST(InputLimitTest, NeverAboveTheStoresOwnLimit) {
    const std::vector<uint8_t> bytes;
    EXPECT_EQ(InputFile(bytes).MaxBlockBytes(), kMaxInMemoryBytes);
    EXPECT_EQ(InputFile(bytes, kMaxInMemoryBytes * 4).MaxBlockBytes(), kMaxInMemoryBytes);
    EXPECT_EQ(InputFile(bytes, 100).MaxBlockBytes(), 100u);
}

// The loader wants a plain file; MeasureFileSize only refuses folders.
TEST(SharedOpenTest, FifoIsRefusedByTheLoaderAndMeasuredBySize) {
    ScratchDir dir;
    const std::string path = dir.Path("pipe.bmp");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(LoadError(path), "Cannot open file \"" + path + "\". " + PlatformErrorText(ENXIO));
    EXPECT_EQ(MeasureFileSize(path), 0);

    const OpenedFile opened = OpenForReading(dir.Root(), false);
    EXPECT_EQ(opened.error, EISDIR);
    EXPECT_FALSE(opened.openFailed);
    EXPECT_EQ(opened.fd, -1);
    const OpenedFile missing = OpenForReading(dir.Path("none"), true);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_TRUE(missing.openFailed);
}

}  // namespace
