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
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
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

}  // namespace bmp_builder
