// Writes small seed files for fuzz_read_image into the folder given: PNG of
// every colour type and depth, with colour keys, and PNG built to cost time
// or memory; TIFF of every layout, depth, codec, strips and tiles, baseline
// and progressive JPEG, PNM of every kind, and BMP of every depth.
// Also JPEG-compressed YCbCr TIFF, and PNM, JPEG and TIFF files declaring a
// picture larger than their data can hold (inside the fuzz limits, so the
// readers' checks of the data against the declared size are reached).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "image_encoders.h"
#include "png_builder.h"

namespace {

namespace enc = image_encoders;

void Save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    if (!bmp_builder::WriteFile(path, bytes)) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void SavePng(const std::string& dir) {
    const uint32_t w = 7, h = 5;
    const struct {
        uint8_t type;
        int channels;
    } types[] = {{0, 1}, {2, 3}, {3, 1}, {4, 2}, {6, 4}};
    std::vector<uint8_t> palette(3 * 16);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i * 5);
    for (const auto& t : types) {
        for (uint8_t depth : {1, 2, 4, 8, 16}) {
            const bool valid = t.type == 0 || (t.type == 3 ? depth <= 8 : depth >= 8);
            if (!valid) continue;
            const size_t rowBytes = (w * t.channels * depth + 7) / 8;
            const auto rows = enc::Ramp(rowBytes * h);
            std::vector<uint8_t> clipped = rows;
            // No more palette entries than the depth can index.
            const size_t entries = std::min<size_t>(16, size_t{1} << depth);
            const std::vector<uint8_t> plte(palette.begin(), palette.begin() + 3 * entries);
            if (t.type == 3) {
                // Indices inside the 16-entry palette.
                for (auto& b : clipped) b &= depth >= 8 ? 0x0F : 0xFF;
            }
            const std::string name = "png-" + std::to_string(t.type) + "-" + std::to_string(depth);
            Save(dir, name + ".png", enc::Png(w, h, t.type, depth, clipped, t.type == 3 ? plte : std::vector<uint8_t>{}));
            if (t.type == 3) {
                Save(dir, name + "-trns.png", enc::Png(w, h, t.type, depth, clipped, plte, {0, 90}));
            }
        }
    }
}

// Colour keys on grey and RGB, and files made to spend time or memory: a
// header far larger than its image data can inflate to, a colour profile
// and texts that inflate to much more than the picture, chunks between and
// after the image data.
void SavePngHostile(const std::string& dir) {
    namespace pb = png_builder;
    Save(dir, "png-0-2-key.png", pb::File(pb::Ihdr(4, 2, 2, 0), pb::Stored({0, 0x1B, 0, 0xE4}), pb::Chunk("tRNS", {0, 1})));
    Save(dir, "png-0-16-key.png",
         pb::File(pb::Ihdr(2, 1, 16, 0), pb::Stored({0, 0x12, 0x34, 0x56, 0x78}), pb::Chunk("tRNS", {0x12, 0x34})));
    Save(dir, "png-2-8-key.png",
         pb::File(pb::Ihdr(2, 2, 8, 2), pb::Stored({0, 1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 7, 8, 9}),
                  pb::Chunk("tRNS", {0, 1, 0, 2, 0, 3})));
    // zlib's 12-byte stream of 100 zeros under a 65536 x 16384 header (the
    // fuzz limits refuse its size first) and under one inside them.
    const pb::Bytes zeros100{0x78, 0x9C, 0x63, 0x60, 0xA0, 0x3D, 0x00, 0x00, 0x00, 0x64, 0x00, 0x01};
    Save(dir, "png-huge-header.png", pb::File(pb::Ihdr(65536, 16384, 8, 0), zeros100));
    Save(dir, "png-data-short.png", pb::File(pb::Ihdr(4096, 64, 8, 0), zeros100));
    Save(dir, "png-dense-data.png", pb::File(pb::Ihdr(512, 500, 8, 0), pb::DenseZeros(500 * 513)));
    pb::Bytes profile{'i', 'c', 'c', 0, 0};
    const pb::Bytes bomb = pb::DenseZeros(uint64_t{16} << 20);
    profile.insert(profile.end(), bomb.begin(), bomb.end());
    pb::Bytes text{'k', 0, 0};
    text.insert(text.end(), bomb.begin(), bomb.begin() + 64);
    Save(dir, "png-unused-chunks.png",
         pb::File(pb::Ihdr(3, 1, 8, 0), pb::Stored({0, 1, 2, 3}),
                  pb::Join({pb::Chunk("iCCP", profile), pb::Chunk("tEXt", {'a', 0, 'b'})}),
                  pb::Join({pb::Chunk("zTXt", text), pb::Chunk("iTXt", {'k', 0, 1, 0, 0, 0, 0x78}),
                            pb::Chunk("tRNS", {0, 1})})));
}

