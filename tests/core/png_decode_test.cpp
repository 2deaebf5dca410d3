// ReadImage on PNG files an encoder would not write: colour keys (tRNS) on
// every colour type, image data too short for the header, chunks the
// decoder must skip without inflating or keeping them, checksums, and the
// broken files of the PNG suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "error.h"
#include "image_reader.h"
#include "png_builder.h"
#include "png_chunks.h"

namespace {

namespace pb = png_builder;
using pb::Bytes;

struct Outcome {
    std::string error;  // empty: decoded
    ErrorKind kind = ErrorKind::Decode;
    Image image;
};

Outcome Decode(const Bytes& file, const ImageLimits& limits = {}) {
    Outcome out;
    try {
        out.image = ReadImage(file, "png", "in/file.png", limits);
    } catch (const CitraError& e) {
        out.error = e.what();
        out.kind = e.Kind();
    }
    return out;
}

// ---- Colour keys

struct KeyCase {
    const char* name;
    uint8_t colourType, bitDepth;
    uint32_t width;
    Bytes row;   // one row, packed as stored
    Bytes trns;  // the tRNS chunk's data
    ChannelLayout layout;
    std::vector<uint8_t> samples8;
    std::vector<uint16_t> samples16;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

std::vector<KeyCase> KeyCases() {
    using L = ChannelLayout;
    const Bytes rgb16 = pb::Be16({0x0102, 0x0304, 0x0506, 0x0102, 0x0304, 0x0507});
    return {
        // Sub-byte grey: the key is compared with the stored sample, then
        // the sample is scaled (1 -> 255, 2 bits: 1 -> 85).
        {"Grey1", 0, 1, 3, {0b10100000}, {0, 1}, L::GreyAlpha, {255, 0, 0, 255, 255, 0}, {}},
        {"Grey2", 0, 2, 4, {0b00011011}, {0, 1}, L::GreyAlpha, {0, 255, 85, 0, 170, 255, 255, 255}, {}},
        // 15 is the stored value of the scaled 255, not a scaled value.
        {"Grey4StoredValue", 0, 4, 3, {0x0F, 0x70}, {0, 15}, L::GreyAlpha, {0, 255, 255, 0, 119, 255}, {}},
        // Only the key's low bit-depth bits count: 0x11 is 1 at 4 bits.
        {"Grey4KeyMasked", 0, 4, 2, {0x1F}, {0, 0x11}, L::GreyAlpha, {17, 0, 255, 255}, {}},
        {"Grey8", 0, 8, 3, {7, 8, 7}, {0, 7}, L::GreyAlpha, {7, 0, 8, 255, 7, 0}, {}},
        {"Grey8KeyMasked", 0, 8, 3, {7, 8, 7}, {1, 7}, L::GreyAlpha, {7, 0, 8, 255, 7, 0}, {}},
        {"Grey16", 0, 16, 2, pb::Be16({0x1234, 0x1235}), {0x12, 0x34}, L::GreyAlpha, {}, {0x1234, 0, 0x1235, 65535}},
        {"Rgb8", 2, 8, 3, {1, 2, 3, 1, 2, 4, 3, 2, 1}, {0, 1, 0, 2, 0, 3}, L::Rgba,
         {1, 2, 3, 0, 1, 2, 4, 255, 3, 2, 1, 255}, {}},
        {"Rgb8KeyMasked", 2, 8, 2, {1, 2, 3, 1, 2, 4}, {1, 1, 0, 2, 0, 3}, L::Rgba, {1, 2, 3, 0, 1, 2, 4, 255}, {}},
        // 16 bits compared whole: the second pixel differs in a low byte.
        {"Rgb16", 2, 16, 2, rgb16, {1, 2, 3, 4, 5, 6}, L::Rgba, {},
         {0x0102, 0x0304, 0x0506, 0, 0x0102, 0x0304, 0x0507, 65535}},
        // A tRNS chunk that does not fit the colour type is not used.
        {"Grey8KeyOfThreeBytes", 0, 8, 2, {7, 8}, {0, 7, 0}, L::Grey, {7, 8}, {}},
        {"GreyAlphaWithKey", 4, 8, 1, {5, 6}, {0, 5}, L::GreyAlpha, {5, 6}, {}},
        {"RgbaWithKey", 6, 8, 1, {1, 2, 3, 4}, {0, 1, 0, 2, 0, 3}, L::Rgba, {1, 2, 3, 4}, {}},
    };
}

class PngColourKey : public testing::TestWithParam<KeyCase> {};

TEST_P(PngColourKey, GivesAlphaZeroWhereAPixelEqualsTheKey) {
    const KeyCase& c = GetParam();
    const Bytes file = pb::File(pb::Ihdr(c.width, 1, c.bitDepth, c.colourType),
                                pb::Stored(pb::Unfiltered(c.row, c.row.size())), pb::Chunk("tRNS", c.trns));
    const Outcome out = Decode(file);
    ASSERT_EQ(out.error, "");
    EXPECT_EQ(out.image.layout, c.layout);
    EXPECT_EQ(out.image.bitDepth, c.bitDepth == 16 ? 16 : 8);
    EXPECT_EQ(out.image.peak, c.bitDepth == 16 ? 65535u : 255u);
    EXPECT_EQ(out.image.samples8, c.samples8);
    EXPECT_EQ(out.image.samples16, c.samples16);
}

INSTANTIATE_TEST_SUITE_P(Types, PngColourKey, testing::ValuesIn(KeyCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngColourKey, OnlyTheFirstKeyBeforeTheImageDataCounts) {
    const Bytes ihdr = pb::Ihdr(2, 1, 8, 0);
    const Bytes idat = pb::Stored({0, 7, 8});
    const Outcome two = Decode(pb::File(ihdr, idat, pb::Join({pb::Chunk("tRNS", {0, 8}), pb::Chunk("tRNS", {0, 7})})));
    ASSERT_EQ(two.error, "");
    EXPECT_EQ(two.image.samples8, (std::vector<uint8_t>{7, 255, 8, 0}));
    const Outcome after = Decode(pb::File(ihdr, idat, {}, pb::Chunk("tRNS", {0, 7})));
    ASSERT_EQ(after.error, "");
    EXPECT_EQ(after.image.layout, ChannelLayout::Grey);
    EXPECT_EQ(after.image.samples8, (std::vector<uint8_t>{7, 8}));
}

// ---- Image data too short for the header

// 69 bytes declaring 1 GiB of grey samples (within the default limits) over
// zlib's 12-byte stream of 100 zeros: refused before anything is allocated.
TEST(PngImageData, AHugeHeaderOverAFewBytesIsRefusedBeforeAllocating) {
    const Bytes file =
        pb::File(pb::Ihdr(65536, 16384, 8, 0), {0x78, 0x9C, 0x63, 0x60, 0xA0, 0x3D, 0x00, 0x00, 0x00, 0x64, 0x00, 0x01});
    ASSERT_EQ(file.size(), 69u);
    const Outcome out = Decode(file);
    // 16384 rows of 1 + 65536 bytes, over 1032 bytes a byte of data.
    EXPECT_EQ(out.error,
              "in/file.png: file cut short: PNG image data of 12 bytes cannot hold a 65536 x 16384 picture (it "
              "needs at least 1040464)");
    EXPECT_EQ(out.kind, ErrorKind::CutShort);
}

struct DataCase {
    const char* name;
    uint32_t width, height;
    uint8_t bitDepth, colourType, interlace;
};

void PrintTo(const DataCase& c, std::ostream* os) { *os << c.name; }

class PngImageDataBound : public testing::TestWithParam<DataCase> {
protected:
    // The header, a palette where it needs one, and the stream split over
    // two IDAT chunks (the bound counts them all).
    Bytes FileWith(const Bytes& stream) const {
        const DataCase& c = GetParam();
        const size_t half = stream.size() / 2;
        const Bytes idat = pb::Join({pb::Chunk("IDAT", Bytes(stream.begin(), stream.begin() + static_cast<long>(half))),
                                     pb::Chunk("IDAT", Bytes(stream.begin() + static_cast<long>(half), stream.end()))});
        const Bytes plte = c.colourType == 3 ? pb::Chunk("PLTE", {9, 8, 7}) : Bytes{};
        return pb::Join({pb::Signature(), pb::Ihdr(c.width, c.height, c.bitDepth, c.colourType, c.interlace), plte,
                         idat, pb::Iend()});
    }
};

TEST_P(PngImageDataBound, RefusesOneByteBelowWhatTheHeaderNeeds) {
    const DataCase& c = GetParam();
    const uint64_t filtered = PngFilteredBytes({c.width, c.height, c.bitDepth, c.colourType, 0, 0, c.interlace});
    const uint64_t needed = MinZlibBytes(filtered);
    ASSERT_GT(needed, 1u);

    // As dense as deflate allows: still read, every sample zero.
    const Outcome dense = Decode(FileWith(pb::DenseZeros(filtered)));
    ASSERT_EQ(dense.error, "");
    const bool palette = c.colourType == 3;
    if (dense.image.bitDepth == 16) {
        EXPECT_EQ(std::count(dense.image.samples16.begin(), dense.image.samples16.end(), 0),
                  static_cast<long>(dense.image.SampleCount()));
    } else {
        for (size_t i = 0; i < dense.image.samples8.size(); ++i) {
            ASSERT_EQ(dense.image.samples8[i], palette ? 9 - i % 3 : 0) << i;
        }
    }

    const Outcome below = Decode(FileWith(Bytes(needed - 1, 0)));
    EXPECT_EQ(below.error, "in/file.png: file cut short: PNG image data of " + std::to_string(needed - 1) +
                               " bytes cannot hold a " + std::to_string(c.width) + " x " + std::to_string(c.height) +
                               " picture (it needs at least " + std::to_string(needed) + ")");
    EXPECT_EQ(below.kind, ErrorKind::CutShort);
    // At the bound the data is inflated, and found wanting by the inflater.
    const Outcome at = Decode(FileWith(Bytes(needed, 0)));
    EXPECT_NE(at.error, "");
    EXPECT_EQ(at.error.find("cannot hold"), std::string::npos) << at.error;
}

INSTANTIATE_TEST_SUITE_P(Headers, PngImageDataBound,
                         testing::Values(DataCase{"Grey8", 4096, 1024, 8, 0, 0},
                                         DataCase{"Grey1Interlaced", 1000, 977, 1, 0, 1},
                                         DataCase{"Palette4", 3000, 400, 4, 3, 0},
                                         DataCase{"Rgb8Interlaced", 700, 300, 8, 2, 1},
                                         DataCase{"Rgba16Interlaced", 333, 91, 16, 6, 1},
                                         DataCase{"GreyAlpha16", 517, 250, 16, 4, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Chunks the decoder does not use

Bytes RgbRow5x4() {
    Bytes rows;
    for (int i = 0; i < 5 * 4 * 3; ++i) rows.push_back(static_cast<uint8_t>(i * 7));
    return rows;
}

// A colour profile that inflates to 64 MiB and five 2 MiB compressed texts
// after the image data: with 1 MiB of samples allowed, more than any one
// chunk or all kept chunks were allowed to hold. None of it is inflated or
// kept, so the picture is read as if they were not there.
TEST(PngUnusedChunks, AreSkippedWithoutBeingInflatedOrKept) {
    const Bytes ihdr = pb::Ihdr(5, 4, 8, 2);
    const Bytes idat = pb::Stored(pb::Unfiltered(RgbRow5x4(), 15));
    Bytes profile{'i', 'c', 'c', 0, 0};
    const Bytes bomb = pb::DenseZeros(uint64_t{64} << 20);
    profile.insert(profile.end(), bomb.begin(), bomb.end());
    Bytes text{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
    const Bytes stored = pb::Stored(Bytes(size_t{2} << 20, 'a'));
    text.insert(text.end(), stored.begin(), stored.end());
    Bytes after;
    for (int i = 0; i < 5; ++i) after = pb::Join({after, pb::Chunk("zTXt", text)});
    const Bytes before = pb::Join({pb::Chunk("gAMA", {0, 1, 0x86, 0xA0}), pb::Chunk("iCCP", profile),
                                   pb::Chunk("iTXt", {'k', 0, 1, 0, 0, 0, 0x78, 0x9C, 1, 2, 3})});
    ImageLimits limits;
    limits.maxSampleBytes = 1 << 20;

    const Outcome plain = Decode(pb::File(ihdr, idat), limits);
    ASSERT_EQ(plain.error, "");
    const Outcome crowded = Decode(pb::File(ihdr, idat, before, after), limits);
    ASSERT_EQ(crowded.error, "");
    EXPECT_EQ(crowded.image.layout, ChannelLayout::Rgb);
    EXPECT_EQ(crowded.image.samples8, plain.image.samples8);
    EXPECT_EQ(crowded.image.samples8, RgbRow5x4());
}

// A chunk's checksum is checked where the decoder reads the chunk: always
// for the critical ones; a damaged tRNS is not used; a damaged chunk that is
// never read does not matter.
TEST(PngUnusedChunks, ChecksumsAreCheckedOnTheChunksThatAreRead) {
    auto damaged = [](Bytes chunk) {
        chunk.back() ^= 0x01;
        return chunk;
    };
    const Bytes idat = pb::Stored({0, 7, 8});
    const Bytes ihdr = pb::Ihdr(2, 1, 8, 0);
    const std::string checksum = "in/file.png: PNG error: invalid chunk checksum";
    EXPECT_EQ(Decode(pb::File(damaged(ihdr), idat)).error, checksum);
    EXPECT_EQ(Decode(pb::Join({pb::Signature(), ihdr, damaged(pb::Chunk("IDAT", idat)), pb::Iend()})).error, checksum);
    EXPECT_EQ(Decode(pb::Join({pb::Signature(), ihdr, pb::Chunk("IDAT", idat), damaged(pb::Iend())})).error, checksum);
    EXPECT_EQ(Decode(pb::File(pb::Ihdr(2, 1, 8, 3), idat, damaged(pb::Chunk("PLTE", Bytes(27, 1))))).error, checksum);

    const Outcome key = Decode(pb::File(ihdr, idat, damaged(pb::Chunk("tRNS", {0, 7}))));
    ASSERT_EQ(key.error, "");
    EXPECT_EQ(key.image.layout, ChannelLayout::Grey);
    const Outcome text = Decode(pb::File(ihdr, idat, damaged(pb::Chunk("tEXt", {'a', 0, 'b'})),
                                         damaged(pb::Chunk("iCCP", {'p', 0, 0, 1, 2, 3}))));
    ASSERT_EQ(text.error, "");
    EXPECT_EQ(text.image.samples8, (std::vector<uint8_t>{7, 8}));
}

TEST(PngStructure, RefusalsNameTheFileWithTheirKind) {
    const Bytes ihdr = pb::Ihdr(2, 1, 8, 0);
    const Bytes idat = pb::Stored({0, 7, 8});
    Bytes cut = pb::File(ihdr, idat, {}, pb::Chunk("tEXt", Bytes(40, 'a')));
    cut.resize(cut.size() - 30);
    const Outcome shortFile = Decode(cut);
    EXPECT_EQ(shortFile.error.rfind("in/file.png: file cut short in PNG chunk tEXt at byte ", 0), 0u)
        << shortFile.error;
    EXPECT_EQ(shortFile.kind, ErrorKind::CutShort);
    const Outcome interrupted =
        Decode(pb::Join({pb::Signature(), ihdr, pb::Chunk("IDAT", Bytes(idat.begin(), idat.begin() + 4)),
                         pb::Chunk("tEXt", {'a', 0}), pb::Chunk("IDAT", Bytes(idat.begin() + 4, idat.end())),
                         pb::Iend()}));
    EXPECT_EQ(interrupted.error, "in/file.png: PNG image data interrupted: IDAT chunk at byte 63 after other chunks");
    EXPECT_EQ(interrupted.kind, ErrorKind::Decode);
}

// ---- The broken files of the PNG suite

TEST(PngSuiteBroken, EveryFileIsRefusedNamingItWithItsReason) {
    const std::vector<std::string> files = PngSuiteFiles(true);
    ASSERT_FALSE(files.empty()) << "no PNG suite in " << CITRA_PNGSUITE_DIR;
    const std::string signature = "not a PNG file (bad signature)";
    const std::string checksum = "PNG error: invalid chunk checksum";
    const std::string depth = "PNG error: invalid bit depth";
    const std::string colour = "PNG error: invalid color type";
    const std::map<std::string, std::string> reasons = {
        {"xc1n0g08.png", colour},    {"xc9n2c08.png", colour},    {"xcrn0g04.png", signature},
        {"xcsn0g01.png", checksum},  {"xd0n2c08.png", depth},     {"xd3n2c08.png", depth},
        {"xd9n2c08.png", depth},     {"xhdn0g08.png", checksum},  {"xlfn0g04.png", signature},
        {"xs1n0g01.png", signature}, {"xs2n0g01.png", signature}, {"xs4n0g01.png", signature},
        {"xs7n0g01.png", signature},
        {"xdtn0g01.png", "PNG file has no image data (no IDAT chunk before IEND)"},
    };
    EXPECT_EQ(files.size(), reasons.size());
    for (const std::string& path : files) {
        const std::string name = std::filesystem::path(path).filename().string();
        std::string error;
        try {
            ReadImage(path);
        } catch (const CitraError& e) {
            error = e.what();
        }
        const auto reason = reasons.find(name);
        ASSERT_NE(reason, reasons.end()) << name << " has no reason listed; it gives: " << error;
        EXPECT_EQ(error, path + ": " + reason->second);
    }
}

}  // namespace
