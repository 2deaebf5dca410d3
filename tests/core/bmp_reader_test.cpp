// The bitmap reader, on files built by bmp_builder.h.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "load_helpers.h"
#include "messages.h"
#include "scratch_dir.h"

namespace {

using bmp_builder::BmpSpec;
using bmp_builder::BuildBmp;
using bmp_builder::PatternBytes;
using bmp_builder::RasterBytes;
using bmp_builder::Stride;

class BmpReaderTest : public testing::Test {
protected:
    // Loads the bytes as a .bmp file; fails the test on a load error.
    const Bitmap& Load(const std::vector<uint8_t>& file) {
        const std::string error = LoadError(picture_, dir_.Write("test.bmp", file));
        EXPECT_EQ(error, "");
        static const Bitmap kNone;
        return picture_.BitmapIfAny() != nullptr ? *picture_.BitmapIfAny() : kNone;
    }
    std::string Error(const std::vector<uint8_t>& file) {
        return LoadError(picture_, dir_.Write("test.bmp", file));
    }

    ScratchDir dir_;
    Picture picture_;
};

// Row r of the file's pixel data (file order), stride bytes.
std::vector<uint8_t> FileRow(const std::vector<uint8_t>& pixels, size_t stride, size_t r) {
    return {pixels.begin() + static_cast<ptrdiff_t>(r * stride),
            pixels.begin() + static_cast<ptrdiff_t>((r + 1) * stride)};
}

TEST_F(BmpReaderTest, TwoByTwoBottomUpGivesTheLastRowOfTheFileFirst) {
    const std::vector<uint8_t> file = BuildBmp(TwoByTwoSpec());
    ASSERT_EQ(file.size(), 70u);
    const Bitmap& bitmap = Load(file);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.BitsPerPixel(), 24);
    EXPECT_EQ(bitmap.Stride(), 8u);
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), std::vector<uint8_t>(file.end() - 8, file.end()));
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), std::vector<uint8_t>(file.begin() + 54, file.begin() + 62));
    EXPECT_EQ(picture_.Kind(), PictureKind::Bitmap);
    EXPECT_EQ(picture_.Width(), 2);
    EXPECT_EQ(picture_.Height(), 2);
}

TEST_F(BmpReaderTest, NegativeHeightMeansTopRowFirst) {
    const std::vector<uint8_t> file = BuildBmp(TwoByTwoSpec(-2));
    const Bitmap& bitmap = Load(file);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_TRUE(bitmap.TopDown());
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), std::vector<uint8_t>(file.begin() + 54, file.begin() + 62));
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), std::vector<uint8_t>(file.end() - 8, file.end()));
}

// Every depth the raster store takes, under every header size: the whole
// raster comes out as in the file, row 0 being the file's last row.
struct DepthCase {
    uint16_t bitsPerPixel;
    uint32_t headerSize;
};

class BmpDepthTest : public BmpReaderTest, public testing::WithParamInterface<DepthCase> {};

TEST_P(BmpDepthTest, LoadsWithTheFileBitCountAndItsRows) {
    const auto [bpp, headerSize] = GetParam();
    BmpSpec spec{.width = 13, .height = 5, .bitsPerPixel = bpp, .headerSize = headerSize};
    if (bpp <= 8) {
        spec.colourTable = std::vector<uint32_t>(size_t{1} << bpp);
        for (size_t i = 0; i < spec.colourTable.size(); ++i) {
            spec.colourTable[i] = static_cast<uint32_t>(i * 0x010203u) & 0xFFFFFF;
        }
    }
    spec.pixels = PatternBytes(RasterBytes(spec), static_cast<uint8_t>(bpp));
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.BitsPerPixel(), bpp);
    ASSERT_EQ(bitmap.Width(), 13);
    ASSERT_EQ(bitmap.Height(), 5);
    const size_t stride = Stride(13, bpp);
    ASSERT_EQ(bitmap.Stride(), stride);
    for (int32_t row = 0; row < 5; ++row) {
        EXPECT_EQ(Bytes(bitmap.PixelRow(row)), FileRow(spec.pixels, stride, 4 - row)) << row;
    }
    EXPECT_EQ(bitmap.ColourTable(), spec.colourTable);
}