void SaveTiff(const std::string& dir) {
    const uint16_t codecs[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS};
    const struct {
        uint16_t spp, photometric;
    } kinds[] = {{1, PHOTOMETRIC_MINISBLACK}, {1, PHOTOMETRIC_MINISWHITE}, {2, PHOTOMETRIC_MINISBLACK},
                 {3, PHOTOMETRIC_RGB}, {4, PHOTOMETRIC_RGB}};
    for (const auto& kind : kinds) {
        for (uint16_t bits : {8, 16}) {
            for (uint16_t codec : codecs) {
                for (uint32_t tile : {0u, 16u}) {
                    enc::TiffShape shape;
                    shape.width = tile ? 20 : 6;
                    shape.height = tile ? 17 : 5;
                    shape.samplesPerPixel = kind.spp;
                    shape.photometric = kind.photometric;
                    shape.bits = bits;
                    shape.compression = codec;
                    shape.rowsPerStrip = 2;
                    shape.tile = tile;
                    const size_t bytes = size_t{shape.width} * shape.height * kind.spp * bits / 8;
                    Save(dir,
                         "tiff-" + std::to_string(kind.photometric) + "-" + std::to_string(kind.spp) + "-" +
                             std::to_string(bits) + "-" + std::to_string(codec) + (tile ? "-tiles" : "-strips") +
                             ".tif",
                         enc::Tiff(shape, enc::Ramp(bytes)));
                }
            }
        }
    }
}

void SaveJpeg(const std::string& dir) {
    for (int components : {1, 3}) {
        for (bool progressive : {false, true}) {
            Save(dir, "jpeg-" + std::to_string(components) + (progressive ? "-progressive" : "") + ".jpg",
                 enc::Jpeg(17, 9, components, enc::Ramp(17 * 9 * components), 75, progressive));
        }
    }
}

void SavePnm(const std::string& dir) {
    Save(dir, "pnm-p1.pbm", enc::Pnm("P1\n# c\n5 2\n1 0 1 0 1\n01010\n"));
    Save(dir, "pnm-p2.pgm", enc::Pnm("P2 3 2 300\n0 1 2\n300 299 7\n"));
    Save(dir, "pnm-p3.ppm", enc::Pnm("P3 2 1 15 1 2 3 15 14 13\n"));
    Save(dir, "pnm-p4.pbm", enc::Pnm("P4 11 2\n", {0xA5, 0xE0, 0x5A, 0x20}));
    Save(dir, "pnm-p5.pgm", enc::Pnm("P5\n# comment\n4 3\n255\n", enc::Ramp(12, 0)));
    Save(dir, "pnm-p5-16.pgm", enc::Pnm("P5 3 2 65535\n", enc::Ramp(12)));
    Save(dir, "pnm-p6.ppm", enc::Pnm("P6 3 2 255\n", enc::Ramp(18)));
    Save(dir, "pnm-p6-16.ppm", enc::Pnm("P6 2 2 1000\n", std::vector<uint8_t>(24, 3)));
}

void SaveBmp(const std::string& dir) {
    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        bmp_builder::BmpSpec shape;
        shape.width = 7;
        shape.height = 3;
        shape.bitsPerPixel = bits;
        if (bits <= 8) shape.colourTable.resize(size_t{1} << bits, 0x336699);
        shape.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(shape));
        Save(dir, "bmp-" + std::to_string(bits) + ".bmp", bmp_builder::BuildBmp(shape));
        if (bits == 16 || bits == 32) {
            shape.compression = 3;
            shape.headerSize = 124;
            shape.masks = bits == 16 ? std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F}
                                    : std::array<uint32_t, 3>{0x3FF00000, 0x000FFC00, 0x000003FF};
            std::vector<uint8_t> bytes = bmp_builder::BuildBmp(shape);
            if (bits == 32) bmp_builder::detail::Put32(bytes, 14 + 52, 0xC0000000u);
            Save(dir, "bmp-" + std::to_string(bits) + "-bitfields.bmp", bytes);
        }
    }
    bmp_builder::BmpSpec rle;
    rle.width = 4;
    rle.height = 2;
    rle.bitsPerPixel = 8;
    rle.compression = 1;
    rle.colourTable = {0x000000, 0xABCDEF, 0x123456};
    rle.coloursUsedField = 3;
    rle.pixels = {4, 1, 0, 0, 0, 2, 2, 2, 0, 1};
    Save(dir, "bmp-rle8.bmp", bmp_builder::BuildBmp(rle));
}

