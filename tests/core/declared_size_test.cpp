// Files that declare a picture far larger than their data can hold: the PNM,
// JPEG and TIFF readers refuse them from the header, before the samples are
// allocated (run under an address-space cap that an allocation of the
// declared size would break), while files that hold just enough, at the
// best ratio each codec reaches, still decode. TIFF strips go straight
// into the image; JPEG-compressed YCbCr TIFF reads as RGB.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "address_sanitizer.h"
#include "error.h"
#include "image_encoders.h"
#include "image_reader.h"

namespace {

namespace enc = image_encoders;

struct Outcome {
    std::string message;  // empty when the file decoded
    ErrorKind kind = ErrorKind::Decode;
};

Outcome ReadOutcome(const std::vector<uint8_t>& bytes, const std::string& extension, const ImageLimits& limits = {}) {
    try {
        ReadImage(bytes, extension, "in/file." + extension, limits);
    } catch (const CitraError& e) {
        return {e.what(), e.Kind()};
    }
    return {};
}

// Runs `body` with the address space capped at what is mapped now plus
// `headroom`, so an allocation of a few hundred megabytes fails ("out of
// memory") instead of passing unseen. Under AddressSanitizer, which maps
// terabytes of shadow, the body runs without the cap.
void WithAddressSpaceCap(size_t headroom, const std::function<void()>& body) {
#ifdef CITRA_ADDRESS_SANITIZER
    (void)headroom;
    body();
#else
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    size_t inUse = 0;
    {
        std::ifstream statm("/proc/self/statm");
        statm >> inUse;
        inUse *= static_cast<size_t>(sysconf(_SC_PAGESIZE));
    }
    ASSERT_GT(inUse, 0u);
    rlimit capped = old;
    capped.rlim_cur = inUse + headroom;
    if (old.rlim_cur != RLIM_INFINITY && old.rlim_cur < capped.rlim_cur) capped.rlim_cur = old.rlim_cur;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    body();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &old), 0);
#endif
}

constexpr size_t kCap = size_t{64} << 20;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Grey samples deflated by libtiff, as the one strip of a TIFF holds them.
std::vector<uint8_t> Deflated(uint32_t width, uint32_t height, const std::vector<uint8_t>& samples) {
    enc::TiffShape shape;
    shape.width = width;
    shape.height = height;
    shape.compression = COMPRESSION_ADOBE_DEFLATE;
    shape.rowsPerStrip = height;
    enc::detail::TiffSink file;
    file.bytes = enc::Tiff(shape, samples);
    TIFF* tif = TIFFClientOpen("strip", "r", &file, enc::detail::SinkRead, enc::detail::SinkWrite,
                               enc::detail::SinkSeek, enc::detail::SinkClose, enc::detail::SinkSize, nullptr, nullptr);
    if (tif == nullptr) throw std::runtime_error("TIFFClientOpen");
    std::vector<uint8_t> strip(static_cast<size_t>(TIFFGetStrileByteCount(tif, 0)));
    const tmsize_t got = TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
    TIFFClose(tif);
    if (got != static_cast<tmsize_t>(strip.size())) throw std::runtime_error("TIFFReadRawStrip");
    return strip;
}

// ---- PNM

struct RefusalCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string message;  // after "in/file.<extension>: "
};

