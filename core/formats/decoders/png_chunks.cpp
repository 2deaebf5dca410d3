#include "png_chunks.h"

#include <cstdio>
#include <limits>
#include <string>

#include "error.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

constexpr uint32_t Tag(const char (&name)[5]) {
    return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
           (uint32_t(uint8_t(name[2])) << 8) | uint32_t(uint8_t(name[3]));
}

constexpr uint32_t kIhdr = Tag("IHDR");
constexpr uint32_t kPlte = Tag("PLTE");
constexpr uint32_t kTrns = Tag("tRNS");
constexpr uint32_t kIdat = Tag("IDAT");
constexpr uint32_t kIend = Tag("IEND");

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The type as text when it is four letters, else its bytes in hex.
std::string TypeName(uint32_t type) {
    const uint8_t bytes[4] = {uint8_t(type >> 24), uint8_t(type >> 16), uint8_t(type >> 8), uint8_t(type)};
    if (IsLetter(bytes[0]) && IsLetter(bytes[1]) && IsLetter(bytes[2]) && IsLetter(bytes[3])) {
        return std::string(bytes, bytes + 4);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", type);
    return hex;
}

[[noreturn]] void Fail(const std::string& message, ErrorKind kind = ErrorKind::Decode) {
    throw CitraError(message, kind);
}

void Keep(PngChunkMap& map, size_t offset, size_t size) {
    PngByteRange& last = map.kept[map.keptCount - 1];
    if (last.offset + last.size == offset) {
        last.size += size;  // adjacent: one read serves both
    } else {
        map.kept[map.keptCount++] = {offset, size};
    }
}

}  // namespace

PngChunkMap MapPngChunks(std::span<const uint8_t> file) {
    const size_t size = file.size();
    for (size_t i = 0; i < 8; ++i) {
        if (i == size) Fail("file cut short in the PNG signature", ErrorKind::CutShort);
        if (file[i] != kSignature[i]) Fail("not a PNG file (bad signature)");
    }
    PngChunkMap map;
    map.kept[map.keptCount++] = {0, 8};
    bool seenPlte = false, seenTrns = false, idatEnded = false;
    bool inIdat = false;
    size_t at = 8;
    for (bool first = true;; first = false) {
        if (size - at < 8) {
            if (at == size) {
                Fail("file cut short: its " + std::to_string(size) + " bytes end before the PNG IEND chunk",
                     ErrorKind::CutShort);
            }
            Fail("file cut short in a PNG chunk header at byte " + std::to_string(at), ErrorKind::CutShort);
        }
        const uint32_t length = Be32(file.data() + at);
        const uint32_t type = Be32(file.data() + at + 4);
        auto where = [at] { return " at byte " + std::to_string(at); };
        for (int shift = 24; shift >= 0; shift -= 8) {
            if (!IsLetter(uint8_t(type >> shift))) Fail("bad PNG chunk type " + TypeName(type) + where());
        }
        if (length > kMaxChunkLength) {
            Fail("PNG chunk " + TypeName(type) + where() + " declares " + std::to_string(length) +
                 " bytes, above the largest a chunk may hold");
        }
        // Data and CRC must lie in the file, read or not.
        if (size - at - 8 < uint64_t{length} + 4) {
            Fail("file cut short in PNG chunk " + TypeName(type) + where() + ": " + std::to_string(size - at - 8) +
                     " of its " + std::to_string(uint64_t{length} + 4) + " bytes of data and CRC present",
                 ErrorKind::CutShort);
        }
        const size_t chunkSize = 12 + size_t{length};
        if (first) {
            if (type != kIhdr) Fail("PNG file starts with a " + TypeName(type) + " chunk, not IHDR");
            if (length != 13) Fail("PNG IHDR chunk of " + std::to_string(length) + " bytes, not 13");
            const uint8_t* d = file.data() + at + 8;
            map.header = {Be32(d), Be32(d + 4), d[8], d[9], d[10], d[11], d[12]};
            Keep(map, at, chunkSize);
            at += chunkSize;
            continue;
        }
        if (type == kIdat) {
            if (idatEnded) Fail("PNG image data interrupted: IDAT chunk" + where() + " after other chunks");
            if (!inIdat) map.idatRun.offset = at;
            inIdat = true;
            map.idatRun.size = at + chunkSize - map.idatRun.offset;
            map.idatBytes += length;
            at += chunkSize;
            continue;
        }
        if (inIdat) {
            // The run of IDAT chunks is kept as one range.
            Keep(map, map.idatRun.offset, map.idatRun.size);
            inIdat = false;
            idatEnded = true;
        }
        const bool critical = (type >> 29 & 1) == 0;  // first letter upper case
        if (type == kIend) {
            if (!idatEnded) Fail("PNG file has no image data (no IDAT chunk before IEND)");
            Keep(map, at, chunkSize);
            map.iend = {at, chunkSize};
            return map;
        } else if (type == kIhdr) {
            Fail("second PNG IHDR chunk" + where());
        } else if (type == kPlte) {
            if (seenPlte) Fail("second PNG PLTE chunk" + where());
            if (idatEnded) Fail("PNG PLTE chunk" + where() + " after the image data");
            seenPlte = true;
            Keep(map, at, chunkSize);
        } else if (type == kTrns) {
            // libspng would not use a second tRNS or one after the image
            // data either.
            if (!seenTrns && !idatEnded) Keep(map, at, chunkSize);
            seenTrns = true;
        } else if (critical) {
            Fail("unknown critical PNG chunk " + TypeName(type) + where());
        }
        at += chunkSize;
    }
}

