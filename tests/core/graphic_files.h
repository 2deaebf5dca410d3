#pragma once
// Small, well-formed icon, metafile and JPEG files built in memory for the
// loader tests, with the offsets of the fields a test may want to break.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "image_encoders.h"

namespace graphic_files {

inline void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// ICONDIR (reserved, type, count) and one 16-byte directory entry.
inline std::vector<uint8_t> IconFile(uint16_t type = 1) {
    std::vector<uint8_t> out(6 + 16, 0);
    Put16(out, 2, type);
    Put16(out, 4, 1);
    out[6] = 16;  // width
    out[7] = 16;  // height
    return out;
}

// Enhanced metafile: a 108-byte EMR_HEADER and a 20-byte EMR_EOF.
inline constexpr size_t kEmfTotalLengthAt = 48;
inline constexpr size_t kEmfEofRecordAt = 108;
inline std::vector<uint8_t> EnhancedMetafile() {
    std::vector<uint8_t> out(128, 0);
    Put32(out, 0, 1);      // EMR_HEADER
    Put32(out, 4, 108);    // record size
    Put32(out, 16, 31);    // bounds right
    Put32(out, 20, 31);    // bounds bottom
    Put32(out, 40, 0x464D4520);
    Put32(out, 44, 0x10000);
    Put32(out, kEmfTotalLengthAt, 128);
    Put32(out, 52, 2);     // records
    Put16(out, 56, 1);     // handles
    Put32(out, 72, 1024);  // device size in pixels
    Put32(out, 76, 768);
    Put32(out, 80, 320);   // device size in millimetres
    Put32(out, 84, 240);
    Put32(out, kEmfEofRecordAt, 14);  // EMR_EOF
    Put32(out, kEmfEofRecordAt + 4, 20);
    Put32(out, kEmfEofRecordAt + 12, 16);
    Put32(out, kEmfEofRecordAt + 16, 20);
    return out;
}

// Placeable Windows metafile: the 22-byte placeable header, the 18-byte
// METAHEADER, a META_SETMAPMODE record (4 words) and META_EOF (3 words).
inline constexpr size_t kWmfChecksumAt = 20;
inline constexpr size_t kWmfFirstRecordAt = 40;
inline constexpr size_t kWmfEofRecordAt = 48;
inline void SetPlaceableChecksum(std::vector<uint8_t>& out) {
    uint16_t sum = 0;
    for (size_t at = 0; at < 20; at += 2) {
        sum ^= static_cast<uint16_t>(out[at] | (out[at + 1] << 8));
    }
    Put16(out, kWmfChecksumAt, sum);
}
inline std::vector<uint8_t> PlaceableMetafile() {
    std::vector<uint8_t> out(54, 0);
    Put32(out, 0, 0x9AC6CDD7);
    Put16(out, 10, 32);    // bounding box right
    Put16(out, 12, 32);    // bounding box bottom
    Put16(out, 14, 1440);  // units per inch
    SetPlaceableChecksum(out);
    Put16(out, 22, 1);     // in memory
    Put16(out, 24, 9);     // header words
    Put16(out, 26, 0x300);
    Put32(out, 28, (54 - 22) / 2);
    Put32(out, 34, 4);     // largest record
    Put32(out, kWmfFirstRecordAt, 4);
    Put16(out, kWmfFirstRecordAt + 4, 0x0103);
    Put16(out, kWmfFirstRecordAt + 6, 8);
    Put32(out, kWmfEofRecordAt, 3);
    Put16(out, kWmfEofRecordAt + 4, 0x0000);
    return out;
}

// A baseline RGB JPEG of the given size, made with the library's compressor.
inline std::vector<uint8_t> JpegFile(int width, int height) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> samples(rowBytes * static_cast<size_t>(height));
    for (size_t y = 0; y < static_cast<size_t>(height); ++y)
        for (size_t i = 0; i < rowBytes; ++i) samples[y * rowBytes + i] = static_cast<uint8_t>((i * 40 + y * 90) & 0xFF);
    return image_encoders::Jpeg(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 3, samples, 75);
}

}  // namespace graphic_files
