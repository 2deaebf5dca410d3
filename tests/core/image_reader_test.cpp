// ReadImage: exact samples of generated files of every format, depth and
// layout; 16-bit samples and PNM maxvals kept; refusals and limits with
// messages naming the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_builder.h"
#include "error.h"
#include "image_encoders.h"
#include "image_reader.h"
#include "scratch_dir.h"

namespace {

namespace enc = image_encoders;

std::string ErrorOf(const std::vector<uint8_t>& bytes, const std::string& extension, const ImageLimits& limits = {}) {
    try {
        ReadImage(bytes, extension, "in/file." + extension, limits);
    } catch (const CitraError& e) {
        return e.what();
    }
    return "";
}

struct Expected {
    ChannelLayout layout;
    int bitDepth;
    uint32_t peak;
    std::vector<uint8_t> samples8;
    std::vector<uint16_t> samples16;
};

void ExpectImage(const Image& image, int32_t width, int32_t height, const Expected& want) {
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.layout, want.layout);
    EXPECT_EQ(image.bitDepth, want.bitDepth);
    EXPECT_EQ(image.peak, want.peak);
    EXPECT_EQ(image.samples8, want.samples8);
    EXPECT_EQ(image.samples16, want.samples16);
}

// ---- PNG

struct PngCase {
    const char* name;
    uint8_t colourType;
    uint8_t bitDepth;
    uint32_t width, height;
    std::vector<uint8_t> rows;
    std::vector<uint8_t> palette, trns;
    Expected want;
};

std::vector<PngCase> PngCases() {
    const auto ramp = enc::Ramp(2 * 3 * 4);
    const auto ramp16 = enc::Ramp16(2 * 3 * 4);
    auto take = [](const std::vector<uint8_t>& v, size_t n) { return std::vector<uint8_t>(v.begin(), v.begin() + n); };
    auto take16 = [](const std::vector<uint16_t>& v, size_t n) {
        return std::vector<uint16_t>(v.begin(), v.begin() + n);
    };
    using L = ChannelLayout;
    return {
        // Sub-byte grey is scaled to 0..255; rows start on a byte.
        {"grey1", 0, 1, 3, 2, {0b10100000, 0b01000000}, {}, {}, {L::Grey, 8, 255, {255, 0, 255, 0, 255, 0}, {}}},
        {"grey2", 0, 2, 4, 1, {0b00011011}, {}, {}, {L::Grey, 8, 255, {0, 85, 170, 255}, {}}},
        {"grey4", 0, 4, 3, 1, {0x5F, 0x70}, {}, {}, {L::Grey, 8, 255, {85, 255, 119}, {}}},
        {"grey8", 0, 8, 3, 2, take(ramp, 6), {}, {}, {L::Grey, 8, 255, take(ramp, 6), {}}},
        {"grey16", 0, 16, 3, 2, enc::HostBytes(take16(ramp16, 6)), {}, {}, {L::Grey, 16, 65535, {}, take16(ramp16, 6)}},
        {"greyalpha8", 4, 8, 3, 2, take(ramp, 12), {}, {}, {L::GreyAlpha, 8, 255, take(ramp, 12), {}}},
        {"greyalpha16", 4, 16, 3, 2, enc::HostBytes(take16(ramp16, 12)), {}, {},
         {L::GreyAlpha, 16, 65535, {}, take16(ramp16, 12)}},
        {"rgb8", 2, 8, 3, 2, take(ramp, 18), {}, {}, {L::Rgb, 8, 255, take(ramp, 18), {}}},
        {"rgb16", 2, 16, 3, 2, enc::HostBytes(take16(ramp16, 18)), {}, {}, {L::Rgb, 16, 65535, {}, take16(ramp16, 18)}},
        {"rgba8", 6, 8, 3, 2, take(ramp, 24), {}, {}, {L::Rgba, 8, 255, take(ramp, 24), {}}},
        {"rgba16", 6, 16, 3, 2, enc::HostBytes(ramp16), {}, {}, {L::Rgba, 16, 65535, {}, ramp16}},
        {"palette2", 3, 2, 3, 1, {0b10000100}, {1, 2, 3, 40, 50, 60, 70, 80, 90}, {},
         {L::Rgb, 8, 255, {70, 80, 90, 1, 2, 3, 40, 50, 60}, {}}},
        // Entries beyond the tRNS chunk are opaque.
        {"palette8trns", 3, 8, 3, 1, {1, 0, 2}, {1, 2, 3, 40, 50, 60, 70, 80, 90}, {0, 128},
         {L::Rgba, 8, 255, {40, 50, 60, 128, 1, 2, 3, 0, 70, 80, 90, 255}, {}}},
    };
}

