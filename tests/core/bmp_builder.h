#pragma once
// Builds Windows bitmap files in memory for tests.
//
//   BmpSpec spec{.width = 2, .height = -2, .bitsPerPixel = 24};
//   spec.pixels = PatternBytes(RasterBytes(spec));
//   std::vector<uint8_t> file = BuildBmp(spec);
//
// Every field is written as given, so a spec can also describe a broken
// file: a header size that no reader knows, planes other than 1, an offset
// that points into the headers, an image-size field that lies, a file cut
// short.
//
// The one writer of bitmap files for the tests, the benchmarks and the fuzz
// seeds: Bitmap24 / Grey8 fill a spec from a pixel function, WriteFile saves
// the bytes, WriteRows streams a picture too large to hold twice.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bmp_builder {

struct BmpSpec {
    int32_t width = 1;
    // Negative: top row first. A core header (12) stores the low 16 bits.
    int32_t height = 1;
    uint16_t bitsPerPixel = 24;
    // 12: BITMAPCOREHEADER; 40: BITMAPINFOHEADER; 108, 124: the longer
    // headers (zero after byte 40 except the masks). Any other value is
    // written as the size field with as many header bytes (the 40-byte
    // layout cut short below 40).
    uint32_t headerSize = 40;
    uint16_t planes = 1;
    uint32_t compression = 0;
    uint32_t imageSizeField = 0;
    uint32_t coloursUsedField = 0;
    // Entries 0x00RRGGBB (top byte: the reserved byte), written as blue,
    // green, red (and reserved unless the header is a core header).
    std::vector<uint32_t> colourTable{};
    // Red, green, blue masks: inside a header of 52 bytes or more, else
    // written right after the header.
    std::optional<std::array<uint32_t, 3>> masks{};
    // Bytes (0xEE) between the colour table and the pixel data.
    uint32_t gap = 0;
    // Replaces the computed pixel offset in the file header.
    std::optional<uint32_t> offsetField{};
    // Pixel data as they are written, in file order.
    std::vector<uint8_t> pixels{};
    // Cuts the finished file to this many bytes.
    std::optional<size_t> truncateTo{};
    std::array<uint8_t, 2> magic{'B', 'M'};
};

inline size_t Stride(int32_t width, int bitsPerPixel) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) + 31) / 32 * 4;
}

// Bytes of the uncompressed rows: stride x |height|.
inline size_t RasterBytes(const BmpSpec& spec) {
    return Stride(spec.width, spec.bitsPerPixel) * static_cast<size_t>(std::abs(spec.height));
}

// Deterministic, non-repeating-looking bytes, never all zero.
inline std::vector<uint8_t> PatternBytes(size_t count, uint8_t seed = 1) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = 2654435761u * (seed + 1u);
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<uint8_t>((state >> 24) | 1u);
    }
    return bytes;
}

// Where the pixel data start when offsetField is not set.
inline size_t ComputedPixelOffset(const BmpSpec& spec) {
    const bool core = spec.headerSize == 12;
    size_t offset = 14 + spec.headerSize;
    if (spec.masks && spec.headerSize < 52) {
        offset += 12;
    }
    offset += spec.colourTable.size() * (core ? 3 : 4);
    return offset + spec.gap;
}

