// Writes small seed files for the fuzzer into the folder given as argument:
// bitmaps of every depth and header, run-length bitmaps, an icon, both
// metafile forms and a JPEG.
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
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
    return 0;
}