INSTANTIATE_TEST_SUITE_P(DepthsAndHeaders, BmpDepthTest,
                         testing::Values(DepthCase{1, 40}, DepthCase{4, 40}, DepthCase{8, 40}, DepthCase{16, 40},
                                         DepthCase{24, 40}, DepthCase{32, 40}, DepthCase{1, 12}, DepthCase{4, 12},
                                         DepthCase{8, 12}, DepthCase{24, 12}, DepthCase{8, 108}, DepthCase{24, 108},
                                         DepthCase{32, 124}, DepthCase{24, 124}, DepthCase{24, 64}),
                         [](const testing::TestParamInfo<DepthCase>& info) {
                             return "Bpp" + std::to_string(info.param.bitsPerPixel) + "Header" +
                                    std::to_string(info.param.headerSize);
                         });

TEST_F(BmpReaderTest, CoreHeaderSizesAreUnsignedAndRowsBottomUp) {
    BmpSpec spec{.width = 1, .height = 0xFFFF, .bitsPerPixel = 24, .headerSize = 12};
    spec.pixels = PatternBytes(RasterBytes(spec));
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.Height(), 65535);
    EXPECT_FALSE(bitmap.TopDown());
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), FileRow(spec.pixels, 4, 65534));
    EXPECT_EQ(Bytes(bitmap.PixelRow(65534)), FileRow(spec.pixels, 4, 0));
}

TEST_F(BmpReaderTest, BitFieldMasksAreKeptFromAfterOrInsideTheHeader) {
    const std::array<uint32_t, 3> masks{0xF800, 0x07E0, 0x001F};
    for (uint32_t headerSize : {40u, 108u, 124u}) {
        BmpSpec spec{.width = 3, .height = 2, .bitsPerPixel = 16, .headerSize = headerSize, .compression = 3};
        spec.masks = masks;
        spec.pixels = PatternBytes(RasterBytes(spec));
        const Bitmap& bitmap = Load(BuildBmp(spec));
        EXPECT_EQ(bitmap.BitsPerPixel(), 16) << headerSize;
        EXPECT_EQ(bitmap.ColourMasks(), masks) << headerSize;
        EXPECT_EQ(Bytes(bitmap.PixelRow(0)), FileRow(spec.pixels, 8, 1)) << headerSize;
    }
}

TEST_F(BmpReaderTest, ColourTableLongerThan256EntriesIsCutDown) {
    BmpSpec spec{.width = 4, .height = 2, .bitsPerPixel = 8, .coloursUsedField = 300};
    spec.colourTable.resize(300);
    for (size_t i = 0; i < 300; ++i) {
        spec.colourTable[i] = static_cast<uint32_t>(i);
    }
    spec.pixels = PatternBytes(RasterBytes(spec));
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.ColourTable().size(), 256u);
    EXPECT_EQ(bitmap.ColourTable()[255], 255u);
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), FileRow(spec.pixels, 4, 0));
}

TEST_F(BmpReaderTest, ColoursUsedSetsTheTableLengthAtEveryDepth) {
    // A 24-bit file may carry a table; the pixels start after it.
    BmpSpec spec = TwoByTwoSpec();
    spec.coloursUsedField = 3;
    spec.colourTable = {0x112233, 0x445566, 0x778899};
    const std::vector<uint8_t> file = BuildBmp(spec);
    const Bitmap& bitmap = Load(file);
    EXPECT_EQ(bitmap.ColourTable(), spec.colourTable);
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), std::vector<uint8_t>(file.end() - 8, file.end()));
}

TEST_F(BmpReaderTest, BytesBetweenTableAndOffsetAreSkipped) {
    BmpSpec spec = TwoByTwoSpec();
    spec.gap = 10;
    const std::vector<uint8_t> file = BuildBmp(spec);
    ASSERT_EQ(file.size(), 80u);
    const Bitmap& bitmap = Load(file);
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), FileRow(spec.pixels, 8, 0));
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), FileRow(spec.pixels, 8, 1));
}

