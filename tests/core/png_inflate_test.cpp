// The PNG image data inflated by libdeflate and unfiltered by our own code
// (png_inflate.h) against libspng reading the same files: every row filter
// at every pixel size and at widths where the first pixel and first row
// matter most, IDAT chunks split anywhere, and every way a stream or chunk
// can be wrong, where the file must get exactly libspng's picture or
// message.
#include <gtest/gtest.h>

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "error.h"
#include "image_png.h"
#include "png_builder.h"
#include "png_chunks.h"

namespace {

namespace pb = png_builder;
using pb::Bytes;

struct Outcome {
    std::string error;  // empty: decoded
    ErrorKind kind = ErrorKind::Decode;
    Image image;
    std::optional<PngRowsStatus> tried;
};

template <typename Decode>
Outcome Traced(Decode&& decode) {
    Outcome out;
    try {
        out.image = decode(out.tried);
    } catch (const CitraError& e) {
        out.error = e.what();
        out.kind = e.Kind();
    }
    return out;
}

std::string Difference(const Outcome& a, const Outcome& b);

// The file decoded from memory it cannot touch, and from a copy of its own
// where the image data chunks are gathered in place: the same outcome, and
// a file that goes on to libspng put back byte for byte first.
Outcome Fast(const Bytes& file) {
    const Outcome out = Traced([&](auto& tried) { return DecodePngTraced(file, {}, tried); });
    Bytes owned = file;
    const Outcome inPlace = Traced([&](auto& tried) { return DecodePngOwnedTraced(owned, {}, tried); });
    EXPECT_EQ(Difference(out, inPlace), "");
    EXPECT_EQ(out.tried, inPlace.tried);
    if (inPlace.tried != PngRowsStatus::Done) {
        EXPECT_EQ(owned, file);
    }
    return out;
}

Outcome Libspng(const Bytes& file) {
    Outcome out;
    try {
        out.image = DecodePngWithLibspng(file, {});
    } catch (const CitraError& e) {
        out.error = e.what();
        out.kind = e.Kind();
    }
    return out;
}

// Empty when both give the same picture or the same refusal.
std::string Difference(const Outcome& a, const Outcome& b) {
    if (a.error != b.error || a.kind != b.kind) return "error '" + a.error + "' against '" + b.error + "'";
    if (!a.error.empty()) return "";
    if (a.image.width != b.image.width || a.image.height != b.image.height || a.image.layout != b.image.layout ||
        a.image.bitDepth != b.image.bitDepth || a.image.peak != b.image.peak) {
        return "different shape";
    }
    if (a.image.samples8 != b.image.samples8) return "8-bit samples differ";
    if (a.image.samples16 != b.image.samples16) return "16-bit samples differ";
    return "";
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A real deflate stream (Huffman blocks, matches), as encoders write them.
Bytes Compressed(const Bytes& data) {
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(6), libdeflate_free_compressor);
    if (!compressor) throw std::bad_alloc();
    Bytes out(libdeflate_zlib_compress_bound(compressor.get(), data.size()));
    out.resize(libdeflate_zlib_compress(compressor.get(), data.data(), data.size(), out.data(), out.size()));
    if (out.empty()) throw std::runtime_error("libdeflate_zlib_compress failed");
    return out;
}

// The stream in IDAT chunks of the given sizes, the last one taking the rest.
Bytes SplitFile(const Bytes& ihdr, const Bytes& stream, const std::vector<size_t>& sizes) {
    Bytes out = pb::Join({pb::Signature(), ihdr});
    size_t at = 0;
    for (size_t size : sizes) {
        const size_t n = std::min(size, stream.size() - at);
        out = pb::Join({out, pb::Chunk("IDAT", Bytes(stream.begin() + long(at), stream.begin() + long(at + n)))});
        at += n;
    }
    out = pb::Join({out, pb::Chunk("IDAT", Bytes(stream.begin() + long(at), stream.end()))});
    return pb::Join({out, pb::Iend()});
}

// ---- Row filters, written from their definitions

int PaethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Rows of rowBytes raw bytes, each filtered with filters[row % size]: the
// image data before compression.
Bytes Filtered(const Bytes& raw, size_t rowBytes, size_t pixelBytes, const std::vector<uint8_t>& filters) {
    Bytes out;
    const size_t rows = raw.size() / rowBytes;
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t filter = filters[r % filters.size()];
        out.push_back(filter);
        for (size_t i = 0; i < rowBytes; ++i) {
            const int x = raw[r * rowBytes + i];
            const int a = i >= pixelBytes ? raw[r * rowBytes + i - pixelBytes] : 0;
            const int b = r > 0 ? raw[(r - 1) * rowBytes + i] : 0;
            const int c = r > 0 && i >= pixelBytes ? raw[(r - 1) * rowBytes + i - pixelBytes] : 0;
            int predicted = 0;
            switch (filter) {
                case 1: predicted = a; break;
                case 2: predicted = b; break;
                case 3: predicted = (a + b) / 2; break;
                case 4: predicted = PaethPredictor(a, b, c); break;
                default: break;
            }
            out.push_back(static_cast<uint8_t>(x - predicted));
        }
    }
    return out;
}