std::vector<RefusalCase> PnmRefusals() {
    // The 219-byte file: P2 of 20000 x 20000 16-bit samples, 99 of them.
    std::string ascii = "P2\n20000 20000\n65535\n";
    while (ascii.size() + 2 <= 219) ascii += "0 ";
    std::vector<uint8_t> raw16 = Bytes("P6 1000 1000 65535\n");
    raw16.resize(raw16.size() + 11, 7);
    std::vector<uint8_t> raw = Bytes("P5 20000 20000 255\n");
    raw.resize(raw.size() + 1000);
    return {
        {"ascii219", Bytes(ascii),
         "file cut short: 99 of 400000000 samples present (holds 199 bytes of samples, needs at least 800000000)"},
        // Each plain sample takes a digit and a separator; comments hold none.
        {"plainColour", Bytes("P3 2 2 255 1 2 3 4 5 6"),
         "file cut short: 6 of 12 samples present (holds 12 bytes of samples, needs at least 24)"},
        {"plainComment", Bytes("P2 9 1 255 #1 2 3 4 5\n7"),
         "file cut short: 1 of 9 samples present (holds 13 bytes of samples, needs at least 18)"},
        // Padded past the floor, a file cut short is found while reading.
        {"plainPaddedByAComment", Bytes("P2 2 2 255 1 2 # padding\n"), "file cut short: 2 of 4 samples present"},
        {"plainBits", Bytes("P1 20000 20000\n0101"),
         "file cut short: 4 of 400000000 samples present (holds 5 bytes of samples, needs at least 400000001)"},
        {"raw", raw, "file cut short: 1000 of 400000000 samples present (holds 1000 bytes of samples, needs 400000000)"},
        {"raw16", raw16, "file cut short: 5 of 3000000 samples present (holds 11 bytes of samples, needs 6000000)"},
        {"rawBits", Bytes("P4 30000 20000\n" + std::string(7500, 'x')),
         "file cut short: 60000 of 600000000 samples present (holds 7500 bytes of samples, needs 75000000)"},
    };
}

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class PnmDeclaringMore : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PnmDeclaringMore, IsRefusedBeforeItsSamplesAreAllocated) {
    const RefusalCase& c = GetParam();
    Outcome outcome;
    WithAddressSpaceCap(kCap, [&] { outcome = ReadOutcome(c.bytes, "pgm"); });
    EXPECT_EQ(outcome.message, "in/file.pgm: " + c.message);
    EXPECT_EQ(outcome.kind, ErrorKind::CutShort);
}

INSTANTIATE_TEST_SUITE_P(Files, PnmDeclaringMore, ::testing::ValuesIn(PnmRefusals()),
                         [](const auto& info) { return std::string(info.param.name); });

// The bound is a floor, never above what a real file holds: the tightest
// writing of each plain form still decodes.
TEST(PnmDeclaringMore, FilesHoldingJustEnoughDecode) {
    const struct {
        const char* text;
        std::vector<uint8_t> samples;
    } cases[] = {
        {"P2 2 1 9 1 2", {1, 2}},
        {"P3 1 1 9 1 2 3", {1, 2, 3}},
        {"P2 1 1 9#\n5", {5}},
        {"P1 3 1 101", {0, 255, 0}},
        {"P1 3 1\n1 0 1", {0, 255, 0}},
    };
    for (const auto& c : cases) {
        const Image image = ReadImage(Bytes(c.text), "pnm", "x.pnm");
        EXPECT_EQ(image.samples8, c.samples) << c.text;
    }
}

// ---- JPEG

// Where the first marker of this kind starts, walking the header's segments.
size_t MarkerAt(const std::vector<uint8_t>& file, uint8_t kind) {
    for (size_t i = 2; i + 3 < file.size();) {
        if (file[i] != 0xFF) throw std::runtime_error("lost in the markers");
        if (file[i + 1] == kind) return i;
        i += 2 + ((size_t{file[i + 2]} << 8) | file[i + 3]);
    }
    throw std::runtime_error("marker not found");
}

// A small progressive or baseline JPEG with its frame header patched to
// declare width x height.
std::vector<uint8_t> PatchedJpeg(int components, bool progressive, uint16_t width, uint16_t height) {
    std::vector<uint8_t> samples(48 * 32 * components);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 37 + i / 97);
    std::vector<uint8_t> file = enc::Jpeg(48, 32, components, samples, 75, progressive);
    const size_t frame = MarkerAt(file, progressive ? 0xC2 : 0xC0);
    file[frame + 5] = static_cast<uint8_t>(height >> 8);
    file[frame + 6] = static_cast<uint8_t>(height);
    file[frame + 7] = static_cast<uint8_t>(width >> 8);
    file[frame + 8] = static_cast<uint8_t>(width);
    return file;
}