TEST_F(BmpReaderTest, FileEndingAtTheOffsetGivesAFullSizeZeroPicture) {
    BmpSpec spec{.width = 100, .height = 100, .bitsPerPixel = 24};
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.Width(), 100);
    ASSERT_EQ(bitmap.Height(), 100);
    for (int32_t row = 0; row < 100; ++row) {
        const auto bytes = bitmap.PixelRow(row);
        ASSERT_EQ(bytes.size(), 300u);
        ASSERT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) << row;
    }
}

TEST_F(BmpReaderTest, OffsetBeyondTheEndGivesAFullSizeZeroPicture) {
    BmpSpec spec = TwoByTwoSpec();
    spec.offsetField = 5000;
    const Bitmap& bitmap = Load(BuildBmp(spec));
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), std::vector<uint8_t>(8, 0));
}

TEST_F(BmpReaderTest, FileEndingInsideTheRowsFillsWhatItHas) {
    BmpSpec spec{.width = 2, .height = 3, .bitsPerPixel = 24};
    spec.pixels = PatternBytes(RasterBytes(spec));
    spec.truncateTo = 54 + 8 + 5;  // the bottom row and 5 bytes of the next
    const Bitmap& bitmap = Load(BuildBmp(spec));
    EXPECT_EQ(Bytes(bitmap.PixelRow(2)), FileRow(spec.pixels, 8, 0));
    std::vector<uint8_t> middle = FileRow(spec.pixels, 8, 1);
    std::fill(middle.begin() + 5, middle.end(), 0);
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), middle);
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), std::vector<uint8_t>(8, 0));
}

TEST_F(BmpReaderTest, ImageSizeFieldLimitsTheBytesTaken) {
    BmpSpec spec = TwoByTwoSpec();
    spec.imageSizeField = 4;
    const Bitmap& bitmap = Load(BuildBmp(spec));
    std::vector<uint8_t> bottom = FileRow(spec.pixels, 8, 0);
    std::fill(bottom.begin() + 4, bottom.end(), 0);
    EXPECT_EQ(Bytes(bitmap.PixelRow(1)), bottom);
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), std::vector<uint8_t>(8, 0));
}

TEST_F(BmpReaderTest, ImageSizeFieldBeyondTheRasterTakesOnlyTheRaster) {
    BmpSpec spec = TwoByTwoSpec();
    spec.imageSizeField = 4096;
    spec.pixels = PatternBytes(4096);  // the file does hold that many bytes
    const Bitmap& bitmap = Load(BuildBmp(spec));
    EXPECT_EQ(bitmap.DataSize(), 16u);
    EXPECT_EQ(Bytes(bitmap.PixelRow(0)), FileRow(spec.pixels, 8, 1));
}

TEST_F(BmpReaderTest, EmptyFileIsAnEmptyBitmap) {
    const Bitmap& bitmap = Load({});
    EXPECT_EQ(picture_.Kind(), PictureKind::Bitmap);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.BitsPerPixel(), 0);
    EXPECT_EQ(bitmap.DataSize(), 0u);
}

// RLE8: a 4 x 2 picture. Bottom row: a run of 3 pixels of index 1 and one
// of index 2; top row: an absolute run of 3 indices (0, 2, 1, padded) and
// then the end of the bitmap, so its last pixel is never written.
std::vector<uint8_t> Rle8Pixels() {
    return {3, 1, 1, 2, 0, 0, 0, 3, 0, 2, 1, 0, 0, 1};
}

void ExpectPixel(std::span<const uint8_t> row, int x, uint32_t rgb, uint8_t alpha = 0xFF) {
    const uint8_t* p = row.data() + 4 * x;
    EXPECT_EQ(p[0], rgb & 0xFF) << "x " << x;
    EXPECT_EQ(p[1], (rgb >> 8) & 0xFF) << "x " << x;
    EXPECT_EQ(p[2], (rgb >> 16) & 0xFF) << "x " << x;
    EXPECT_EQ(p[3], alpha) << "x " << x;
}

