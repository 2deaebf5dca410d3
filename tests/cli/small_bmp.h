#pragma once
// Writes small uncompressed BMP files (40-byte header, bottom row first).
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

struct Bgr {
    uint8_t b, g, r;
};

namespace small_bmp {

inline void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// bitsPerPixel 24: pixel(x, y) gives each pixel, y = 0 the top row.
// bitsPerPixel 8: a grey colour table and index pixel(x, y).g.
inline std::vector<uint8_t> Encode(int32_t width, int32_t height, int bitsPerPixel,
                                   const std::function<Bgr(int32_t, int32_t)>& pixel) {
    const uint32_t stride = ((width * bitsPerPixel + 31) / 32) * 4;
    const uint32_t tableBytes = bitsPerPixel == 8 ? 256 * 4 : 0;
    const uint32_t offset = 14 + 40 + tableBytes;
    std::vector<uint8_t> out{'B', 'M'};
    Put(out, offset + stride * height, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);
    Put(out, width, 4);
    Put(out, height, 4);
    Put(out, 1, 2);
    Put(out, bitsPerPixel, 2);
    for (int i = 0; i < 6; ++i) Put(out, 0, 4);
    for (uint32_t i = 0; i < tableBytes / 4; ++i) Put(out, i * 0x010101u, 4);
    for (int32_t y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row;
        for (int32_t x = 0; x < width; ++x) {
            const Bgr p = pixel(x, y);
            if (bitsPerPixel == 24) row.insert(row.end(), {p.b, p.g, p.r});
            else row.push_back(p.g);
        }
        row.resize(stride, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace small_bmp

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline void WriteBmp(const std::string& path, int32_t width, int32_t height, int bitsPerPixel,
                     const std::function<Bgr(int32_t, int32_t)>& pixel) {
    WriteFileBytes(path, small_bmp::Encode(width, height, bitsPerPixel, pixel));
}

// A 24-bit picture of one colour, written row by row (for large files).
inline void WriteUniformBmp(const std::string& path, int32_t width, int32_t height, Bgr colour) {
    std::vector<uint8_t> header = small_bmp::Encode(width, 0, 24, nullptr);
    const uint32_t stride = ((width * 24 + 31) / 32) * 4;
    const uint32_t fileSize = 54 + stride * static_cast<uint32_t>(height);
    for (int i = 0; i < 4; ++i) {
        header[2 + i] = static_cast<uint8_t>(fileSize >> (8 * i));
        header[22 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (8 * i));
    }
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
