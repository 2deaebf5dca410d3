#pragma once
// Writes the BMP files the end-to-end runs read (built by bmp_builder).
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../core/bmp_builder.h"

struct Bgr {
    uint8_t b, g, r;
};

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A bottom-row-first bitmap. bitsPerPixel 24: pixel(x, y) gives each pixel,
// y = 0 the top row. bitsPerPixel 8: a grey colour table, index pixel(x, y).g.
inline void WriteBmp(const std::string& path, int32_t width, int32_t height, int bitsPerPixel,
                     const std::function<Bgr(int32_t, int32_t)>& pixel) {
    bmp_builder::BmpSpec spec{.width = width, .height = height, .bitsPerPixel = static_cast<uint16_t>(bitsPerPixel)};
    if (bitsPerPixel == 8)
        for (uint32_t i = 0; i < 256; ++i) spec.colourTable.push_back(i * 0x010101u);
    const size_t stride = bmp_builder::Stride(width, bitsPerPixel);
    spec.pixels.assign(bmp_builder::RasterBytes(spec), 0);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = spec.pixels.data() + stride * static_cast<size_t>(height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const Bgr p = pixel(x, y);
            if (bitsPerPixel == 24) {
                row[3 * x] = p.b;
                row[3 * x + 1] = p.g;
                row[3 * x + 2] = p.r;
            } else {
                row[x] = p.g;
            }
        }
    }
    WriteFileBytes(path, bmp_builder::BuildBmp(spec));
}

// A 24-bit picture of one colour, written row by row so that this process
// stays small (a process started from it may inherit its peak memory figure).
inline void WriteUniformBmp(const std::string& path, int32_t width, int32_t height, Bgr colour) {
    bmp_builder::BmpSpec spec{.width = width, .height = height, .bitsPerPixel = 24};
    std::vector<uint8_t> header = bmp_builder::BuildBmp(spec);  // no pixels yet
    const size_t stride = bmp_builder::Stride(width, 24);
    const size_t fileSize = header.size() + stride * static_cast<size_t>(height);
    for (int i = 0; i < 4; ++i) header[2 + i] = static_cast<uint8_t>(fileSize >> (8 * i));
    std::vector<uint8_t> row(stride, 0);
    for (int32_t x = 0; x < width; ++x) {
        row[3 * x] = colour.b;
        row[3 * x + 1] = colour.g;
        row[3 * x + 2] = colour.r;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    for (int32_t y = 0; y < height; ++y) out.write(reinterpret_cast<const char*>(row.data()), row.size());
}