uint64_t PngFilteredBytes(const PngHeader& header) {
    int channels = 1;
    switch (header.colourType) {
        case 2: channels = 3; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: channels = 1; break;
    }
    const uint64_t pixelBits = uint64_t(channels) * header.bitDepth;
    // Adam7: each pass's first column and row, and its steps.
    struct Pass {
        uint32_t x0, y0, dx, dy;
    };
    static constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
    const std::span<const Pass> passes = header.interlace != 0 ? std::span<const Pass>(kAdam7) : kWhole;
    uint64_t total = 0;
    for (const Pass& p : passes) {
        if (header.width <= p.x0 || header.height <= p.y0) continue;  // an empty pass has no rows
        const uint64_t columns = (uint64_t{header.width} - p.x0 + p.dx - 1) / p.dx;
        const uint64_t rows = (uint64_t{header.height} - p.y0 + p.dy - 1) / p.dy;
        const uint64_t rowBytes = 1 + (columns * pixelBits + 7) / 8;  // below 2^38
        if (rowBytes > std::numeric_limits<uint64_t>::max() / rows) return std::numeric_limits<uint64_t>::max();
        const uint64_t passBytes = rowBytes * rows;
        if (passBytes > std::numeric_limits<uint64_t>::max() - total) return std::numeric_limits<uint64_t>::max();
        total += passBytes;
    }
    return total;
}

// Deflate's densest output: a dynamic block whose literal/length code gives
// length 258 (symbol 285, no extra bits) one bit, and whose one distance
// code (distance 1) has one bit too: 258 bytes for every 2 bits. Nothing is
// cheaper: every Huffman code is at least one bit long (the literal/length
// code also holds end-of-block, so it has two symbols or more), a match
// needs a length and a distance, a literal gives one byte for at least one
// bit, and stored or fixed blocks give less (8 bits a byte; 13 bits for 258
// bytes). So every input bit yields at most 129 bytes, 1032 a byte. The
// zlib header, block headers and Adler-32 yield nothing and are counted as
// if they did, so a stream shorter than this cannot be the image data.
uint64_t MinZlibBytes(uint64_t inflatedBytes) {
    constexpr uint64_t kMostBytesPerByte = 1032;
    return inflatedBytes / kMostBytesPerByte + (inflatedBytes % kMostBytesPerByte != 0 ? 1 : 0);
}