// The bytes after the first scan's header: all the coded data there is.
size_t BytesAfterFirstScanHeader(const std::vector<uint8_t>& file) {
    const size_t scan = MarkerAt(file, 0xDA);
    return file.size() - (scan + 2 + ((size_t{file[scan + 2]} << 8) | file[scan + 3]));
}

TEST(JpegDeclaringMore, IsRefusedFromItsHeaderNamingWhatItHoldsAndNeeds) {
    // 16000 x 16000: 2000 x 2000 blocks of grey; colour adds two chroma
    // planes of 1000 x 1000 blocks (2 x 2 subsampling). One bit a block.
    const struct {
        int components;
        uint64_t needed;
    } kinds[] = {{1, 500000}, {3, 750000}};
    for (const auto& kind : kinds) {
        for (bool progressive : {false, true}) {
            const std::vector<uint8_t> file = PatchedJpeg(kind.components, progressive, 16000, 16000);
            Outcome outcome;
            WithAddressSpaceCap(kCap, [&] { outcome = ReadOutcome(file, "jpg"); });
            EXPECT_EQ(outcome.message, "in/file.jpg: file cut short: holds " +
                                           std::to_string(BytesAfterFirstScanHeader(file)) +
                                           " bytes of coded data, needs at least " + std::to_string(kind.needed) +
                                           " for 16000 x 16000")
                << kind.components << " components, progressive " << progressive;
            EXPECT_EQ(outcome.kind, ErrorKind::CutShort);
        }
    }
}

// Flat pictures are the cheapest a real file codes (with optimised tables
// one bit a block in a progressive file's first DC scan): at any quality,
// baseline or progressive, they decode, with the limits at exactly their
// samples (the library's memory cap derives from them).
TEST(JpegDeclaringMore, FlatPicturesAtAnyQualityDecode) {
    const uint32_t side = 4000;
    for (int components : {1, 3}) {
        const std::vector<uint8_t> samples(size_t{side} * side * components, 77);
        ImageLimits exact;
        exact.maxSampleBytes = samples.size();
        for (int quality : {100, 10}) {
            for (bool progressive : {false, true}) {
                const Image image =
                    ReadImage(enc::Jpeg(side, side, components, samples, quality, progressive), "jpg", "x.jpg", exact);
                ASSERT_EQ(image.samples8.size(), samples.size());
                EXPECT_NEAR(image.samples8[0], 77, 2);
                EXPECT_NEAR(image.samples8.back(), 77, 2);
            }
        }
    }
}

// Arithmetic coding spends far less than a bit on a flat block: no floor
// applies to it.
TEST(JpegDeclaringMore, ArithmeticCodedFlatPictureDecodes) {
    const uint32_t side = 2000;
    const std::vector<uint8_t> file =
        enc::Jpeg(side, side, 1, std::vector<uint8_t>(size_t{side} * side, 200), 75, false, true);
    // Below one bit a block: a Huffman-coded file this short would be refused.
    ASSERT_LT(file.size(), size_t{side / 8} * (side / 8) / 8);
    const Image image = ReadImage(file, "jpg", "x.jpg");
    ASSERT_EQ(image.samples8.size(), size_t{side} * side);
    EXPECT_EQ(image.samples8[side * side / 2], 200);
}

// ---- TIFF

// A little-endian grey (or RGB, for YCbCr) TIFF written field by field, its
// strips or tiles stored as given, so byte counts and data can disagree
// with the declared size.
struct RawTiff {
    uint32_t width = 1, height = 1;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t samplesPerPixel = 1;
    uint32_t rowsPerStrip = 0;  // 0: one strip
    uint32_t tile = 0;          // tiles of tile x tile pixels instead
    std::vector<std::vector<uint8_t>> blocks;
    std::optional<uint32_t> byteCount;  // every block's byte count, when not its size

