#pragma once
// The loops of TallyDifferences, built twice: for plain x86-64 and with
// AVX2 (sample_differences_generic.cpp, sample_differences_avx2.cpp). They
// live in an unnamed namespace so each build stays in its own file.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sample_differences.h"

namespace {

// Samples of a block: a multiple of every channel count (1 to 4), so lane l
// of every block holds channel l % channels.
constexpr size_t kLanes = 48;

inline void FoldLanes(const uint64_t* squares, int channels, SampleDifferences& out) {
    for (size_t l = 0; l < kLanes; ++l) out.squares[l % static_cast<size_t>(channels)] += squares[l];
}

template <class T>
inline void TallyTail(const T* a, const T* b, size_t n, int channels, SampleDifferences& out) {
    for (size_t i = 0; i < n; ++i) {
        const int32_t d = static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
        const uint32_t ad = static_cast<uint32_t>(d < 0 ? -d : d);
        out.squares[i % static_cast<size_t>(channels)] += static_cast<uint64_t>(ad) * ad;
        out.changed += ad != 0;
        out.maxAbs = std::max(out.maxAbs, ad);
    }
}

// 8 bits: the absolute differences stay bytes, their squares fit 16 bits,
// and a group of up to 255 blocks is counted in byte lanes and summed in
// 32-bit lanes (255 * 65025 < 2^32) before widening: narrow lanes that the
// compiler turns into wide vector operations.
inline void TallyBytes(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out) {
    constexpr size_t kGroup = 255;
    uint64_t squares[kLanes] = {};
    uint64_t changed = 0;
    uint8_t maxAbs = 0;
    size_t i = 0;
    while (n - i >= kLanes) {
        const size_t blocks = std::min((n - i) / kLanes, kGroup);
        uint32_t sq[kLanes] = {};
        uint8_t ch[kLanes] = {};
        uint8_t mx[kLanes] = {};
        for (size_t k = 0; k < blocks; ++k, i += kLanes) {
            for (size_t l = 0; l < kLanes; ++l) {
                const uint8_t x = a[i + l];
                const uint8_t y = b[i + l];
                const uint8_t ad = static_cast<uint8_t>(x > y ? x - y : y - x);
                sq[l] += static_cast<uint16_t>(ad * ad);
                ch[l] += ad != 0;
                mx[l] = std::max(mx[l], ad);
            }
        }
        for (size_t l = 0; l < kLanes; ++l) {
            squares[l] += sq[l];
            changed += ch[l];
            maxAbs = std::max(maxAbs, mx[l]);
        }
    }
    FoldLanes(squares, channels, out);
    out.changed += changed;
    out.maxAbs = std::max<uint32_t>(out.maxAbs, maxAbs);
    TallyTail(a + i, b + i, n - i, channels, out);
}

// 16 bits: a square needs 32 bits, so lanes are summed in 64.
inline void TallyWords(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out) {
    uint64_t squares[kLanes] = {};
    uint64_t changed[kLanes] = {};
    uint32_t maxAbs[kLanes] = {};
    size_t i = 0;
    for (; n - i >= kLanes; i += kLanes) {
        for (size_t l = 0; l < kLanes; ++l) {
            const int32_t d = static_cast<int32_t>(a[i + l]) - static_cast<int32_t>(b[i + l]);
            const uint32_t ad = static_cast<uint32_t>(d < 0 ? -d : d);
            squares[l] += static_cast<uint64_t>(ad) * ad;
            changed[l] += ad != 0;
            maxAbs[l] = std::max(maxAbs[l], ad);
        }
    }
    FoldLanes(squares, channels, out);
    for (size_t l = 0; l < kLanes; ++l) {
        out.changed += changed[l];
        out.maxAbs = std::max(out.maxAbs, maxAbs[l]);
    }
    TallyTail(a + i, b + i, n - i, channels, out);
}

}  // namespace
