// The PNG chunk walker: which bytes it keeps for the decoder, how it refuses
// a broken chunk structure, the filtered size a header declares, and the
// fewest zlib bytes that size needs.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "error.h"
#include "png_builder.h"
#include "png_chunks.h"

namespace {

namespace pb = png_builder;
using pb::Bytes;

Bytes KeptBytes(const Bytes& file, const PngChunkMap& map) {
    Bytes out;
    for (size_t i = 0; i < map.keptCount; ++i) {
        out.insert(out.end(), file.begin() + static_cast<long>(map.kept[i].offset),
                   file.begin() + static_cast<long>(map.kept[i].offset + map.kept[i].size));
    }
    return out;
}

TEST(PngChunkMap, KeepsOnlyWhatTheDecoderReadsInFileOrder) {
    const Bytes ihdr = pb::Ihdr(3, 2, 8, 3, 1);
    const Bytes plte = pb::Chunk("PLTE", {1, 2, 3, 4, 5, 6});
    const Bytes trns = pb::Chunk("tRNS", {7});
    const Bytes idat1 = pb::Chunk("IDAT", {10, 11, 12});
    const Bytes idat2 = pb::Chunk("IDAT", {});
    const Bytes idat3 = pb::Chunk("IDAT", {13, 14});
    const Bytes iend = pb::Iend();
    const Bytes file = pb::Join({pb::Signature(), ihdr, pb::Chunk("gAMA", {0, 0, 0, 1}),
                                 pb::Chunk("iCCP", Bytes(100, 0xEE)), plte, pb::Chunk("tEXt", {'a', 0, 'b'}), trns,
                                 idat1, idat2, idat3, pb::Chunk("zTXt", Bytes(50, 1)), pb::Chunk("tRNS", {9}),
                                 pb::Chunk("prVt", {}), iend});
    const PngChunkMap map = MapPngChunks(file);
    EXPECT_EQ(KeptBytes(file, map), pb::Join({pb::Signature(), ihdr, plte, trns, idat1, idat2, idat3, iend}));
    EXPECT_LE(map.keptCount, map.kept.size());
    EXPECT_EQ(map.header.width, 3u);
    EXPECT_EQ(map.header.height, 2u);
    EXPECT_EQ(map.header.bitDepth, 8);
    EXPECT_EQ(map.header.colourType, 3);
    EXPECT_EQ(map.header.interlace, 1);
    EXPECT_EQ(map.idatBytes, 5u);
    EXPECT_EQ(map.idatRun.size, idat1.size() + idat2.size() + idat3.size());
    Bytes visited;
    int pieces = 0;
    ForEachIdat(file, map, [&](std::span<const uint8_t> data) {
        ++pieces;
        visited.insert(visited.end(), data.begin(), data.end());
    });
    EXPECT_EQ(pieces, 3);
    EXPECT_EQ(visited, (Bytes{10, 11, 12, 13, 14}));
}

TEST(PngChunkMap, KeepsTheFirstTrnsBeforeTheImageDataOnly) {
    const Bytes ihdr = pb::Ihdr(1, 1, 8, 0);
    const Bytes first = pb::Chunk("tRNS", {0, 1});
    const Bytes idat = pb::Chunk("IDAT", {1});
    const Bytes file =
        pb::Join({pb::Signature(), ihdr, first, pb::Chunk("tRNS", {0, 2}), idat, pb::Chunk("tRNS", {0, 3}), pb::Iend()});
    EXPECT_EQ(KeptBytes(file, MapPngChunks(file)), pb::Join({pb::Signature(), ihdr, first, idat, pb::Iend()}));
}

TEST(PngChunkMap, BytesAfterIendAreNotRead) {
    const Bytes png = pb::File(pb::Ihdr(1, 1, 8, 0), {1, 2});
    Bytes file = png;
    file.insert(file.end(), {'j', 'u', 'n', 'k'});
    EXPECT_EQ(KeptBytes(file, MapPngChunks(file)), png);
}

struct BrokenCase {
    const char* name;
    Bytes file;
    std::string message;
    ErrorKind kind;
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

std::vector<BrokenCase> BrokenCases() {
    const Bytes sig = pb::Signature();
    const Bytes ihdr = pb::Ihdr(4, 4, 8, 0);
    const Bytes idat = pb::Chunk("IDAT", {1, 2, 3});
    const Bytes iend = pb::Iend();
    const Bytes good = pb::Join({sig, ihdr, idat, iend});
    auto cut = [](const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); };
    Bytes badType = pb::Chunk("tEXt", {});
    badType[5] = '1';
    Bytes hugeLength = pb::Chunk("tEXt", {});
    hugeLength[0] = 0x80;
    const Bytes text = pb::Chunk("tEXt", Bytes(20, 'a'));
    // The byte where the chunk after signature and IHDR starts.
    const std::string at33 = " at byte 33";
    using K = ErrorKind;
    return {
        {"BadSignature", pb::Join({Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, 0x0A + 1}, ihdr, idat, iend}),
         "not a PNG file (bad signature)", K::Decode},
        {"CutInSignature", cut(sig, 5), "file cut short in the PNG signature", K::CutShort},
        {"NoChunkAtAll", sig, "file cut short: its 8 bytes end before the PNG IEND chunk", K::CutShort},
        {"NoIend", cut(good, good.size() - 12),
         "file cut short: its " + std::to_string(good.size() - 12) + " bytes end before the PNG IEND chunk",
         K::CutShort},
        {"CutInChunkHeader", cut(good, 33 + 5), "file cut short in a PNG chunk header at byte 33", K::CutShort},
        {"CutInChunkData", cut(good, 33 + 8 + 2),
         "file cut short in PNG chunk IDAT" + at33 + ": 2 of its 7 bytes of data and CRC present", K::CutShort},
        // An unused chunk cut short is refused as well: the file ends early.
        {"CutInUnusedChunk", cut(pb::Join({sig, ihdr, idat, text, iend}), 33 + 15 + 8 + 23),
         "file cut short in PNG chunk tEXt at byte 48: 23 of its 24 bytes of data and CRC present", K::CutShort},
        {"FirstChunkNotIhdr", pb::Join({sig, pb::Chunk("gAMA", {0, 0, 0, 1}), ihdr, idat, iend}),
         "PNG file starts with a gAMA chunk, not IHDR", K::Decode},
        {"ShortIhdr", pb::Join({sig, pb::Chunk("IHDR", Bytes(12, 1)), idat, iend}), "PNG IHDR chunk of 12 bytes, not 13",
         K::Decode},
        {"SecondIhdr", pb::Join({sig, ihdr, ihdr, idat, iend}), "second PNG IHDR chunk" + at33, K::Decode},
        {"TypeNotLetters", pb::Join({sig, ihdr, badType, idat, iend}), "bad PNG chunk type 0x74315874" + at33,
         K::Decode},
        {"LengthAbove2To31", pb::Join({sig, ihdr, hugeLength, idat, iend}),
         "PNG chunk tEXt" + at33 + " declares 2147483648 bytes, above the largest a chunk may hold", K::Decode},
        {"UnknownCritical", pb::Join({sig, ihdr, pb::Chunk("ABCD", {}), idat, iend}),
         "unknown critical PNG chunk ABCD" + at33, K::Decode},
        {"IdatInterrupted", pb::Join({sig, ihdr, idat, text, idat, iend}),
         "PNG image data interrupted: IDAT chunk at byte " + std::to_string(33 + 15 + 32) + " after other chunks",
         K::Decode},
        {"SecondPlte", pb::Join({sig, ihdr, pb::Chunk("PLTE", {1, 2, 3}), pb::Chunk("PLTE", {1, 2, 3}), idat, iend}),
         "second PNG PLTE chunk at byte 48", K::Decode},
        {"PlteAfterImageData", pb::Join({sig, ihdr, idat, pb::Chunk("PLTE", {1, 2, 3}), iend}),
         "PNG PLTE chunk at byte 48 after the image data", K::Decode},
        {"NoIdat", pb::Join({sig, ihdr, text, iend}), "PNG file has no image data (no IDAT chunk before IEND)",
         K::Decode},
    };
}