struct Kind {
    const char* name;
    uint8_t colourType, bitDepth;
    ChannelLayout layout;
};

const Kind kKinds[] = {
    {"Grey8", 0, 8, ChannelLayout::Grey},       {"GreyAlpha8", 4, 8, ChannelLayout::GreyAlpha},
    {"Rgb8", 2, 8, ChannelLayout::Rgb},         {"Rgba8", 6, 8, ChannelLayout::Rgba},
    {"Grey16", 0, 16, ChannelLayout::Grey},     {"GreyAlpha16", 4, 16, ChannelLayout::GreyAlpha},
    {"Rgb16", 2, 16, ChannelLayout::Rgb},       {"Rgba16", 6, 16, ChannelLayout::Rgba},
};

// Samples of a picture where every filter's arithmetic wraps and ties: a
// row of noise, a row of 255 (Average's a + b above 255), a flat row and a
// ramp (Paeth's ties), then noise.
std::vector<uint16_t> Samples(size_t count, size_t rowSamples, int bitDepth, unsigned seed) {
    std::mt19937 random(seed);
    const uint32_t peak = bitDepth == 16 ? 65535 : 255;
    std::vector<uint16_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t row = i / rowSamples;
        switch (row % 5) {
            case 1: out[i] = static_cast<uint16_t>(peak); break;
            case 2: out[i] = static_cast<uint16_t>(peak / 3); break;
            case 3: out[i] = static_cast<uint16_t>(i * 37 % (peak + 1)); break;
            default: out[i] = static_cast<uint16_t>(random() % (peak + 1)); break;
        }
    }
    return out;
}

struct Picture {
    Bytes file;
    std::vector<uint16_t> samples;
};

Picture MakePicture(const Kind& kind, uint32_t width, uint32_t height, const std::vector<uint8_t>& filters,
                    unsigned seed) {
    const size_t channels = ChannelCount(kind.layout);
    const size_t sampleBytes = kind.bitDepth / 8;
    const size_t rowSamples = width * channels;
    Picture picture;
    picture.samples = Samples(rowSamples * height, rowSamples, kind.bitDepth, seed);
    Bytes raw;
    for (uint16_t v : picture.samples) {
        if (sampleBytes == 2) raw.push_back(static_cast<uint8_t>(v >> 8));
        raw.push_back(static_cast<uint8_t>(v));
    }
    const Bytes rows = Filtered(raw, rowSamples * sampleBytes, channels * sampleBytes, filters);
    picture.file = pb::File(pb::Ihdr(width, height, kind.bitDepth, kind.colourType), Compressed(rows));
    return picture;
}

void ExpectSamples(const Image& image, const Kind& kind, const std::vector<uint16_t>& samples) {
    EXPECT_EQ(image.layout, kind.layout);
    EXPECT_EQ(image.bitDepth, kind.bitDepth);
    if (kind.bitDepth == 16) {
        EXPECT_TRUE(image.samples8.empty());
        EXPECT_EQ(image.samples16, samples);
    } else {
        EXPECT_TRUE(image.samples16.empty());
        EXPECT_EQ(image.samples8, std::vector<uint8_t>(samples.begin(), samples.end()));
    }
}

struct FilterCase {
    Kind kind;
    uint8_t filter;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.kind.name << " filter " << int(c.filter); }

class PngInflatedFilter : public testing::TestWithParam<FilterCase> {};