    std::vector<uint8_t> Build() const {
        struct Entry {
            uint16_t tag, type;
            uint32_t count;
            std::vector<uint32_t> values;
        };
        const uint32_t n = static_cast<uint32_t>(blocks.size());
        std::vector<Entry> entries = {{256, 4, 1, {width}},
                                      {257, 4, 1, {height}},
                                      {258, 3, samplesPerPixel, std::vector<uint32_t>(samplesPerPixel, 8)},
                                      {259, 3, 1, {compression}},
                                      {262, 3, 1, {photometric}},
                                      {277, 3, 1, {samplesPerPixel}}};
        std::vector<uint32_t> counts;
        for (const auto& block : blocks) counts.push_back(byteCount.value_or(static_cast<uint32_t>(block.size())));
        if (tile != 0) {
            entries.push_back({322, 4, 1, {tile}});
            entries.push_back({323, 4, 1, {tile}});
            entries.push_back({324, 4, n, {}});
            entries.push_back({325, 4, n, counts});
        } else {
            entries.push_back({273, 4, n, {}});
            entries.push_back({278, 4, 1, {rowsPerStrip == 0 ? height : rowsPerStrip}});
            entries.push_back({279, 4, n, counts});
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        // Header, IFD, then the arrays that do not fit in an entry, then the data.
        const uint32_t ifdSize = 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
        uint32_t arrays = 8 + ifdSize;
        uint32_t data = arrays;
        for (const auto& e : entries) {
            const uint32_t size = e.count * (e.type == 3 ? 2 : 4);
            if (size > 4) data += size;
        }
        std::vector<uint32_t> offsets;
        for (const auto& block : blocks) {
            offsets.push_back(data);
            data += static_cast<uint32_t>(block.size());
        }
        std::vector<uint8_t> out = {'I', 'I', 42, 0, 8, 0, 0, 0};
        std::vector<uint8_t> extra;
        auto put = [](std::vector<uint8_t>& v, uint32_t value, int size) {
            for (int i = 0; i < size; ++i) v.push_back(static_cast<uint8_t>(value >> (8 * i)));
        };
        put(out, static_cast<uint32_t>(entries.size()), 2);
        for (auto& e : entries) {
            if (e.tag == 273 || e.tag == 324) e.values = offsets;
            const int size = e.type == 3 ? 2 : 4;
            put(out, e.tag, 2);
            put(out, e.type, 2);
            put(out, e.count, 4);
            if (e.count * size > 4) {
                put(out, arrays + static_cast<uint32_t>(extra.size()), 4);
                for (uint32_t v : e.values) put(extra, v, size);
            } else {
                std::vector<uint8_t> inline4;
                for (uint32_t v : e.values) put(inline4, v, size);
                inline4.resize(4, 0);
                out.insert(out.end(), inline4.begin(), inline4.end());
            }
        }
        put(out, 0, 4);
        out.insert(out.end(), extra.begin(), extra.end());
        for (const auto& block : blocks) out.insert(out.end(), block.begin(), block.end());
        return out;
    }
};

std::vector<RefusalCase> TiffRefusals() {
    std::vector<RefusalCase> cases;
    {
        // 30000 x 30000 from 1 MB of deflated zeros: 900 MB need 872,094
        // bytes at deflate's best of 1032 to 1.
        RawTiff t;
        t.width = t.height = 30000;
        t.compression = COMPRESSION_ADOBE_DEFLATE;
        t.blocks = {Deflated(1024, 1024, std::vector<uint8_t>(1 << 20))};
        cases.push_back({"deflateOneStrip", t.Build(),
                         "file cut short: strip 0 holds " + std::to_string(t.blocks[0].size()) +
                             " bytes, needs at least 872094 for its 900000000 bytes of samples"});
        t.compression = COMPRESSION_DEFLATE;
        cases.push_back({"deflateNewCode", t.Build(), cases.back().message});
    }
    {
        // Stored as they are: the second strip ends a byte early.
        RawTiff t;
        t.width = 4;
        t.height = 2;
        t.rowsPerStrip = 1;
        t.blocks = {{1, 2, 3, 4}, {5, 6, 7}};
        cases.push_back({"noneOneByteShort", t.Build(),
                         "file cut short: strip 1 holds 3 bytes, needs at least 4 for its 4 bytes of samples"});
    }
    {
        // A byte count running far past the end of the file holds only
        // what the file has.
        RawTiff t;
        t.width = 2000;
        t.height = 1000;
        t.rowsPerStrip = 500;
        t.compression = COMPRESSION_PACKBITS;
        t.blocks = {std::vector<uint8_t>(20000, 0x81), std::vector<uint8_t>(100, 0x81)};
        t.byteCount = 0xFFFFFF00u;
        cases.push_back({"packbitsCountPastTheEnd", t.Build(),
                         "file cut short: strip 1 holds 100 bytes, needs at least 15625 for its 1000000 bytes of "
                         "samples"});
    }
    {
        RawTiff t;
        t.width = t.height = 30000;
        t.compression = COMPRESSION_LZW;
        t.blocks = {std::vector<uint8_t>(1000, 0x80)};
        cases.push_back({"lzw", t.Build(),
                         "file cut short: strip 0 holds 1000 bytes, needs at least 197759 for its 900000000 bytes "
                         "of samples"});
    }
    {
        // A tile decodes whole, edges included: 256 x 256 bytes need 64.
        RawTiff t;
        t.width = t.height = 4000;
        t.tile = 256;
        t.compression = COMPRESSION_ADOBE_DEFLATE;
        t.blocks.assign(16 * 16, std::vector<uint8_t>(64, 0));
        t.blocks[37].resize(63);
        cases.push_back({"deflateTile", t.Build(),
                         "file cut short: tile 37 holds 63 bytes, needs at least 64 for its 65536 bytes of samples"});
    }
    {
        // JPEG-compressed YCbCr, read as RGB: 10000 x 10000 x 3 bytes need
        // 195,313 at one bit for each block of 64 pixels.
        RawTiff t;
        t.width = t.height = 10000;
        t.compression = COMPRESSION_JPEG;
        t.photometric = PHOTOMETRIC_YCBCR;
        t.samplesPerPixel = 3;
        t.blocks = {std::vector<uint8_t>(5000, 0)};
        cases.push_back({"jpegYCbCr", t.Build(),
                         "file cut short: strip 0 holds 5000 bytes, needs at least 195313 for its 300000000 bytes "
                         "of samples"});
    }
    return cases;
}

class TiffDeclaringMore : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TiffDeclaringMore, IsRefusedBeforeItsSamplesAreAllocated) {
    const RefusalCase& c = GetParam();
    Outcome outcome;
    WithAddressSpaceCap(kCap, [&] { outcome = ReadOutcome(c.bytes, "tif"); });
    EXPECT_EQ(outcome.message, "in/file.tif: " + c.message);
    EXPECT_EQ(outcome.kind, ErrorKind::CutShort);
}

