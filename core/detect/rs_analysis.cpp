// RS analysis (Fridrich, Goljan and Du, "Reliable detection of LSB
// steganography in color and grayscale images", 2001).
//
// Conventions:
// - Groups are 4 horizontally adjacent samples of a row, side by side
//   without overlap from the left; the columns left over at the right are
//   dropped. Discrimination f(x1..x4) = sum |x_{i+1} - x_i|.
// - Mask M = [0 1 1 0] and -M = [0 -1 -1 0]: F1 flips 2k <-> 2k+1, F-1
//   shifts it, 2k-1 <-> 2k (so 0 -> -1 and 255 -> 256: only differences
//   matter, nothing is clipped). A group is regular when flipping raises
//   f, singular when it lowers it.
// - d0 = R_M - S_M, d-0 = R_-M - S_-M on the image, d1 and d-1 the same
//   on the image with every LSB flipped; counts stand for the relative
//   numbers, which scales every coefficient alike. The quadratic
//   2(d1 + d0) z^2 + (d-0 - d-1 - d1 - 3 d0) z + d0 - d-0 = 0, its root of
//   smaller absolute value (on a tie the negative one), p = z / (z - 1/2).
//   With a zero z^2 coefficient the equation is linear and solved as such.
// - No estimate without a group, with both the z^2 and z coefficients zero,
//   with a negative discriminant (as happens near a full payload) or with
//   the root z = 1/2.
#include <algorithm>
#include <cstdlib>
#if defined(CITRA_AVX2_KERNELS)
#include <immintrin.h>
#endif

#include "cpu_features.h"
#include "payload_estimate.h"

