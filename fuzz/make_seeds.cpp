// Writes small seed files for the fuzz targets. Into the first folder:
// bitmaps of every depth and header, run-length bitmaps, an icon, both
// metafile forms and a JPEG. Into the second, when given: 24-bit and other
// bitmaps behind the six control bytes of fuzz_stream_compare, alone (a pair
// with a changed copy) and two of one size together (a pair cut in two).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "graphic_files.h"

namespace {

using bmp_builder::BmpSpec;

void Save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    if (!bmp_builder::WriteFile(path, bytes)) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

std::vector<uint8_t> MakeBitmap(BmpSpec spec) {
    if (spec.bitsPerPixel <= 8 && spec.colourTable.empty()) {
        spec.colourTable.resize(size_t{1} << spec.bitsPerPixel, 0x336699);
    }
    if (spec.pixels.empty()) {
        spec.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(spec));
    }
    return bmp_builder::BuildBmp(spec);
}

// The control bytes of fuzz_stream_compare (see fuzz_checks.h).
std::vector<uint8_t> StreamInput(uint16_t band, uint8_t mode, uint8_t key, const std::vector<uint8_t>& first,
                                 const std::vector<uint8_t>& second = {}) {
    const auto cut = static_cast<uint16_t>(first.size());
    std::vector<uint8_t> out = {static_cast<uint8_t>(band), static_cast<uint8_t>(band >> 8), mode, key,
                                static_cast<uint8_t>(cut), static_cast<uint8_t>(cut >> 8)};
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

void SaveStreamSeeds(const std::string& dir) {
    const std::vector<uint8_t> bottomUp = MakeBitmap({.width = 5, .height = 3});
    BmpSpec topDownSpec{.width = 5, .height = -3};
    topDownSpec.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(topDownSpec), 77);
    const std::vector<uint8_t> topDown = MakeBitmap(topDownSpec);
    const std::vector<uint8_t> wide = MakeBitmap({.width = 33, .height = 4, .headerSize = 124});
    const std::vector<uint8_t> core = MakeBitmap({.width = 5, .height = 3, .headerSize = 12});
    const std::vector<uint8_t> eight = MakeBitmap({.width = 5, .height = 3, .bitsPerPixel = 8});

    // Changed copies: default band, one-byte band, a band shorter than a row.
    Save(dir, "stream-changed-default", StreamInput(0x8000, 0x10, 0x5A, bottomUp));
    Save(dir, "stream-changed-band1-loaded", StreamInput(0, 0x04, 0x33, bottomUp));
    Save(dir, "stream-changed-short-row", StreamInput(20, 0x20, 0xFF, wide));
    Save(dir, "stream-changed-cut", StreamInput(7, 0x08 | 0x30, 0x09, topDown));
    // Pairs cut in two: rows in opposite order, another header, another depth.
    Save(dir, "stream-split-opposite-order", StreamInput(16, 0x02, 0, bottomUp, topDown));
    Save(dir, "stream-split-core-loaded", StreamInput(3, 0x02 | 0x04 | 0x01, 0, core, bottomUp));
    Save(dir, "stream-split-other-depth", StreamInput(64, 0x02, 0, bottomUp, eight));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> [<stream-compare folder>]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    Save(dir, "seed-24-bottom-up", MakeBitmap({.width = 3, .height = 2}));
    Save(dir, "seed-24-top-down", MakeBitmap({.width = 3, .height = -2}));
    Save(dir, "seed-24-core", MakeBitmap({.width = 5, .height = 3, .headerSize = 12}));
    Save(dir, "seed-24-v5", MakeBitmap({.width = 4, .height = 4, .headerSize = 124}));
    Save(dir, "seed-1", MakeBitmap({.width = 9, .height = 2, .bitsPerPixel = 1}));
    Save(dir, "seed-4", MakeBitmap({.width = 7, .height = 2, .bitsPerPixel = 4}));
    Save(dir, "seed-8-core", MakeBitmap({.width = 5, .height = 3, .bitsPerPixel = 8, .headerSize = 12}));
    BmpSpec bitFields{.width = 3, .height = 3, .bitsPerPixel = 16, .compression = 3};
    bitFields.masks = std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F};
    Save(dir, "seed-16-bitfields", MakeBitmap(bitFields));
    Save(dir, "seed-32", MakeBitmap({.width = 2, .height = 2, .bitsPerPixel = 32, .headerSize = 108}));

    BmpSpec rle8{.width = 8, .height = 2, .bitsPerPixel = 8, .compression = 1};
    rle8.pixels = {3, 1, 0, 4, 1, 2, 3, 4, 0, 0, 0, 2, 2, 1, 5, 9, 0, 1};
    rle8.imageSizeField = static_cast<uint32_t>(rle8.pixels.size());
    Save(dir, "seed-rle8", MakeBitmap(rle8));
    BmpSpec rle4{.width = 8, .height = 2, .bitsPerPixel = 4, .compression = 2};
    rle4.pixels = {3, 0x12, 0, 5, 0x21, 0x21, 0x20, 0, 0, 0, 2, 0x22, 0, 1};
    rle4.imageSizeField = static_cast<uint32_t>(rle4.pixels.size());
    Save(dir, "seed-rle4", MakeBitmap(rle4));

    Save(dir, "seed-icon", graphic_files::IconFile());
    Save(dir, "seed-emf", graphic_files::EnhancedMetafile());
    Save(dir, "seed-wmf", graphic_files::PlaceableMetafile());
    Save(dir, "seed-jpeg", graphic_files::JpegFile(8, 8));
    if (argc == 3) {
        SaveStreamSeeds(argv[2]);
    }
    return 0;
}