INSTANTIATE_TEST_SUITE_P(Files, TiffDeclaringMore, ::testing::ValuesIn(TiffRefusals()),
                         [](const auto& info) { return std::string(info.param.name); });

// A flat picture is where each codec comes closest to its largest ratio:
// the bound must still let it through, in one strip, in strips and in tiles.
TEST(TiffDeclaringMore, FlatPicturesAtEachCodecsBestRatioDecode) {
    const uint32_t side = 2000;
    const std::vector<uint8_t> flat(size_t{side} * side, 77);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (uint16_t codec : {COMPRESSION_NONE, COMPRESSION_PACKBITS, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE}) {
        for (uint32_t rows : {side, 16u}) {
            enc::TiffShape shape;
            shape.width = shape.height = side;
            shape.compression = codec;
            shape.rowsPerStrip = rows;
            files.emplace_back("codec " + std::to_string(codec) + ", strips of " + std::to_string(rows),
                               enc::Tiff(shape, flat));
        }
        enc::TiffShape tiled;
        tiled.width = tiled.height = side;
        tiled.compression = codec;
        tiled.tile = 256;
        files.emplace_back("codec " + std::to_string(codec) + ", tiles", enc::Tiff(tiled, flat));
    }
    for (const auto& [what, file] : files) {
        const Image image = ReadImage(file, "tif", "x.tif");
        EXPECT_EQ(image.samples8, flat) << what;
    }
    const std::vector<uint8_t> rgb(size_t{side} * side * 3, 77);
    const Image colour = ReadImage(enc::TiffYCbCrJpeg(side, side, rgb, side, 0, 25), "tif", "x.tif");
    ASSERT_EQ(colour.samples8.size(), rgb.size());
    EXPECT_NEAR(colour.samples8[rgb.size() / 2], 77, 2);
}