namespace {

constexpr std::string_view kNoGroup = "no group of 4 horizontally adjacent samples";
constexpr std::string_view kDegenerate = "the RS equation is degenerate: its z^2 and z coefficients are both zero";
constexpr std::string_view kNoRealRoot = "the RS quadratic has no real root";
constexpr std::string_view kHalfRoot = "the RS root is z = 1/2, which gives no payload";

inline int FlipShifted(int x) { return x + 2 * (x & 1) - 1; }  // F-1: even down, odd up

inline int Sign(int v) { return (v > 0) - (v < 0); }

// The sign of f after the mask changed samples 1 and 2 to m1, m2, less f
// before: +1 for a regular group, -1 for a singular one.
inline int Change(int x0, int x3, int m1, int m2, int before) {
    return Sign(std::abs(m1 - x0) + std::abs(m2 - m1) + std::abs(x3 - m2) - before);
}

inline int F(int x0, int x1, int x2, int x3) { return std::abs(x1 - x0) + std::abs(x2 - x1) + std::abs(x3 - x2); }

using detect_internal::RsCounts;

// Groups [from, to) of a row, one at a time.
void AddGroups(const uint8_t* row, int32_t from, int32_t to, size_t step, RsCounts& counts) {
    for (int32_t g = from; g < to; ++g) {
        const uint8_t* p = row + static_cast<size_t>(g) * 4 * step;
        const int x0 = p[0], x1 = p[step], x2 = p[2 * step], x3 = p[3 * step];
        const int f = F(x0, x1, x2, x3);
        counts.d0 += Change(x0, x3, x1 ^ 1, x2 ^ 1, f);
        counts.dn0 += Change(x0, x3, FlipShifted(x1), FlipShifted(x2), f);
        const int y0 = x0 ^ 1, y1 = x1 ^ 1, y2 = x2 ^ 1, y3 = x3 ^ 1;  // every LSB flipped
        const int fy = F(y0, y1, y2, y3);
        counts.d1 += Change(y0, y3, x1, x2, fy);
        counts.dn1 += Change(y0, y3, FlipShifted(y1), FlipShifted(y2), fy);
    }
}

// The same for a row of one channel, in chunks laid out for the compiler's
// vectors: the groups' samples apart in 16-bit lanes, then every group
// alike, then the signs added up.
constexpr int kChunk = 128;

inline int16_t Abs16(int16_t v) { return v < 0 ? static_cast<int16_t>(-v) : v; }
inline int16_t Flip16(int16_t x) { return static_cast<int16_t>(x ^ 1); }
inline int16_t FlipShifted16(int16_t x) { return static_cast<int16_t>(x + 2 * (x & 1) - 1); }
inline int16_t Sign16(int16_t after, int16_t before) {
    return static_cast<int16_t>((after > before) - (after < before));
}
inline int16_t F16(int16_t x0, int16_t x1, int16_t x2, int16_t x3) {
    return static_cast<int16_t>(Abs16(static_cast<int16_t>(x1 - x0)) + Abs16(static_cast<int16_t>(x2 - x1)) +
                                Abs16(static_cast<int16_t>(x3 - x2)));
}

[[gnu::always_inline]] inline void AddRowChunked(const uint8_t* row, int32_t groups, RsCounts& counts) {
    for (int32_t start = 0; start < groups; start += kChunk) {
        const int n = std::min<int32_t>(kChunk, groups - start);
        const uint8_t* p = row + static_cast<size_t>(start) * 4;
        int16_t v0[kChunk], v1[kChunk], v2[kChunk], v3[kChunk];
        for (int g = 0; g < n; ++g) {
            v0[g] = p[4 * g];
            v1[g] = p[4 * g + 1];
            v2[g] = p[4 * g + 2];
            v3[g] = p[4 * g + 3];
        }
        int16_t s0[kChunk], s1[kChunk], s2[kChunk], s3[kChunk];
        for (int g = 0; g < n; ++g) {
            const int16_t x0 = v0[g], x1 = v1[g], x2 = v2[g], x3 = v3[g];
            const int16_t f = F16(x0, x1, x2, x3);
            const int16_t y0 = Flip16(x0), y1 = Flip16(x1), y2 = Flip16(x2), y3 = Flip16(x3);
            const int16_t fy = F16(y0, y1, y2, y3);
            s0[g] = Sign16(F16(x0, y1, y2, x3), f);  // F1 on samples 1 and 2: their flipped values
            s1[g] = Sign16(F16(x0, FlipShifted16(x1), FlipShifted16(x2), x3), f);
            s2[g] = Sign16(F16(y0, x1, x2, y3), fy);
            s3[g] = Sign16(F16(y0, FlipShifted16(y1), FlipShifted16(y2), y3), fy);
        }
        int t0 = 0, t1 = 0, t2 = 0, t3 = 0;
        for (int g = 0; g < n; ++g) {
            t0 += s0[g];
            t1 += s1[g];
            t2 += s2[g];
            t3 += s3[g];
        }
        counts.d0 += t0;
        counts.dn0 += t1;
        counts.d1 += t2;
        counts.dn1 += t3;
    }
}

void AddRowFast(const uint8_t* row, int32_t groups, RsCounts& counts) { AddRowChunked(row, groups, counts); }

#if defined(CITRA_AVX2_KERNELS)
// For processors with AVX2 (CpuHasAvx2Fma): 16 groups at a time, their
// samples taken apart by masks and shifts of 32-bit lanes and packed to
// 16 bits (in an order of their own, which the counts do not mind).
#define CITRA_AVX2 __attribute__((target("avx2,fma")))

CITRA_AVX2 inline __m256i F16x16(__m256i x0, __m256i x1, __m256i x2, __m256i x3) {
    return _mm256_add_epi16(
        _mm256_add_epi16(_mm256_abs_epi16(_mm256_sub_epi16(x1, x0)), _mm256_abs_epi16(_mm256_sub_epi16(x2, x1))),
        _mm256_abs_epi16(_mm256_sub_epi16(x3, x2)));
}

CITRA_AVX2 inline __m256i FlipShifted16x16(__m256i x, __m256i one) {
    return _mm256_sub_epi16(_mm256_add_epi16(x, _mm256_slli_epi16(_mm256_and_si256(x, one), 1)), one);
}

// acc + sign(after - before); a comparison gives -1 where it holds.
CITRA_AVX2 inline __m256i AddSign(__m256i acc, __m256i after, __m256i before) {
    return _mm256_add_epi16(_mm256_sub_epi16(acc, _mm256_cmpgt_epi16(after, before)),
                            _mm256_cmpgt_epi16(before, after));
}

CITRA_AVX2 int64_t Total16(__m256i v) {
    alignas(32) int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm256_madd_epi16(v, _mm256_set1_epi16(1)));
    int64_t total = 0;
    for (int32_t lane : lanes) total += lane;
    return total;
}

// Per-lane sums, 16 bits, into `counts`; emptied before 32767 additions
// of +-1 could overflow them.
CITRA_AVX2 void Empty(__m256i (&sums)[4], RsCounts& counts) {
    counts.d0 += Total16(sums[0]);
    counts.dn0 += Total16(sums[1]);
    counts.d1 += Total16(sums[2]);
    counts.dn1 += Total16(sums[3]);
    for (__m256i& v : sums) v = _mm256_setzero_si256();
}