TEST_F(BmpReaderTest, RunLength8IsDecodedWithBitsPerPixelZero) {
    BmpSpec spec{.width = 4, .height = 2, .bitsPerPixel = 8, .compression = 1, .coloursUsedField = 3};
    spec.colourTable = {0x000000, 0xFF0000, 0x00FF00};
    spec.pixels = Rle8Pixels();
    spec.imageSizeField = static_cast<uint32_t>(spec.pixels.size());
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.BitsPerPixel(), 0);
    ASSERT_EQ(bitmap.Width(), 4);
    ASSERT_EQ(bitmap.Height(), 2);
    const auto bottom = bitmap.PixelRow(1);
    ExpectPixel(bottom, 0, 0xFF0000);
    ExpectPixel(bottom, 2, 0xFF0000);
    ExpectPixel(bottom, 3, 0x00FF00);
    const auto top = bitmap.PixelRow(0);
    ExpectPixel(top, 0, 0x000000);
    ExpectPixel(top, 1, 0x00FF00);
    ExpectPixel(top, 2, 0xFF0000);
    ExpectPixel(top, 3, 0, 0);
}

TEST_F(BmpReaderTest, RunLength4IsDecodedWithBitsPerPixelZero) {
    // 8 x 2. Bottom row: an encoded run of 3 (indices 1, 2, 1), then an
    // absolute run of 5 (2, 1, 2, 1, 2) padded to a 16-bit boundary, end of
    // line. Top row: a run of 2 of index 2, a delta of one pixel, a run of
    // 255 of index 1 cut at the right edge, end of bitmap.
    BmpSpec spec{.width = 8, .height = 2, .bitsPerPixel = 4, .compression = 2, .coloursUsedField = 3};
    spec.colourTable = {0x000000, 0x0000FF, 0xFFFFFF};
    spec.pixels = {3, 0x12, 0, 5, 0x21, 0x21, 0x20, 0, 0, 0, 2, 0x22, 0, 2, 1, 0, 255, 0x11, 0, 1};
    // Longer than stride x height (8): the image-size field must say so.
    spec.imageSizeField = static_cast<uint32_t>(spec.pixels.size());
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.BitsPerPixel(), 0);
    const auto bottom = bitmap.PixelRow(1);
    for (int x = 0; x < 8; ++x) {
        ExpectPixel(bottom, x, x % 2 == 0 ? 0x0000FF : 0xFFFFFF);
    }
    const auto top = bitmap.PixelRow(0);
    ExpectPixel(top, 0, 0xFFFFFF);
    ExpectPixel(top, 1, 0xFFFFFF);
    ExpectPixel(top, 2, 0, 0);
    for (int x = 3; x < 8; ++x) {
        ExpectPixel(top, x, 0x0000FF);
    }
}

TEST_F(BmpReaderTest, RunLengthDataThatOverrunTheRasterAreClipped) {
    // Bottom row: a run of 255 on an 8-pixel row. Top row: a delta to x 1,
    // then an absolute run of 200 whose data stop after 2 indices, the first
    // beyond the colour table. Nothing is written outside the raster
    // (checked by the sanitizer builds); unreached pixels stay zero.
    BmpSpec spec{.width = 8, .height = 2, .bitsPerPixel = 8, .compression = 1, .coloursUsedField = 1};
    spec.colourTable = {0xABCDEF};
    spec.pixels = {255, 0, 0, 0, 0, 2, 1, 0, 0, 200, 5, 0};
    const Bitmap& bitmap = Load(BuildBmp(spec));
    ASSERT_EQ(bitmap.BitsPerPixel(), 0);
    for (int x = 0; x < 8; ++x) {
        ExpectPixel(bitmap.PixelRow(1), x, 0xABCDEF);
    }
    const auto top = bitmap.PixelRow(0);
    ExpectPixel(top, 0, 0, 0);
    ExpectPixel(top, 1, 0x000000);
    ExpectPixel(top, 2, 0xABCDEF);
    for (int x = 3; x < 8; ++x) {
        ExpectPixel(top, x, 0, 0);
    }
}