// Every row of one filter, at widths 1 to 17 (one pixel, and pixel counts
// on both sides of the SIMD pixel's reads), 7 rows.
TEST_P(PngInflatedFilter, GivesTheSamplesAtEveryWidth) {
    const FilterCase& c = GetParam();
    for (uint32_t width = 1; width <= 17; ++width) {
        SCOPED_TRACE("width " + std::to_string(width));
        const Picture picture = MakePicture(c.kind, width, 7, {c.filter}, width);
        const Outcome fast = Fast(picture.file);
        ASSERT_EQ(fast.error, "");
        ASSERT_EQ(fast.tried, PngRowsStatus::Done);
        ExpectSamples(fast.image, c.kind, picture.samples);
        EXPECT_EQ(Difference(fast, Libspng(picture.file)), "");
    }
}

std::vector<FilterCase> FilterCases() {
    std::vector<FilterCase> cases;
    for (const Kind& kind : kKinds) {
        for (uint8_t filter = 0; filter <= 4; ++filter) cases.push_back({kind, filter});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngInflatedFilter, testing::ValuesIn(FilterCases()), [](const auto& info) {
    return std::string(info.param.kind.name) + "Filter" + std::to_string(info.param.filter);
});

// Every filter below every other, row after row, on a picture wide enough
// for the wide loops.
TEST(PngInflatedFilters, MixedRowByRowOnEveryKind) {
    std::vector<uint8_t> order;
    for (uint8_t above = 0; above <= 4; ++above) {
        for (uint8_t below = 0; below <= 4; ++below) {
            if (below != above) order.insert(order.end(), {above, below});
        }
    }
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const Picture picture = MakePicture(kind, 301, static_cast<uint32_t>(order.size()), order, 11);
        const Outcome fast = Fast(picture.file);
        ASSERT_EQ(fast.error, "");
        ASSERT_EQ(fast.tried, PngRowsStatus::Done);
        ExpectSamples(fast.image, kind, picture.samples);
    }
}

// ---- IDAT chunks

// The same stream in chunks of one byte, of odd sizes, with empty chunks
// between, and whole: the same picture each time.
TEST(PngInflatedChunks, AStreamSplitAnywhereGivesTheSamePicture) {
    const Kind rgb = kKinds[2];
    const Picture picture = MakePicture(rgb, 13, 9, {4, 1, 3}, 5);
    const Bytes ihdr = pb::Ihdr(13, 9, 8, 2);
    const PngChunkMap map = MapPngChunks(picture.file);
    const Bytes stream(picture.file.begin() + long(map.idatRun.offset + 8),
                       picture.file.begin() + long(map.idatRun.offset + map.idatRun.size - 4));
    const std::vector<std::pair<const char*, std::vector<size_t>>> splits = {
        {"one byte each", std::vector<size_t>(stream.size() - 1, 1)},
        {"odd sizes", {1, 2, 3, 7, 13, 1, 29}},
        {"header split", {1}},
        {"Adler-32 split", {stream.size() - 3}},
        {"empty chunks", {0, 5, 0, 0, 17, 0}},
    };
    for (const auto& [name, sizes] : splits) {
        SCOPED_TRACE(name);
        const Outcome fast = Fast(SplitFile(ihdr, stream, sizes));
        ASSERT_EQ(fast.error, "");
        EXPECT_EQ(fast.tried, PngRowsStatus::Done);
        ExpectSamples(fast.image, rgb, picture.samples);
    }
}

// ---- Files the inflater leaves to libspng, and what they get