void SaveYCbCrTiff(const std::string& dir) {
    const uint32_t w = 20, h = 17;
    Save(dir, "tiff-ycbcr-jpeg-strips.tif", enc::TiffYCbCrJpeg(w, h, enc::Ramp(w * h * 3), 16));
    Save(dir, "tiff-ycbcr-jpeg-tiles.tif", enc::TiffYCbCrJpeg(w, h, enc::Ramp(w * h * 3), 0, 16));
}

// A JPEG of 8 x 8 pixels whose frame header declares width x height.
std::vector<uint8_t> PatchedJpeg(int components, bool progressive, uint16_t width, uint16_t height) {
    std::vector<uint8_t> file = enc::Jpeg(8, 8, components, enc::Ramp(8 * 8 * components), 75, progressive);
    for (size_t i = 2; i + 9 < file.size();) {
        if (file[i + 1] == 0xC0 || file[i + 1] == 0xC2) {
            file[i + 5] = static_cast<uint8_t>(height >> 8);
            file[i + 6] = static_cast<uint8_t>(height);
            file[i + 7] = static_cast<uint8_t>(width >> 8);
            file[i + 8] = static_cast<uint8_t>(width);
            return file;
        }
        i += 2 + ((size_t{file[i + 2]} << 8) | file[i + 3]);
    }
    throw std::runtime_error("no frame header in the JPEG seed");
}

// A TIFF of 64 x 64 grey pixels in one strip or tile, its size fields
// changed to declare width x height.
std::vector<uint8_t> StretchedTiff(uint32_t width, uint32_t height, uint16_t codec, bool tiled) {
    enc::TiffShape shape;
    shape.width = 64;
    shape.height = 64;
    shape.compression = codec;
    shape.rowsPerStrip = 64;
    shape.tile = tiled ? 64 : 0;
    std::vector<uint8_t> file = enc::Tiff(shape, std::vector<uint8_t>(64 * 64, 9));
    // libtiff writes the tags in order: the first two entries are the width
    // (256) and the height (257), rewritten here as LONG values.
    const uint32_t ifd = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t{file[7]} << 24);
    for (uint32_t entry = 0; entry < 2; ++entry) {
        uint8_t* field = file.data() + ifd + 2 + 12 * entry;
        const uint32_t value = entry == 0 ? width : height;
        field[2] = 4;
        field[3] = 0;
        for (int b = 0; b < 4; ++b) field[8 + b] = static_cast<uint8_t>(value >> (8 * b));
    }
    return file;
}

void SaveDeclaringMore(const std::string& dir) {
    std::string ascii = "P2 400 300 255\n";
    while (ascii.size() < 219) ascii += "7 ";
    Save(dir, "more-p2.pgm", enc::Pnm(ascii));
    Save(dir, "more-p1.pbm", enc::Pnm("P1 1000 200\n0101 1 0"));
    Save(dir, "more-p3-16.ppm", enc::Pnm("P3 100 100 1000 1 2 3 999"));
    Save(dir, "more-p4.pbm", enc::Pnm("P4 4000 60\n", enc::Ramp(100)));
    Save(dir, "more-p5.pgm", enc::Pnm("P5 400 300 255\n", enc::Ramp(1000)));
    Save(dir, "more-p6-16.ppm", enc::Pnm("P6 100 100 65535\n", enc::Ramp(11)));
    // Inside the limits, yet one bit a block is more than the 8 x 8 file codes.
    Save(dir, "more-grey.jpg", PatchedJpeg(1, false, 4096, 64));
    Save(dir, "more-grey-progressive.jpg", PatchedJpeg(1, true, 4096, 64));
    Save(dir, "more-colour.jpg", PatchedJpeg(3, false, 290, 290));
    for (uint16_t codec : {COMPRESSION_NONE, COMPRESSION_PACKBITS, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE}) {
        for (bool tiled : {false, true}) {
            Save(dir, "more-tiff-" + std::to_string(codec) + (tiled ? "-tiles" : "-strip") + ".tif",
                 StretchedTiff(4096, 64, codec, tiled));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    try {
        SavePng(argv[1]);
        SavePngHostile(argv[1]);
        SaveTiff(argv[1]);
        SaveJpeg(argv[1]);
        SavePnm(argv[1]);
        SaveBmp(argv[1]);
        SaveYCbCrTiff(argv[1]);
        SaveDeclaringMore(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