class PngChunkMapRefuses : public testing::TestWithParam<BrokenCase> {};

TEST_P(PngChunkMapRefuses, WithItsMessageAndKind) {
    const BrokenCase& c = GetParam();
    try {
        MapPngChunks(c.file);
        FAIL() << "accepted";
    } catch (const CitraError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
        EXPECT_EQ(e.Kind(), c.kind);
    }
}

INSTANTIATE_TEST_SUITE_P(Structures, PngChunkMapRefuses, testing::ValuesIn(BrokenCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The filtered size counted pixel by pixel: a pass's rows are the image rows
// holding one of its pixels, each as long as the pixels it holds.
uint64_t FilteredBytesByCounting(uint32_t width, uint32_t height, int pixelBits, bool interlaced) {
    // Adam7's pass of each pixel of an 8 x 8 tile.
    static const int kPassOf[8][8] = {{1, 6, 4, 6, 2, 6, 4, 6}, {7, 7, 7, 7, 7, 7, 7, 7}, {5, 6, 5, 6, 5, 6, 5, 6},
                                      {7, 7, 7, 7, 7, 7, 7, 7}, {3, 6, 4, 6, 3, 6, 4, 6}, {7, 7, 7, 7, 7, 7, 7, 7},
                                      {5, 6, 5, 6, 5, 6, 5, 6}, {7, 7, 7, 7, 7, 7, 7, 7}};
    uint64_t total = 0;
    for (int pass = 1; pass <= (interlaced ? 7 : 1); ++pass) {
        for (uint32_t y = 0; y < height; ++y) {
            uint64_t pixels = 0;
            for (uint32_t x = 0; x < width; ++x) pixels += !interlaced || kPassOf[y % 8][x % 8] == pass;
            if (pixels > 0) total += 1 + (pixels * pixelBits + 7) / 8;
        }
    }
    return total;
}

TEST(PngFilteredBytes, MatchesCountingPixelByPixel) {
    const struct {
        uint8_t colourType, channels;
    } types[] = {{0, 1}, {2, 3}, {3, 1}, {4, 2}, {6, 4}};
    for (const auto& type : types) {
        for (uint8_t depth : {1, 2, 4, 8, 16}) {
            for (uint8_t interlace : {0, 1}) {
                for (uint32_t width = 1; width <= 19; ++width) {
                    for (uint32_t height = 1; height <= 19; ++height) {
                        const PngHeader header{width, height, depth, type.colourType, 0, 0, interlace};
                        ASSERT_EQ(PngFilteredBytes(header),
                                  FilteredBytesByCounting(width, height, type.channels * depth, interlace != 0))
                            << int(type.colourType) << " " << int(depth) << " " << int(interlace) << " " << width
                            << " x " << height;
                    }
                }
            }
        }
    }
}

TEST(PngFilteredBytes, InterlacedPassesCountedByHand) {
    // 8 x 8 grey, passes of 1x1, 1x1, 2x1, 2x2, 4x2, 4x4, 8x4 pixels.
    const uint64_t byHand = 2 + 2 + 3 + 2 * 3 + 2 * 5 + 4 * 5 + 4 * 9;
    EXPECT_EQ(FilteredBytesByCounting(8, 8, 8, true), byHand);
    EXPECT_EQ(PngFilteredBytes({8, 8, 8, 0, 0, 0, 1}), byHand);
    // 1 x 1: only the first pass has a pixel.
    EXPECT_EQ(PngFilteredBytes({1, 1, 16, 6, 0, 0, 1}), 1u + 8u);
}

TEST(PngFilteredBytes, LargeHeadersSaturateInsteadOfWrapping) {
    EXPECT_EQ(PngFilteredBytes({65536, 16384, 8, 0, 0, 0, 0}), uint64_t{16384} * 65537);
    // 2^31 - 1 square at 64 bits a pixel: about 2^67 bytes.
    EXPECT_EQ(PngFilteredBytes({0x7FFFFFFF, 0x7FFFFFFF, 16, 6, 0, 0, 1}), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(PngFilteredBytes({0x7FFFFFFF, 0x7FFFFFFF, 16, 6, 0, 0, 0}), std::numeric_limits<uint64_t>::max());
}

// The densest stream deflate allows is never below the bound (no real file
// is refused) and within a few bytes of it (its headers and checksum).
TEST(MinZlibBytes, IsReachedByTheDensestStreamUpToItsHeaders) {
    for (uint64_t count : {uint64_t{1}, uint64_t{259}, uint64_t{1} + 258 * 4, uint64_t{1} + 258 * 4000,
                           uint64_t{1} + 258 * 400000}) {
        const size_t dense = pb::DenseZeros(count).size();
        EXPECT_GE(dense, MinZlibBytes(count)) << count;
        EXPECT_LE(dense, MinZlibBytes(count) + 24) << count;
    }
    EXPECT_EQ(MinZlibBytes(0), 0u);
    EXPECT_EQ(MinZlibBytes(1032), 1u);
    EXPECT_EQ(MinZlibBytes(1033), 2u);
    EXPECT_EQ(MinZlibBytes(std::numeric_limits<uint64_t>::max()), std::numeric_limits<uint64_t>::max() / 1032 + 1);
}

}  // namespace