struct BrokenCase {
    const char* name;
    Bytes file;
    PngRowsStatus status;  // why the inflater stopped
    std::string error;     // libspng's verdict: empty when it reads the picture
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

std::vector<BrokenCase> BrokenCases() {
    // 4 x 3 grey: rows of 1 + 4 bytes.
    const Bytes ihdr = pb::Ihdr(4, 3, 8, 0);
    const Bytes rows = pb::Unfiltered({0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23}, 4);
    const Bytes stream = Compressed(rows);
    auto with = [&](Bytes data, auto change) {
        change(data);
        return data;
    };
    auto damaged = [](Bytes chunk) {
        chunk.back() ^= 0x01;
        return chunk;
    };
    const std::string checksum = "PNG error: invalid chunk checksum";
    const std::string streamError = "PNG error: IDAT stream error";
    const Bytes extraRow = with(rows, [](Bytes& d) { d.insert(d.end(), {0, 9, 9, 9, 9}); });
    return {
        {"IdatChecksum", pb::Join({pb::Signature(), ihdr, damaged(pb::Chunk("IDAT", stream)), pb::Iend()}),
         PngRowsStatus::BadChecksum, checksum},
        // The stream ends in the first chunk; the second still counts.
        {"SecondIdatChecksum",
         pb::Join({pb::Signature(), ihdr, pb::Chunk("IDAT", stream), damaged(pb::Chunk("IDAT", {1, 2})), pb::Iend()}),
         PngRowsStatus::BadChecksum, checksum},
        {"IendChecksum", pb::Join({pb::Signature(), ihdr, pb::Chunk("IDAT", stream), damaged(pb::Iend())}),
         PngRowsStatus::BadChecksum, checksum},
        {"IendWithData", pb::Join({pb::Signature(), ihdr, pb::Chunk("IDAT", stream), pb::Chunk("IEND", {1, 2, 3, 4})}),
         PngRowsStatus::BadEnd, "PNG error: invalid chunk length"},
        // A reserved block type in the first block header.
        {"ReservedBlockType", pb::File(ihdr, with(stream, [](Bytes& d) { d[2] |= 0x06; })), PngRowsStatus::BadStream,
         streamError},
        {"BadZlibHeader", pb::File(ihdr, with(stream, [](Bytes& d) { d[1] ^= 0x01; })), PngRowsStatus::BadStream,
         streamError},
        {"BadAdler32", pb::File(ihdr, with(stream, [](Bytes& d) { d.back() ^= 0x01; })), PngRowsStatus::BadStream,
         streamError},
        {"StoredLengthsDisagree", pb::File(ihdr, with(pb::Stored(rows), [](Bytes& d) { d[5] ^= 0x01; })),
         PngRowsStatus::BadStream, streamError},
        {"OneByteShort", pb::File(ihdr, Compressed(Bytes(rows.begin(), rows.end() - 1))), PngRowsStatus::ShortStream,
         "PNG error: IDAT stream too short"},
        {"UnknownFilter", pb::File(ihdr, Compressed(with(rows, [](Bytes& d) { d[10] = 5; }))), PngRowsStatus::BadFilter,
         "PNG error: invalid scanline filter"},
        // libspng stops inflating once the rows are full: what follows is
        // never read, so these are pictures.
        {"OneRowLong", pb::File(ihdr, Compressed(extraRow)), PngRowsStatus::LongStream, ""},
        {"NoAdler32", pb::File(ihdr, Bytes(stream.begin(), stream.end() - 4)), PngRowsStatus::BadStream, ""},
        {"StoredNoAdler32", pb::File(ihdr, with(pb::Stored(rows), [](Bytes& d) { d.resize(d.size() - 4); })),
         PngRowsStatus::BadStream, ""},
        // The same faults in a stream of several chunks, which the inflater
        // gathers into one run before it finds them.
        {"BadAdler32InChunks", SplitFile(ihdr, with(stream, [](Bytes& d) { d.back() ^= 0x01; }), {3, 0, 5}),
         PngRowsStatus::BadStream, streamError},
        {"OneByteShortInChunks", SplitFile(ihdr, Compressed(Bytes(rows.begin(), rows.end() - 1)), {1, 1, 4}),
         PngRowsStatus::ShortStream, "PNG error: IDAT stream too short"},
        {"OneRowLongInChunks", SplitFile(ihdr, Compressed(extraRow), {2, 7}), PngRowsStatus::LongStream, ""},
        {"UnknownFilterInChunks", SplitFile(ihdr, Compressed(with(rows, [](Bytes& d) { d[10] = 5; })), {4, 4}),
         PngRowsStatus::BadFilter, "PNG error: invalid scanline filter"},
    };
}

class PngInflaterStops : public testing::TestWithParam<BrokenCase> {};

TEST_P(PngInflaterStops, AndTheFileGetsLibspngsVerdict) {
    const BrokenCase& c = GetParam();
    const Outcome fast = Fast(c.file);
    EXPECT_EQ(fast.tried, c.status);
    EXPECT_EQ(fast.error, c.error);
    EXPECT_EQ(fast.kind, ErrorKind::Decode);
    if (c.error.empty()) {
        EXPECT_EQ(fast.image.samples8, (std::vector<uint8_t>{0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23}));
    }
    EXPECT_EQ(Difference(fast, Libspng(c.file)), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, PngInflaterStops, testing::ValuesIn(BrokenCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Bytes after the end of the stream, in its chunk or in chunks of their
// own, are not read, by libspng either.
TEST(PngInflatedChunks, BytesAfterTheStreamAreLeftUnread) {
    const Bytes ihdr = pb::Ihdr(4, 3, 8, 0);
    const Bytes rows = pb::Unfiltered({0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23}, 4);
    Bytes stream = Compressed(rows);
    const Bytes trailing = pb::Join({stream, {0xDE, 0xAD}, Compressed(rows)});
    for (const Bytes& file : {pb::File(ihdr, trailing), SplitFile(ihdr, stream, {stream.size()}),
                              pb::Join({pb::Signature(), ihdr, pb::Chunk("IDAT", stream), pb::Chunk("IDAT", {9, 9}),
                                        pb::Chunk("IDAT", {}), pb::Iend()})}) {
        const Outcome fast = Fast(file);
        ASSERT_EQ(fast.error, "");
        EXPECT_EQ(fast.tried, PngRowsStatus::Done);
        EXPECT_EQ(fast.image.samples8, (std::vector<uint8_t>{0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23}));
        EXPECT_EQ(Difference(fast, Libspng(file)), "");
    }
}

// A colour key on grey or RGB makes an alpha channel: left to libspng.
TEST(PngInflatedChunks, AColourKeyOnGreyOrRgbIsLeftToLibspng) {
    const Bytes rows = pb::Unfiltered({7, 8, 7}, 3);
    const Outcome grey = Fast(pb::File(pb::Ihdr(3, 1, 8, 0), Compressed(rows), pb::Chunk("tRNS", {0, 7})));
    ASSERT_EQ(grey.error, "");
    EXPECT_EQ(grey.tried, std::nullopt);
    EXPECT_EQ(grey.image.samples8, (std::vector<uint8_t>{7, 0, 8, 255, 7, 0}));
    // On grey + alpha it means nothing, and the inflater reads the file.
    const Outcome greyAlpha =
        Fast(pb::File(pb::Ihdr(1, 1, 8, 4), Compressed(pb::Unfiltered({5, 6}, 2)), pb::Chunk("tRNS", {0, 5})));
    ASSERT_EQ(greyAlpha.error, "");
    EXPECT_EQ(greyAlpha.tried, PngRowsStatus::Done);
    EXPECT_EQ(greyAlpha.image.samples8, (std::vector<uint8_t>{5, 6}));
}

// ---- The PNG suite

// A tRNS chunk before the image data.
bool HasColourKey(const Bytes& file) {
    for (size_t at = 8; at + 8 <= file.size();) {
        const size_t length = (size_t{file[at]} << 24) | (size_t{file[at + 1]} << 16) | (size_t{file[at + 2]} << 8) |
                              file[at + 3];
        const std::string type(file.begin() + long(at + 4), file.begin() + long(at + 8));
        if (type == "IDAT") return false;
        if (type == "tRNS") return true;
        at += 12 + length;
    }
    return false;
}

// Every file of the suite, broken ones too, gives what libspng alone
// gives; every 8- and 16-bit picture not interlaced and without a colour
// key is inflated, none falling back.
TEST(PngInflatedSuite, EveryFileAsLibspngReadsIt) {
    std::vector<std::string> files = PngSuiteFiles(false);
    ASSERT_FALSE(files.empty()) << "no PNG suite in " << CITRA_PNGSUITE_DIR;
    const std::vector<std::string> broken = PngSuiteFiles(true);
    files.insert(files.end(), broken.begin(), broken.end());
    int inflated = 0;
    for (const std::string& path : files) {
        const std::string name = std::filesystem::path(path).filename().string();
        SCOPED_TRACE(name);
        const Bytes file = ReadFile(path);
        const Outcome fast = Fast(file);
        EXPECT_EQ(Difference(fast, Libspng(file)), "");
        if (name[0] == 'x') continue;
        const PngHeader h = MapPngChunks(file).header;
        const bool keyed = (h.colourType == 0 || h.colourType == 2) && HasColourKey(file);
        const bool takes = h.interlace == 0 && (h.bitDepth == 8 || h.bitDepth == 16) && h.colourType != 3 && !keyed;
        if (takes) {
            EXPECT_EQ(fast.tried, PngRowsStatus::Done);
            ++inflated;
        } else {
            EXPECT_EQ(fast.tried, std::nullopt);
        }
    }
    // 65 of the suite's 161 pictures, its filter and chunk-split files
    // among them.
    EXPECT_GE(inflated, 65);
}

}  // namespace