// One strip of a 120 MB picture decodes with 48 MB to spare: the strip is
// decoded into the image's rows, not into a buffer of its own first.
TEST(TiffDeclaringMore, AStripIsDecodedIntoTheImage) {
    const uint32_t width = 12000, height = 10000;
    RawTiff t;
    t.width = width;
    t.height = height;
    t.compression = COMPRESSION_ADOBE_DEFLATE;
    t.blocks = {Deflated(width, height, std::vector<uint8_t>(size_t{width} * height, 9))};
    const std::vector<uint8_t> file = t.Build();
    Outcome outcome;
    size_t nines = 0;
    WithAddressSpaceCap(size_t{width} * height + (size_t{48} << 20), [&] {
        try {
            const Image image = ReadImage(file, "tif", "in/file.tif");
            nines = static_cast<size_t>(std::count(image.samples8.begin(), image.samples8.end(), 9));
        } catch (const CitraError& e) {
            outcome = {e.what(), e.Kind()};
        }
    });
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(nines, size_t{width} * height);
}

// ---- YCbCr JPEG in TIFF

// A smooth picture, so JPEG's loss stays small.
std::vector<uint8_t> Smooth(uint32_t width, uint32_t height) {
    std::vector<uint8_t> rgb(size_t{width} * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(size_t{y} * width + x) * 3];
            p[0] = static_cast<uint8_t>(40 + 3 * x);
            p[1] = static_cast<uint8_t>(60 + 2 * y);
            p[2] = static_cast<uint8_t>(200 - x - y);
        }
    }
    return rgb;
}

TEST(TiffYCbCr, JpegCompressedReadsAsRgbInStripsAndTiles) {
    const uint32_t width = 37, height = 29;  // neither a whole number of 16 x 16 blocks
    const std::vector<uint8_t> rgb = Smooth(width, height);
    const struct {
        const char* what;
        uint32_t rowsPerStrip, tile;
    } layouts[] = {{"one strip", height, 0}, {"strips of 16", 16, 0}, {"strips of 32", 32, 0}, {"tiles", 0, 16}};
    for (const auto& layout : layouts) {
        const Image image =
            ReadImage(enc::TiffYCbCrJpeg(width, height, rgb, layout.rowsPerStrip, layout.tile, 95), "tif", "x.tif");
        EXPECT_EQ(image.width, static_cast<int32_t>(width)) << layout.what;
        EXPECT_EQ(image.height, static_cast<int32_t>(height)) << layout.what;
        EXPECT_EQ(image.layout, ChannelLayout::Rgb) << layout.what;
        ASSERT_EQ(image.samples8.size(), rgb.size()) << layout.what;
        int worst = 0;
        for (size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(image.samples8[i] - rgb[i]));
        EXPECT_LE(worst, 8) << layout.what;
    }
}

TEST(TiffYCbCr, OtherwiseStoredYCbCrIsStillRefused) {
    RawTiff t;
    t.width = 2;
    t.height = 2;
    t.photometric = PHOTOMETRIC_YCBCR;
    t.samplesPerPixel = 3;
    t.blocks = {std::vector<uint8_t>(12, 0)};
    EXPECT_EQ(ReadOutcome(t.Build(), "tif").message,
              "in/file.tif: TIFF photometric 6 with 3 samples per pixel is not supported");
}

}  // namespace