namespace detail {

inline void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace detail

inline std::vector<uint8_t> BuildBmp(const BmpSpec& spec) {
    using detail::Put16;
    using detail::Put32;
    const bool core = spec.headerSize == 12;
    const size_t pixelOffset = ComputedPixelOffset(spec);

    std::vector<uint8_t> out(14, 0);
    out[0] = spec.magic[0];
    out[1] = spec.magic[1];
    Put32(out, 2, static_cast<uint32_t>(pixelOffset + spec.pixels.size()));
    Put32(out, 10, spec.offsetField.value_or(static_cast<uint32_t>(pixelOffset)));

    // The header is built at full layout size, then cut to headerSize.
    std::vector<uint8_t> header(std::max<size_t>(spec.headerSize, 52), 0);
    Put32(header, 0, spec.headerSize);
    if (core) {
        Put16(header, 4, static_cast<uint32_t>(spec.width));
        Put16(header, 6, static_cast<uint32_t>(spec.height));
        Put16(header, 8, spec.planes);
        Put16(header, 10, spec.bitsPerPixel);
    } else {
        Put32(header, 4, static_cast<uint32_t>(spec.width));
        Put32(header, 8, static_cast<uint32_t>(spec.height));
        Put16(header, 12, spec.planes);
        Put16(header, 14, spec.bitsPerPixel);
        Put32(header, 16, spec.compression);
        Put32(header, 20, spec.imageSizeField);
        Put32(header, 24, 2835);  // 72 dpi
        Put32(header, 28, 2835);
        Put32(header, 32, spec.coloursUsedField);
        if (spec.masks && spec.headerSize >= 52) {
            for (size_t i = 0; i < 3; ++i) {
                Put32(header, 40 + 4 * i, (*spec.masks)[i]);
            }
        }
    }
    header.resize(spec.headerSize);
    out.insert(out.end(), header.begin(), header.end());

    if (spec.masks && spec.headerSize < 52) {
        std::vector<uint8_t> masks(12);
        for (size_t i = 0; i < 3; ++i) {
            Put32(masks, 4 * i, (*spec.masks)[i]);
        }
        out.insert(out.end(), masks.begin(), masks.end());
    }
    for (uint32_t entry : spec.colourTable) {
        out.push_back(static_cast<uint8_t>(entry));
        out.push_back(static_cast<uint8_t>(entry >> 8));
        out.push_back(static_cast<uint8_t>(entry >> 16));
        if (!core) {
            out.push_back(static_cast<uint8_t>(entry >> 24));
        }
    }
    out.insert(out.end(), spec.gap, 0xEE);
    out.insert(out.end(), spec.pixels.begin(), spec.pixels.end());
    if (spec.truncateTo && *spec.truncateTo < out.size()) {
        out.resize(*spec.truncateTo);
    }
    return out;
}

struct Bgr {
    uint8_t b, g, r;
};

// A 24-bit picture whose pixel (x, y), y = 0 the top row, is pixel(x, y);
// rows stored bottom first for a positive height, top first for a negative.
inline BmpSpec Bitmap24(int32_t width, int32_t height, const std::function<Bgr(int32_t, int32_t)>& pixel) {
    BmpSpec spec{.width = width, .height = height, .bitsPerPixel = 24};
    const int32_t rows = std::abs(height);
    const size_t stride = Stride(width, 24);
    spec.pixels.assign(RasterBytes(spec), 0);
    spec.imageSizeField = static_cast<uint32_t>(spec.pixels.size());
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* row = spec.pixels.data() + stride * static_cast<size_t>(height > 0 ? rows - 1 - y : y);
        for (int32_t x = 0; x < width; ++x) {
            const Bgr p = pixel(x, y);
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
    }
    return spec;
}

// An 8-bit picture with a grey colour table (entry i: grey i) whose pixel
// (x, y), y = 0 the top row, is index(x, y); stored as Bitmap24 stores it.
inline BmpSpec Grey8(int32_t width, int32_t height, const std::function<uint8_t(int32_t, int32_t)>& index) {
    BmpSpec spec{.width = width, .height = height, .bitsPerPixel = 8};
    for (uint32_t i = 0; i < 256; ++i) spec.colourTable.push_back(i * 0x010101u);
    const int32_t rows = std::abs(height);
    const size_t stride = Stride(width, 8);
    spec.pixels.assign(RasterBytes(spec), 0);
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* row = spec.pixels.data() + stride * static_cast<size_t>(height > 0 ? rows - 1 - y : y);
        for (int32_t x = 0; x < width; ++x) row[x] = index(x, y);
    }
    return spec;
}

// Writes `bytes` to `path`; false (errno set) when any of it could not be
// written or the file could not be closed.
inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// Writes the file of `spec` (its pixels left empty) with the rows given by
// fillRow, one stride-long row at a time in file order, so that a large
// picture is never held whole. Sets the size fields from the raster size.
// False (errno set) when the file could not be written.
inline bool WriteRows(const std::string& path, BmpSpec spec,
                      const std::function<void(int32_t fileRow, std::vector<uint8_t>& row)>& fillRow) {
    const size_t raster = RasterBytes(spec);
    spec.pixels.clear();
    spec.imageSizeField = static_cast<uint32_t>(raster);
    std::vector<uint8_t> header = BuildBmp(spec);
    detail::Put32(header, 2, static_cast<uint32_t>(header.size() + raster));
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool written = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    std::vector<uint8_t> row(Stride(spec.width, spec.bitsPerPixel), 0);
    const int32_t rows = std::abs(spec.height);
    for (int32_t r = 0; written && r < rows; ++r) {
        fillRow(r, row);
        written = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && written;
}

}  // namespace bmp_builder