TEST_F(BmpReaderTest, OutOfMemoryIsReportedWithTheSystemError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#endif
#endif
    // 16000 x 16000 x 3 bytes is below the raster store's limit, but not
    // available under a 256 MiB address-space cap above what is in use now.
    BmpSpec spec{.width = 16000, .height = 16000, .bitsPerPixel = 24};
    const std::string path = dir_.Write("big.bmp", BuildBmp(spec));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    size_t inUse = 0;
    {
        std::ifstream statm("/proc/self/statm");
        statm >> inUse;
        inUse *= static_cast<size_t>(sysconf(_SC_PAGESIZE));
    }
    rlimit capped = old;
    capped.rlim_cur = inUse + (size_t{256} << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    const std::string error = LoadError(picture_, path);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &old), 0);
    EXPECT_EQ(error, std::string("System Error.  Code: ") + std::to_string(ENOMEM) + ".\r\n" + std::strerror(ENOMEM));
    EXPECT_EQ(picture_.Kind(), PictureKind::Empty);
}

// Refused files: each row breaks one thing in an otherwise good 2 x 2 file.
struct RefusalCase {
    const char* name;
    void (*change)(BmpSpec&);
    const char* message;
};

class BmpRefusalTest : public BmpReaderTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(BmpRefusalTest, FailsWithItsMessageAndKeepsThePicture) {
    BmpSpec spec = TwoByTwoSpec();
    GetParam().change(spec);
    EXPECT_EQ(Error(BuildBmp(spec)), GetParam().message);
    EXPECT_EQ(picture_.Kind(), PictureKind::Empty);
}

const char* const kInvalid = "Bitmap image is not valid";
const char* const kStream = "Stream read error";