CITRA_AVX2 void AddRowFastAvx2(const uint8_t* row, int32_t groups, RsCounts& counts) {
    const __m256i byte = _mm256_set1_epi32(0xFF), one = _mm256_set1_epi16(1);
    __m256i sums[4];
    for (__m256i& v : sums) v = _mm256_setzero_si256();
    int32_t g = 0;
    for (int held = 0; g + 16 <= groups; g += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * static_cast<size_t>(g)));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * static_cast<size_t>(g) + 32));
        const __m256i x0 = _mm256_packs_epi32(_mm256_and_si256(a, byte), _mm256_and_si256(b, byte));
        const __m256i x1 = _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(a, 8), byte),
                                              _mm256_and_si256(_mm256_srli_epi32(b, 8), byte));
        const __m256i x2 = _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(a, 16), byte),
                                              _mm256_and_si256(_mm256_srli_epi32(b, 16), byte));
        const __m256i x3 = _mm256_packs_epi32(_mm256_srli_epi32(a, 24), _mm256_srli_epi32(b, 24));
        const __m256i y0 = _mm256_xor_si256(x0, one), y1 = _mm256_xor_si256(x1, one);
        const __m256i y2 = _mm256_xor_si256(x2, one), y3 = _mm256_xor_si256(x3, one);
        const __m256i f = F16x16(x0, x1, x2, x3), fy = F16x16(y0, y1, y2, y3);
        sums[0] = AddSign(sums[0], F16x16(x0, y1, y2, x3), f);
        sums[1] = AddSign(sums[1], F16x16(x0, FlipShifted16x16(x1, one), FlipShifted16x16(x2, one), x3), f);
        sums[2] = AddSign(sums[2], F16x16(y0, x1, x2, y3), fy);
        sums[3] = AddSign(sums[3], F16x16(y0, FlipShifted16x16(y1, one), FlipShifted16x16(y2, one), y3), fy);
        if (++held == 32767) {
            Empty(sums, counts);
            held = 0;
        }
    }
    Empty(sums, counts);
    AddGroups(row, g, groups, 1, counts);
}
#undef CITRA_AVX2
#endif

using RowFunction = void (*)(const uint8_t*, int32_t, RsCounts&);

RowFunction FastRow(detect_internal::Loops loops) {
#if defined(CITRA_AVX2_KERNELS)
    if (loops == detect_internal::Loops::Fast && CpuHasAvx2Fma()) return AddRowFastAvx2;
#endif
    (void)loops;
    return AddRowFast;
}

}  // namespace

namespace detect_internal {

RsCounts RsCountsOf(const SamplePlane& plane, Loops loops) {
    RsCounts counts;
    const int32_t groups = plane.width / 4;
    const bool fast = loops != Loops::Portable && plane.pixelStep == 1;
    const RowFunction row = fast ? FastRow(loops) : nullptr;
    for (int32_t y = 0; y < plane.height; ++y) {
        if (fast) {
            row(plane.Row(y), groups, counts);
        } else {
            AddGroups(plane.Row(y), 0, groups, plane.pixelStep, counts);
        }
    }
    return counts;
}

}  // namespace detect_internal

PayloadEstimate RsAnalysis(const SamplePlane& plane) {
    using namespace detect_internal;
    if (plane.width < 4 || plane.height < 1) return NoEstimate(kNoGroup);
    const RsCounts s = RsCountsOf(plane);
    const int64_t a = 2 * (s.d1 + s.d0);
    const int64_t b = s.dn0 - s.dn1 - s.d1 - 3 * s.d0;
    const int64_t c = s.d0 - s.dn0;
    double z;
    if (a == 0) {
        if (b == 0) return NoEstimate(kDegenerate);
        z = -static_cast<double>(c) / static_cast<double>(b);
    } else {
        const __int128 d = Discriminant(a, b, c);
        if (d < 0) return NoEstimate(kNoRealRoot);
        const Roots roots = RealRoots(a, b, c, d);
        // Smaller |z|; on a tie (b = 0) the lower, negative root.
        z = std::fabs(roots.upper) < std::fabs(roots.lower) ? roots.upper : roots.lower;
    }
    if (z == 0.5) return NoEstimate(kHalfRoot);
    return Estimated(z / (z - 0.5));
}
