// Sample Pair Analysis (Dumitrescu, Wu and Wang, "Detection of LSB
// steganography via sample pair analysis", 2003).
//
// Conventions:
// - Pairs (u, v) of horizontally adjacent samples, overlapping: every
//   (x, x+1) of every row, u the left one.
// - The estimator in P, X, Y, Z, W form: P every pair; X those with v even
//   and u < v or v odd and u > v; Y those with v even and u > v or v odd and
//   u < v; Z those with u = v; W those that differ only in the LSB
//   (2k, 2k+1 in either order, a part of Y). p is the smaller root of
//   (|W| + |Z|) / 2 p^2 + (2|X| - |P|) p + |Y| - |X| = 0, solved here with
//   every coefficient doubled so that all are integers.
// - No pair in W or Z (the trace set C0) leaves no quadratic, and a
//   negative discriminant no real root: no estimate either way (near a
//   full payload the roots meet, and noise can part them so).
#include <algorithm>

#include "cpu_features.h"
#include "payload_estimate.h"

namespace {

constexpr std::string_view kNoPair = "no pair of horizontally adjacent samples";
constexpr std::string_view kNoC0 = "no adjacent pair of equal samples or samples differing only in the LSB";
constexpr std::string_view kNoRealRoot = "the SPA quadratic has no real root";

struct PairCounts {
    int64_t x = 0, z = 0, w = 0;
};

// A pair is in X when u != v and (u < v) differs from v's parity (X and Y
// split the pairs with u != v between them); W when u ^ v = 1.
inline uint8_t InX(uint8_t u, uint8_t v) { return (u != v) & ((u < v) ^ (v & 1)); }

// kLanes pairs side by side, counted in bytes up to 255 a lane: as many as
// the processor's vectors take (16, or 32 with AVX2).
template <size_t kStep, int kLanes>  // kStep 0: the plane's own step
[[gnu::always_inline]] inline PairCounts Count(const SamplePlane& plane) {
    const size_t step = kStep != 0 ? kStep : plane.pixelStep;
    PairCounts counts;
    const int32_t pairs = plane.width - 1;
    for (int32_t y = 0; y < plane.height; ++y) {
        const uint8_t* row = plane.Row(y);
        int32_t i = 0;
        while (pairs - i >= kLanes) {
            const int32_t end = i + std::min(pairs - i, kLanes * 255) / kLanes * kLanes;
            uint8_t x[kLanes] = {}, z[kLanes] = {}, w[kLanes] = {};
            for (; i < end; i += kLanes) {
                for (int k = 0; k < kLanes; ++k) {
                    const uint8_t u = row[static_cast<size_t>(i + k) * step],
                                  v = row[static_cast<size_t>(i + k + 1) * step];
                    x[k] += InX(u, v);
                    z[k] += u == v;
                    w[k] += (u ^ v) == 1;
                }
            }
            for (int k = 0; k < kLanes; ++k) {
                counts.x += x[k];
                counts.z += z[k];
                counts.w += w[k];
            }
        }
        for (; i < pairs; ++i) {
            const uint8_t u = row[static_cast<size_t>(i) * step], v = row[static_cast<size_t>(i + 1) * step];
            counts.x += InX(u, v);
            counts.z += u == v;
            counts.w += (u ^ v) == 1;
        }
    }
    return counts;
}

PairCounts CountOneChannel(const SamplePlane& plane) { return Count<1, 16>(plane); }
PairCounts CountInterleaved(const SamplePlane& plane) { return Count<0, 16>(plane); }

#if defined(CITRA_AVX2_KERNELS)
__attribute__((target("avx2,fma"))) PairCounts CountOneChannelAvx2(const SamplePlane& plane) {
    return Count<1, 32>(plane);
}
#endif

PairCounts CountPairs(const SamplePlane& plane) {
    if (plane.pixelStep != 1) return CountInterleaved(plane);
#if defined(CITRA_AVX2_KERNELS)
    if (CpuHasAvx2Fma()) return CountOneChannelAvx2(plane);
#endif
    return CountOneChannel(plane);
}

}  // namespace

PayloadEstimate SamplePairAnalysis(const SamplePlane& plane) {
    using namespace detect_internal;
    if (plane.width < 2 || plane.height < 1) return NoEstimate(kNoPair);
    const PairCounts n = CountPairs(plane);
    const int64_t pairs = static_cast<int64_t>(plane.width - 1) * plane.height;
    const int64_t y = pairs - n.x - n.z;  // every pair with u != v is in X or in Y
    const int64_t a = n.w + n.z;
    const int64_t b = 2 * (2 * n.x - pairs);
    const int64_t c = 2 * (y - n.x);
    if (a == 0) return NoEstimate(kNoC0);
    const __int128 d = Discriminant(a, b, c);
    if (d < 0) return NoEstimate(kNoRealRoot);
    return Estimated(RealRoots(a, b, c, d).lower);
}