INSTANTIATE_TEST_SUITE_P(
    Files, BmpRefusalTest,
    testing::Values(
        RefusalCase{"TenBytes", [](BmpSpec& s) { s.truncateTo = 10; }, kStream},
        RefusalCase{"FileHeaderOnly", [](BmpSpec& s) { s.truncateTo = 14; }, kStream},
        RefusalCase{"NotBM", [](BmpSpec& s) { s.magic = {'M', 'B'}; }, kInvalid},
        RefusalCase{"EndsInsideInfoHeader", [](BmpSpec& s) { s.truncateTo = 40; }, kStream},
        RefusalCase{"EndsInsideCoreHeader", [](BmpSpec& s) { s.headerSize = 12; s.truncateTo = 22; }, kStream},
        RefusalCase{"EndsInsideV5Header", [](BmpSpec& s) { s.headerSize = 124; s.truncateTo = 100; }, kStream},
        RefusalCase{"HeaderSize13", [](BmpSpec& s) { s.headerSize = 13; }, kInvalid},
        RefusalCase{"HeaderSize39", [](BmpSpec& s) { s.headerSize = 39; }, kInvalid},
        RefusalCase{"HeaderSize11", [](BmpSpec& s) { s.headerSize = 11; }, kInvalid},
        RefusalCase{"TwoPlanes", [](BmpSpec& s) { s.planes = 2; }, kInvalid},
        RefusalCase{"MasksCutShort",
                    [](BmpSpec& s) {
                        s.bitsPerPixel = 32;
                        s.compression = 3;
                        s.masks = std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
                        s.pixels.clear();
                        s.truncateTo = 54 + 8;
                    },
                    kStream},
        RefusalCase{"ColourTableCutShort",
                    [](BmpSpec& s) {
                        s.bitsPerPixel = 8;
                        s.colourTable.resize(256);
                        s.pixels.clear();
                        s.truncateTo = 54 + 1000;
                    },
                    kStream},
        RefusalCase{"HugeColoursUsed", [](BmpSpec& s) { s.coloursUsedField = 0xFFFFFFFF; }, kStream},
        RefusalCase{"OffsetIntoHeader", [](BmpSpec& s) { s.offsetField = 30; }, kInvalid},
        RefusalCase{"OffsetIntoTable",
                    [](BmpSpec& s) {
                        s.bitsPerPixel = 1;
                        s.colourTable = {0, 0xFFFFFF};
                        s.offsetField = 58;
                    },
                    kInvalid},
        RefusalCase{"OffsetIntoMasks",
                    [](BmpSpec& s) {
                        s.bitsPerPixel = 32;
                        s.compression = 3;
                        s.masks = std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
                        s.offsetField = 60;
                    },
                    kInvalid},
        RefusalCase{"Compression4", [](BmpSpec& s) { s.compression = 4; }, kInvalid},
        RefusalCase{"Compression6", [](BmpSpec& s) { s.compression = 6; }, kInvalid},
        RefusalCase{"BitFieldsAt24Bits", [](BmpSpec& s) { s.compression = 3; }, kInvalid},
        RefusalCase{"Rle8At24Bits", [](BmpSpec& s) { s.compression = 1; }, kInvalid},
        RefusalCase{"Rle4At8Bits",
                    [](BmpSpec& s) {
                        s.bitsPerPixel = 8;
                        s.compression = 2;
                        s.colourTable.resize(256);
                    },
                    kInvalid},
        RefusalCase{"RleTopDown",
                    [](BmpSpec& s) {
                        s.bitsPerPixel = 8;
                        s.compression = 1;
                        s.height = -2;
                        s.colourTable.resize(256);
                        s.pixels = {0, 1};
                    },
                    kInvalid},
        RefusalCase{"TwoBitsPerPixel", [](BmpSpec& s) { s.bitsPerPixel = 2; s.colourTable.resize(4); }, kInvalid},
        RefusalCase{"ZeroBitsPerPixel", [](BmpSpec& s) { s.bitsPerPixel = 0; }, kInvalid},
        RefusalCase{"SixtyFourBitsPerPixel", [](BmpSpec& s) { s.bitsPerPixel = 64; }, kInvalid},
        RefusalCase{"ZeroWidth", [](BmpSpec& s) { s.width = 0; }, kInvalid},
        RefusalCase{"NegativeWidth", [](BmpSpec& s) { s.width = -2; }, kInvalid},
        RefusalCase{"ZeroHeight", [](BmpSpec& s) { s.height = 0; }, kInvalid},
        RefusalCase{"MostNegativeHeight", [](BmpSpec& s) { s.height = INT32_MIN; }, kInvalid},
        RefusalCase{"CoreHeaderZeroWidth", [](BmpSpec& s) { s.headerSize = 12; s.width = 0; }, kInvalid},
        RefusalCase{"HundredThousandSquared",
                    [](BmpSpec& s) {
                        s.width = 100000;
                        s.height = 100000;
                        s.pixels.clear();
                    },
                    kInvalid},
        RefusalCase{"WidestRowTimesHeight",
                    [](BmpSpec& s) {
                        s.width = INT32_MAX;
                        s.height = INT32_MAX;
                        s.bitsPerPixel = 32;
                        s.pixels.clear();
                    },
                    kInvalid}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(BmpReaderTest, HeaderSizeFieldOutOfReason) {
    std::vector<uint8_t> file = BuildBmp(TwoByTwoSpec());
    for (uint32_t size : {0u, 41u, 4096u, 0xFFFFFFFFu}) {
        for (int i = 0; i < 4; ++i) {
            file[14 + i] = static_cast<uint8_t>(size >> (8 * i));
        }
        // 0 is no header; a 41-byte header fits the 70-byte file, but then
        // the offset (54) points into it; the others run past the end.
        EXPECT_EQ(Error(file), size <= 41u ? kInvalid : kStream) << size;
    }
}

TEST_F(BmpReaderTest, JpegBytesNamedBmpAreNotAValidBitmap) {
    EXPECT_EQ(Error({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}), kInvalid);
}

}  // namespace
