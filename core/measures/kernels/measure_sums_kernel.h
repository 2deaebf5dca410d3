#pragma once
// The per channel sums measure adds to the difference pass, written once
// and built twice (measure_sums_generic.cpp, measure_sums_avx2.cpp), so the
// compiler vectorises the same loops for processors with AVX2.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace measure_detail {

// Exact per channel sums the difference pass does not keep: sums of |d|,
// of a b, a^2 and b^2 (below 2^64 for any image the readers make: at most
// 2^29 samples of at most 65535^2), the changed samples and largest
// difference, and whether every sample of both is 0 or the peak.
struct ChannelSums {
    uint64_t abs = 0, ab = 0, aa = 0, bb = 0, changed = 0;
    uint32_t maxAbs = 0;
    bool bilevel = true;
    void Add(const ChannelSums& o) {
        abs += o.abs;
        ab += o.ab;
        aa += o.aa;
        bb += o.bb;
        changed += o.changed;
        maxAbs = std::max(maxAbs, o.maxAbs);
        bilevel = bilevel && o.bilevel;
    }
};

struct Sums {
    ChannelSums channel[4];
    void Add(const Sums& o) {
        for (int c = 0; c < 4; ++c) channel[c].Add(o.channel[c]);
    }
};

// One block of pixels, C channels interleaved: every channel's sums in one
// forward pass with no branch, the channel count known to the compiler, in
// accumulators of type Acc (32 bits for 8-bit samples, so the loop
// vectorises; the caller keeps a block small enough for them).
template <class T, int C, class Acc>
void TallyBlock(const T* a, const T* b, size_t begin, size_t end, uint32_t peak, Sums& out) {
    Acc abs[C] = {}, ab[C] = {}, aa[C] = {}, bb[C] = {}, changed[C] = {};
    uint32_t maxAbs[C] = {};
    uint32_t offLevel[C] = {};  // non-zero once a sample is neither 0 nor the peak
    for (size_t p = begin; p < end; ++p) {
        const T* x = a + p * C;
        const T* y = b + p * C;
        for (int c = 0; c < C; ++c) {
            const uint32_t u = x[c], v = y[c];
            const uint32_t d = u > v ? u - v : v - u;
            abs[c] += d;
            ab[c] += static_cast<Acc>(u) * v;
            aa[c] += static_cast<Acc>(u) * u;
            bb[c] += static_cast<Acc>(v) * v;
            changed[c] += d != 0;
            maxAbs[c] = d > maxAbs[c] ? d : maxAbs[c];
            offLevel[c] |= static_cast<uint32_t>((u != 0) & (u != peak)) | static_cast<uint32_t>((v != 0) & (v != peak));
        }
    }
    for (int c = 0; c < C; ++c) {
        ChannelSums part;
        part.abs = abs[c];
        part.ab = ab[c];
        part.aa = aa[c];
        part.bb = bb[c];
        part.changed = changed[c];
        part.maxAbs = maxAbs[c];
        part.bilevel = offLevel[c] == 0;
        out.channel[c].Add(part);
    }
}

// 8-bit samples in blocks whose 32-bit sums cannot overflow (255^2 x 65536
// is below 2^32); 16-bit ones in 64 bits throughout.
template <class T, int C>
void TallyPixels(const T* a, const T* b, size_t begin, size_t end, uint32_t peak, Sums& out) {
    if constexpr (sizeof(T) == 1) {
        constexpr size_t kBlock = 65536;
        for (size_t first = begin; first < end; first += kBlock)
            TallyBlock<T, C, uint32_t>(a, b, first, std::min(end, first + kBlock), peak, out);
    } else {
        TallyBlock<T, C, uint64_t>(a, b, begin, end, peak, out);
    }
}


// Every channel's sums of pixels [begin, end).
template <class T>
void TallyRange(const T* a, const T* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out) {
    switch (channels) {
    case 1: TallyPixels<T, 1>(a, b, begin, end, peak, out); break;
    case 2: TallyPixels<T, 2>(a, b, begin, end, peak, out); break;
    case 3: TallyPixels<T, 3>(a, b, begin, end, peak, out); break;
    default: TallyPixels<T, 4>(a, b, begin, end, peak, out); break;
    }
}

// The two builds; TallyMeasureSums of measure.cpp picks one at run time.
void TallyGeneric(const uint8_t* a, const uint8_t* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out);
void TallyGeneric(const uint16_t* a, const uint16_t* b, size_t begin, size_t end, int channels, uint32_t peak,
                  Sums& out);
#if defined(CITRA_AVX2_KERNELS)
void TallyAvx2(const uint8_t* a, const uint8_t* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out);
void TallyAvx2(const uint16_t* a, const uint16_t* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out);
#endif

}  // namespace measure_detail
