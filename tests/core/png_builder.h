#pragma once
// PNG files put together chunk by chunk, for the files an encoder will not
// write: colour keys outside the sample range, chunks in odd places, broken
// chunks, and image data or compressed chunks of a chosen density. No zlib:
// image data is stored (deflate's uncompressed blocks), or the densest
// stream deflate allows (DenseZeros).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace png_builder {

using Bytes = std::vector<uint8_t>;

inline void Put32(Bytes& out, uint32_t v) {
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

inline uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

inline Bytes Signature() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }

// A chunk with its length and CRC.
inline Bytes Chunk(const std::string& type, const Bytes& data) {
    Bytes out;
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc32(out.data() + 4, out.size() - 4));
    return out;
}

inline Bytes Ihdr(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType, uint8_t interlace = 0) {
    Bytes data;
    Put32(data, width);
    Put32(data, height);
    data.insert(data.end(), {bitDepth, colourType, 0, 0, interlace});
    return Chunk("IHDR", data);
}

inline Bytes Iend() { return Chunk("IEND", {}); }

// Big-endian 16-bit values, as tRNS and 16-bit samples are stored.
inline Bytes Be16(const std::vector<uint16_t>& values) {
    Bytes out;
    for (uint16_t v : values) out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)});
    return out;
}

inline uint32_t Adler32(const Bytes& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// A zlib stream of stored blocks.
inline Bytes Stored(const Bytes& data) {
    Bytes out{0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, data.size() - at);
        out.push_back(at + n == data.size() ? 1 : 0);
        out.insert(out.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        out.insert(out.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < data.size());
    Put32(out, Adler32(data));
    return out;
}

// Rows with filter type 0 in front of each: the image data of a
// non-interlaced picture, before compression.
inline Bytes Unfiltered(const Bytes& packedRows, size_t rowBytes) {
    Bytes out;
    for (size_t at = 0; at < packedRows.size(); at += rowBytes) {
        out.push_back(0);
        out.insert(out.end(), packedRows.begin() + static_cast<long>(at),
                   packedRows.begin() + static_cast<long>(at + rowBytes));
    }
    return out;
}

namespace detail {
struct BitWriter {
    Bytes out;
    int used = 0;  // bits of the last byte taken
    void Bit(unsigned bit) {
        if (used == 0) out.push_back(0);
        out.back() = static_cast<uint8_t>(out.back() | (bit << used));
        used = (used + 1) % 8;
    }
    // A value, least significant bit first (header fields, extra bits).
    void Value(unsigned value, int bits) {
        for (int i = 0; i < bits; ++i) Bit((value >> i) & 1);
    }
    // A Huffman code, most significant bit first.
    void Code(unsigned code, int bits) {
        for (int i = bits - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
};
}  // namespace detail

// A zlib stream of `count` zero bytes (count >= 1) as dense as deflate
// allows: one dynamic block whose literal/length code gives length 258 one
// bit and whose one distance code (distance 1) one bit, so each further
// 258 zeros cost two bits, and a zero byte of stream stands for 1032 zeros.
// Valid image data for any header: every row filter 0, every sample 0.
inline Bytes DenseZeros(uint64_t count) {
    detail::BitWriter w;
    w.out = {0x78, 0xDA};
    w.Value(1, 1);   // last block
    w.Value(2, 2);   // dynamic Huffman codes
    w.Value(29, 5);  // 286 literal/length codes
    w.Value(0, 5);   // 1 distance code
    w.Value(14, 4);  // 18 code length codes
    // Code length code lengths in their stored order: 18 gets 1 bit, 1 and
    // 2 get 2 bits, the rest none.
    const int order[18] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1};
    for (int symbol : order) w.Value(symbol == 18 ? 1 : (symbol == 1 || symbol == 2) ? 2 : 0, 3);
    // Canonical codes: 18 -> 0, 1 -> 10, 2 -> 11.
    auto zeros = [&](unsigned n) {  // 11..138 zero lengths
        w.Code(0, 1);
        w.Value(n - 11, 7);
    };
    w.Code(3, 2);  // literal 0: length 2
    zeros(138);
    zeros(117);    // literals 1..255 unused
    w.Code(3, 2);  // 256 (end of block): length 2
    zeros(28);     // lengths 257..284 unused
    w.Code(2, 2);  // 285 (length 258): length 1
    w.Code(2, 2);  // distance 0 (distance 1): length 1
    // Literal/length codes: 285 -> 0, literal 0 -> 10, end of block -> 11;
    // distance 0 -> 0.
    w.Code(2, 2);
    const uint64_t matches = (count - 1) / 258;
    for (uint64_t i = 0; i < matches; ++i) {
        w.Bit(0);
        w.Bit(0);
    }
    for (uint64_t i = 0; i < (count - 1) % 258; ++i) w.Code(2, 2);
    w.Code(3, 2);
    Put32(w.out, static_cast<uint32_t>((count % 65521) << 16 | 1));  // Adler-32 of zeros
    return w.out;
}

// signature, IHDR, `before`, IDAT holding `idat`, `after`, IEND.
inline Bytes File(const Bytes& ihdr, const Bytes& idat, const Bytes& before = {}, const Bytes& after = {}) {
    Bytes out = Signature();
    for (const Bytes* part : {&ihdr, &before}) out.insert(out.end(), part->begin(), part->end());
    const Bytes chunk = Chunk("IDAT", idat);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), after.begin(), after.end());
    const Bytes end = Iend();
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace png_builder
