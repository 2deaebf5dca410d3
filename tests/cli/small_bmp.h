#pragma once
// The BMP files the end-to-end runs read, written by bmp_builder. A file
// that cannot be written throws, which fails the test naming the path.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../core/bmp_builder.h"

using bmp_builder::Bgr;

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (!bmp_builder::WriteFile(path, bytes)) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

// A bottom-row-first bitmap. bitsPerPixel 24: pixel(x, y) gives each pixel,
// y = 0 the top row. bitsPerPixel 8: a grey colour table, index pixel(x, y).g.
inline void WriteBmp(const std::string& path, int32_t width, int32_t height, int bitsPerPixel,
                     const std::function<Bgr(int32_t, int32_t)>& pixel) {
    bmp_builder::BmpSpec spec = bitsPerPixel == 8
                                    ? bmp_builder::Grey8(width, height, [&](int32_t x, int32_t y) { return pixel(x, y).g; })
                                    : bmp_builder::Bitmap24(width, height, pixel);
    spec.imageSizeField = 0;
    WriteFileBytes(path, bmp_builder::BuildBmp(spec));
}

// A 24-bit picture of one colour, written row by row so that this process
// stays small (a process started from it may inherit its peak memory figure).
inline void WriteUniformBmp(const std::string& path, int32_t width, int32_t height, Bgr colour) {
    bool filled = false;
    const bool written = bmp_builder::WriteRows(
        path, {.width = width, .height = height, .bitsPerPixel = 24}, [&](int32_t, std::vector<uint8_t>& row) {
            if (filled) return;
            for (int32_t x = 0; x < width; ++x) {
                row[3 * x] = colour.b;
                row[3 * x + 1] = colour.g;
                row[3 * x + 2] = colour.r;
            }
            filled = true;
        });
    if (!written) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}
