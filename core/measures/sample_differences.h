#pragma once
// The one pass over two images' samples behind every difference metric:
// per channel the exact sum of squared differences, and over all channels
// the samples that differ and the largest absolute difference.
#include <cstddef>
#include <cstdint>

struct SampleDifferences {
    uint64_t squares[4] = {};   // by channel, in the order the samples are interleaved
    uint64_t changed = 0;       // samples that differ
    uint32_t maxAbs = 0;        // largest absolute difference of a sample

    void Add(const SampleDifferences& other);
    // One sample of `channel`.
    void AddSample(int channel, uint32_t a, uint32_t b) {
        const uint32_t d = a > b ? a - b : b - a;
        squares[channel] += static_cast<uint64_t>(d) * d;
        changed += d != 0;
        if (d > maxAbs) maxAbs = d;
    }
};

// Adds n samples of `channels` (1 to 4) interleaved channels to `out`;
// a and b start at a sample of the first channel. Exact for any n: sums
// are kept in 64 bits.
void TallyDifferences(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out);
void TallyDifferences(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out);