class PngDecode : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngDecode, GivesTheStoredSamples) {
    const PngCase& c = GetParam();
    const auto bytes = enc::Png(c.width, c.height, c.colourType, c.bitDepth, c.rows, c.palette, c.trns);
    ExpectImage(ReadImage(bytes, "png", "x.png"), c.width, c.height, c.want);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PngDecode, ::testing::ValuesIn(PngCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- TIFF

struct TiffCase {
    const char* name;
    enc::TiffShape shape;
    ChannelLayout layout;
};

std::vector<TiffCase> TiffCases() {
    using L = ChannelLayout;
    std::vector<TiffCase> cases;
    const struct {
        const char* name;
        uint16_t spp;
        uint16_t photometric;
        L layout;
    } kinds[] = {{"grey", 1, PHOTOMETRIC_MINISBLACK, L::Grey},
                 {"greyalpha", 2, PHOTOMETRIC_MINISBLACK, L::GreyAlpha},
                 {"rgb", 3, PHOTOMETRIC_RGB, L::Rgb},
                 {"rgba", 4, PHOTOMETRIC_RGB, L::Rgba}};
    const struct {
        const char* name;
        uint16_t compression;
    } codecs[] = {{"none", COMPRESSION_NONE},
                  {"lzw", COMPRESSION_LZW},
                  {"deflate", COMPRESSION_ADOBE_DEFLATE},
                  {"packbits", COMPRESSION_PACKBITS}};
    static std::vector<std::string> names;  // the names outlive the cases
    names.reserve(64);
    for (const auto& kind : kinds) {
        for (uint16_t bits : {8, 16}) {
            for (const auto& codec : codecs) {
                for (bool tiled : {false, true}) {
                    enc::TiffShape shape;
                    shape.width = tiled ? 21 : 5;  // tiles cut at the right and bottom edges
                    shape.height = tiled ? 18 : 3;
                    shape.samplesPerPixel = kind.spp;
                    shape.bits = bits;
                    shape.photometric = kind.photometric;
                    shape.compression = codec.compression;
                    shape.rowsPerStrip = 2;
                    shape.tile = tiled ? 16 : 0;
                    names.push_back(std::string(kind.name) + std::to_string(bits) + "_" + codec.name +
                                    (tiled ? "_tiles" : "_strips"));
                    cases.push_back({names.back().c_str(), shape, kind.layout});
                }
            }
        }
    }
    return cases;
}

class TiffDecode : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffDecode, GivesTheStoredSamples) {
    const TiffCase& c = GetParam();
    const size_t count = size_t{c.shape.width} * c.shape.height * c.shape.samplesPerPixel;
    Expected want{c.layout, c.shape.bits, c.shape.bits == 16 ? 65535u : 255u, {}, {}};
    std::vector<uint8_t> raw;
    if (c.shape.bits == 16) {
        want.samples16 = enc::Ramp16(count);
        raw = enc::HostBytes(want.samples16);
    } else {
        want.samples8 = enc::Ramp(count);
        raw = want.samples8;
    }
    ExpectImage(ReadImage(enc::Tiff(c.shape, raw), "tif", "x.tif"), c.shape.width, c.shape.height, want);
}

INSTANTIATE_TEST_SUITE_P(Layouts, TiffDecode, ::testing::ValuesIn(TiffCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TiffDecode, MinIsWhiteGreyIsInvertedAndItsAlphaKept) {
    enc::TiffShape shape;
    shape.width = 2;
    shape.height = 1;
    shape.samplesPerPixel = 2;
    shape.photometric = PHOTOMETRIC_MINISWHITE;
    const Image eight = ReadImage(enc::Tiff(shape, {0, 10, 200, 255}), "tiff", "w.tiff");
    EXPECT_EQ(eight.samples8, (std::vector<uint8_t>{255, 10, 55, 255}));
    shape.bits = 16;
    const Image sixteen = ReadImage(enc::Tiff(shape, enc::HostBytes({0, 10, 60000, 65535})), "tiff", "w.tiff");
    EXPECT_EQ(sixteen.samples16, (std::vector<uint16_t>{65535, 10, 5535, 65535}));
}

TEST(TiffDecode, RefusesWhatItDoesNotTakeWithAMessage) {
    enc::TiffShape floats;
    floats.bits = 32;
    floats.sampleFormat = SAMPLEFORMAT_IEEEFP;
    enc::TiffShape palette;
    palette.photometric = PHOTOMETRIC_SEPARATED;  // CMYK
    palette.samplesPerPixel = 4;
    enc::TiffShape twoBits;
    twoBits.bits = 2;
    twoBits.width = 4;
    EXPECT_EQ(ErrorOf(enc::Tiff(floats, std::vector<uint8_t>(4)), "tif"),
              "in/file.tif: TIFF sample format 3 is not supported (unsigned only)");
    EXPECT_EQ(ErrorOf(enc::Tiff(palette, std::vector<uint8_t>(4)), "tif"),
              "in/file.tif: TIFF photometric 5 with 4 samples per pixel is not supported");
    EXPECT_EQ(ErrorOf(enc::Tiff(twoBits, std::vector<uint8_t>(1)), "tif"),
              "in/file.tif: TIFF with 2 bits per sample is not supported (8 or 16 only)");
    EXPECT_EQ(ErrorOf({'I', 'I', 42, 0, 1, 2}, "tif"), "in/file.tif: TIFF error: Cannot read TIFF header");
    // libtiff's text names its input; the message names the file once.
    EXPECT_EQ(ErrorOf({'I', 'I', 42, 0, 8, 0, 0, 0}, "tif"),
              "in/file.tif: TIFF error: Can not read TIFF directory count");
}

// A second page would be ignored: two files whose later pages differ
// would compare identical. One page reads, two or three are refused.
TEST(TiffDecode, AFileOfSeveralPagesIsRefusedNamingTheCount) {
    enc::TiffShape shape;
    shape.width = 2;
    const std::vector<uint8_t> samples{3, 4};
    EXPECT_EQ(ReadImage(enc::Tiff(shape, samples), "tif", "in/file.tif").samples8, samples);
    for (int pages : {2, 3}) {
        shape.pages = pages;
        EXPECT_EQ(ErrorOf(enc::Tiff(shape, samples), "tif"),
                  "in/file.tif: TIFF with " + std::to_string(pages) + " pages: only single-page files are read");
    }
}

// ---- JPEG

TEST(JpegDecode, GreyAndColourComeCloseToWhatWasEncoded) {
    for (int components : {1, 3}) {
        for (bool progressive : {false, true}) {
            std::vector<uint8_t> samples(24 * 16 * components);
            for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(100 + (i / components) % 24);
            const Image image = ReadImage(enc::Jpeg(24, 16, components, samples, 95, progressive), "JPG", "x.JPG");
            EXPECT_EQ(image.width, 24);
            EXPECT_EQ(image.height, 16);
            EXPECT_EQ(image.layout, components == 1 ? ChannelLayout::Grey : ChannelLayout::Rgb);
            ASSERT_EQ(image.samples8.size(), samples.size());
            for (size_t i = 0; i < samples.size(); ++i) ASSERT_NEAR(image.samples8[i], samples[i], 6) << i;
        }
    }
}

TEST(JpegDecode, RefusesCmykAndFilesCutShort) {
    const std::vector<uint8_t> cmyk = enc::Jpeg(8, 8, 4, std::vector<uint8_t>(8 * 8 * 4, 9));
    EXPECT_EQ(ErrorOf(cmyk, "jpg"), "in/file.jpg: CMYK JPEG is not supported");

    auto grey = enc::Jpeg(32, 32, 1, enc::Ramp(32 * 32));
    grey.resize(grey.size() * 2 / 3);
    EXPECT_EQ(ErrorOf(grey, "jpg"), "in/file.jpg: JPEG error: Premature end of JPEG file");
    EXPECT_EQ(ErrorOf({0xFF, 0xD8, 0xFF, 0xFF}, "jpg").rfind("in/file.jpg: JPEG error: ", 0), 0u);
}

// Cut short, then closed with an end marker: libjpeg only warns and fills
// the rest; the warning is the file's error.
TEST(JpegDecode, CorruptDataBeforeAnEndMarkerIsAnError) {
    for (bool progressive : {false, true}) {
        auto file = enc::Jpeg(32, 32, 3, enc::Ramp(32 * 32 * 3), 90, progressive);
        ASSERT_NO_THROW(ReadImage(file, "jpg", "whole.jpg"));
        file.resize(file.size() * 2 / 3);
        file.insert(file.end(), {0xFF, 0xD9});
        EXPECT_EQ(ErrorOf(file, "jpg").rfind("in/file.jpg: JPEG error: Corrupt JPEG data", 0), 0u)
            << ErrorOf(file, "jpg");
    }
}

// ---- PNM

struct PnmCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t width, height;
    Expected want;
};

std::vector<PnmCase> PnmCases() {
    using L = ChannelLayout;
    return {
        {"plainGrey", enc::Pnm("P2\n# comment\n3 1 # more\n9\n0 4\n9"), 3, 1, {L::Grey, 8, 9, {0, 4, 9}, {}}},
        {"plainColour", enc::Pnm("P3 1 2 255 1 2 3\n4 5 6\n"), 1, 2, {L::Rgb, 8, 255, {1, 2, 3, 4, 5, 6}, {}}},
        {"rawGreyMaxval1", enc::Pnm("P5 2 1 1\n", {1, 0}), 2, 1, {L::Grey, 8, 1, {1, 0}, {}}},
        {"rawGrey255", enc::Pnm("P5\n2 2\n255\n", {0, 128, 255, 7}), 2, 2, {L::Grey, 8, 255, {0, 128, 255, 7}, {}}},
        // Above 255: two bytes a sample, most significant first, never rescaled.
        {"rawGrey256", enc::Pnm("P5 2 1 256\n", {1, 0, 0, 255}), 2, 1, {L::Grey, 16, 256, {}, {256, 255}}},
        {"rawColour16", enc::Pnm("P6 1 1 65535\n", {0xFF, 0xFF, 0x12, 0x34, 0, 1}), 1, 1,
         {L::Rgb, 16, 65535, {}, {65535, 0x1234, 1}}},
        {"plainGrey16", enc::Pnm("P2 2 1 1000 1000 999"), 2, 1, {L::Grey, 16, 1000, {}, {1000, 999}}},
        {"plainBits", enc::Pnm("P1\n3 2\n1 0 1\n010"), 3, 2, {L::Grey, 8, 255, {0, 255, 0, 255, 0, 255}, {}}},
        {"rawBits", enc::Pnm("P4 10 2\n", {0b10000000, 0b01000000, 0xFF, 0xC0}), 10, 2,
         {L::Grey, 8, 255, {0, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}}},
    };
}

class PnmDecode : public ::testing::TestWithParam<PnmCase> {};

TEST_P(PnmDecode, KeepsSamplesAndMaxval) {
    const PnmCase& c = GetParam();
    ExpectImage(ReadImage(c.bytes, "pnm", "x.pnm"), c.width, c.height, c.want);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PnmDecode, ::testing::ValuesIn(PnmCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct PnmErrorCase {
    const char* name;
    std::string bytes;
    std::string message;  // after "in/file.pgm: "
};

class PnmRefusal : public ::testing::TestWithParam<PnmErrorCase> {};

TEST_P(PnmRefusal, NamesTheFault) {
    const PnmErrorCase& c = GetParam();
    EXPECT_EQ(ErrorOf(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()), "pgm"), "in/file.pgm: " + c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PnmRefusal,
    ::testing::Values(PnmErrorCase{"magic", "P7 1 1 255\n", "not a PNM file (bad magic number)"},
                      PnmErrorCase{"notP", "BM", "not a PNM file (bad magic number)"},
                      PnmErrorCase{"badWidth", "P5 x 1 255\n", "bad number for the width at byte 3"},
                      PnmErrorCase{"signInHeight", "P5 1 -1 255\n", "bad number for the height at byte 5"},
                      PnmErrorCase{"hugeNumber", "P5 99999999999 1 255\n", "number for the width is too large"},
                      PnmErrorCase{"zeroWidth", "P5 0 1 255\n", "image has no pixels (0 x 1)"},
                      PnmErrorCase{"maxvalZero", "P5 1 1 0\n", "maxval 0 is outside 1..65535"},
                      PnmErrorCase{"maxvalTooBig", "P2 1 1 65536\n0", "maxval 65536 is outside 1..65535"},
                      PnmErrorCase{"plainAboveMaxval", "P2 2 1 7 7 8", "sample 1 is 8, above maxval 7"},
                      PnmErrorCase{"rawAboveMaxval", std::string("P5 2 1 100\n\x05\x65", 13),
                                   "sample 1 is 101, above maxval 100"},
                      PnmErrorCase{"raw16AboveMaxval", std::string("P5 1 1 300\n\x01\x2D", 13),
                                   "sample 0 is 301, above maxval 300"},
                      PnmErrorCase{"headerCut", "P5 2 2", "file cut short before the maxval"},
                      PnmErrorCase{"noSeparator", "P5 1 1 255", "file cut short in the header"},
                      PnmErrorCase{"rawCut", "P5 2 2 255\nabc",
                                   "file cut short: 3 of 4 samples present (holds 3 bytes of samples, needs 4)"},
                      PnmErrorCase{"raw16Cut", "P5 2 1 1000\nabc",
                                   "file cut short: 1 of 2 samples present (holds 3 bytes of samples, needs 4)"},
                      PnmErrorCase{"plainCut", "P2 2 2 255 1 2\n",
                                   "file cut short: 2 of 4 samples present (holds 5 bytes of samples, needs at least 8)"},
                      PnmErrorCase{"plainBadSample", "P2 2 1 255 1 x", "bad number for the sample at byte 13"},
                      PnmErrorCase{"bitsCut", "P4 9 2\nab",
                                   "file cut short: 9 of 18 samples present (holds 2 bytes of samples, needs 4)"},
                      PnmErrorCase{"bitsBadPixel", "P1 2 1 12", "bad PBM pixel at byte 8"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- BMP

TEST(BmpDecode, TwentyFourBitGivesTheFileBytesAsRgbTopDown) {
    for (int32_t height : {3, -3}) {
        bmp_builder::BmpSpec shape;
        shape.width = 5;
        shape.height = height;
        shape.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(shape));
        const Image image = ReadImage(bmp_builder::BuildBmp(shape), "BMP", "x.BMP");
        ASSERT_EQ(image.samples8.size(), 45u);
        const size_t stride = bmp_builder::Stride(5, 24);
        for (int32_t y = 0; y < 3; ++y) {
            const size_t fileRow = height > 0 ? 2 - y : y;
            for (int x = 0; x < 5; ++x) {
                for (int c = 0; c < 3; ++c) {
                    EXPECT_EQ(image.samples8[(y * 5 + x) * 3 + c], shape.pixels[fileRow * stride + x * 3 + 2 - c]);
                }
            }
        }
    }
}

struct BmpCase {
    const char* name;
    bmp_builder::BmpSpec shape;
    uint32_t alphaMask;  // written into a V5 header when set
    Expected want;
};

std::vector<BmpCase> BmpCases() {
    using L = ChannelLayout;
    auto shape = [](int32_t width, uint16_t bits, std::vector<uint8_t> pixels) {
        bmp_builder::BmpSpec s;
        s.width = width;
        s.bitsPerPixel = bits;
        s.pixels = std::move(pixels);
        return s;
    };
    std::vector<BmpCase> cases;
    {
        auto s = shape(3, 1, {0b10100000, 0, 0, 0});
        s.colourTable = {0x000A0B0C, 0x00F0E0D0};
        cases.push_back({"pal1", s, 0, {L::Rgb, 8, 255, {0xF0, 0xE0, 0xD0, 0x0A, 0x0B, 0x0C, 0xF0, 0xE0, 0xD0}, {}}});
    }
    {
        // Index 3 is past the two-entry table: black.
        auto s = shape(2, 4, {0x13, 0, 0, 0});
        s.colourTable = {0x00010203, 0x00040506};
        s.coloursUsedField = 2;
        cases.push_back({"pal4", s, 0, {L::Rgb, 8, 255, {4, 5, 6, 0, 0, 0}, {}}});
    }
    {
        auto s = shape(2, 8, {2, 0, 0, 0});
        s.colourTable = {0x00112233, 0x00445566, 0x00778899};
        s.coloursUsedField = 3;
        cases.push_back({"pal8", s, 0, {L::Rgb, 8, 255, {0x77, 0x88, 0x99, 0x11, 0x22, 0x33}, {}}});
    }
    // 5-5-5 by default: 5-bit values scaled with rounding (3 -> 24.7 -> 25,
    // 26 -> 213.9 -> 214).
    cases.push_back({"rgb16default", shape(2, 16, {0x43, 0x0F, 0xFF, 0x7F}), 0,
                     {L::Rgb, 8, 255, {25, 214, 25, 255, 255, 255}, {}}});
    {
        // 0x0F43 = 00001 111010 00011 in 5-6-5.
        auto s = shape(1, 16, {0x43, 0x0F, 0, 0});
        s.compression = 3;
        s.masks = std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F};
        cases.push_back({"rgb16bitfields565", s, 0, {L::Rgb, 8, 255, {8, 235, 25}, {}}});
    }
    cases.push_back({"rgb32default", shape(1, 32, {1, 2, 3, 4}), 0, {L::Rgb, 8, 255, {3, 2, 1}, {}}});
    {
        // 10-bit fields (red 512 -> 127.6 -> 128), alpha in the top two bits.
        auto s = shape(1, 32, {0xFF, 0x03, 0x00, 0xA0});
        s.compression = 3;
        s.headerSize = 124;
        s.masks = std::array<uint32_t, 3>{0x3FF00000, 0x000FFC00, 0x000003FF};
        cases.push_back({"rgba32v5", s, 0xC0000000u, {L::Rgba, 8, 255, {128, 0, 255, 170}, {}}});
    }
    {
        // Run-length 8-bit: a run of two of index 1, end of bitmap.
        auto s = shape(2, 8, {2, 1, 0, 1});
        s.compression = 1;
        s.colourTable = {0x00000000, 0x00ABCDEF};
        s.coloursUsedField = 2;
        cases.push_back({"rle8", s, 0, {L::Rgb, 8, 255, {0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF}, {}}});
    }
    return cases;
}

class BmpDecode : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpDecode, GivesRgbSamples) {
    const BmpCase& c = GetParam();
    std::vector<uint8_t> bytes = bmp_builder::BuildBmp(c.shape);
    if (c.alphaMask != 0) bmp_builder::detail::Put32(bytes, 14 + 52, c.alphaMask);
    ExpectImage(ReadImage(bytes, "bmp", "x.bmp"), c.shape.width, 1, c.want);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpDecode, ::testing::ValuesIn(BmpCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpDecode, ReaderMessagesNameTheFile) {
    EXPECT_EQ(ErrorOf(std::vector<uint8_t>(60, 'X'), "bmp"), "in/file.bmp: Bitmap image is not valid");
    bmp_builder::BmpSpec shape;
    shape.headerSize = 124;
    shape.truncateTo = 60;
    EXPECT_EQ(ErrorOf(bmp_builder::BuildBmp(shape), "bmp"), "in/file.bmp: Stream read error");
}

// ---- What every format shares

struct SampleFile {
    const char* extension;
    std::vector<uint8_t> bytes;  // a 4 x 3 RGB picture
};

std::vector<SampleFile> SampleFiles() {
    const auto rgb = enc::Ramp(4 * 3 * 3);
    enc::TiffShape tiff;
    tiff.width = 4;
    tiff.height = 3;
    tiff.samplesPerPixel = 3;
    tiff.photometric = PHOTOMETRIC_RGB;
    tiff.compression = COMPRESSION_LZW;
    bmp_builder::BmpSpec bmp;
    bmp.width = 4;
    bmp.height = 3;
    bmp.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(bmp));
    return {{"bmp", bmp_builder::BuildBmp(bmp)},
            {"png", enc::Png(4, 3, 2, 8, rgb)},
            {"ppm", enc::Pnm("P6 4 3 255\n", rgb)},
            {"tiff", enc::Tiff(tiff, rgb)},
            {"jpeg", enc::Jpeg(4, 3, 3, rgb)}};
}

class EveryFormat : public ::testing::TestWithParam<SampleFile> {};

TEST_P(EveryFormat, RefusesSizesAboveTheLimitsBeforeDecoding) {
    const SampleFile& f = GetParam();
    const std::string name = "in/file." + std::string(f.extension) + ": ";
    ASSERT_EQ(ErrorOf(f.bytes, f.extension), "");
    ImageLimits narrow;
    narrow.maxWidth = 3;
    ImageLimits low;
    low.maxHeight = 2;
    ImageLimits small;
    small.maxSampleBytes = 35;
    EXPECT_EQ(ErrorOf(f.bytes, f.extension, narrow), name + "image size 4 x 3 is above the limit of 3 x 65536");
    EXPECT_EQ(ErrorOf(f.bytes, f.extension, low), name + "image size 4 x 3 is above the limit of 65536 x 2");
    EXPECT_EQ(ErrorOf(f.bytes, f.extension, small), name + "decoded image needs 36 bytes, above the limit of 35");
    small.maxSampleBytes = 36;
    EXPECT_EQ(ErrorOf(f.bytes, f.extension, small), "");
}

TEST_P(EveryFormat, EveryCutShortFileIsRefusedNamingIt) {
    const SampleFile& f = GetParam();
    const std::string prefix = "in/file." + std::string(f.extension) + ": ";
    for (size_t size = 1; size < f.bytes.size(); size += 1 + size / 8) {
        const std::vector<uint8_t> cut(f.bytes.begin(), f.bytes.begin() + size);
        const std::string error = ErrorOf(cut, f.extension);
        // A BMP cut inside its pixels is read with the missing rows zero,
        // as the bitmap reader does.
        if (std::string(f.extension) == "bmp" && size >= 54) continue;
        EXPECT_EQ(error.rfind(prefix, 0), 0u) << size << ": " << error;
        EXPECT_GT(error.size(), prefix.size()) << size;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat, ::testing::ValuesIn(SampleFiles()),
                         [](const auto& info) { return std::string(info.param.extension); });

TEST(ReadImageDispatch, ChoosesByExtensionInAnyCaseAndNamesTheFileInEveryMessage) {
    ScratchDir dir;
    const auto png = enc::Png(2, 1, 0, 8, {3, 4});
    const std::string path = dir.Write("a.PnG", png);
    const Image image = ReadImage(path);
    EXPECT_EQ(image.samples8, (std::vector<uint8_t>{3, 4}));
    EXPECT_EQ(ReadImage(png, "Png", "p").samples8, image.samples8);

    auto errorOfPath = [](const std::string& p) -> std::string {
        try {
            ReadImage(p);
        } catch (const CitraError& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(errorOfPath(dir.Write("b.gif", png)), dir.Path("b.gif") + ": unsupported file extension (.gif)");
    EXPECT_EQ(errorOfPath(dir.Path("noextension")), dir.Path("noextension") + ": unsupported file extension (.)");
    EXPECT_EQ(errorOfPath(dir.Write("e.tif", {})), dir.Path("e.tif") + ": file is empty");
    const std::string missing = errorOfPath(dir.Path("missing.jpg"));
    EXPECT_EQ(missing.rfind(dir.Path("missing.jpg") + ": Cannot open file", 0), 0u) << missing;
    // A PNG under another extension goes to that extension's decoder.
    EXPECT_EQ(ErrorOf(png, "ppm"), "in/file.ppm: not a PNM file (bad magic number)");
    EXPECT_EQ(ErrorOf(png, "bmp"), "in/file.bmp: Bitmap image is not valid");
}

}  // namespace
