// Weighted Stego (Fridrich and Goljan, "On estimation of secret message
// length in LSB steganography in spatial domain", 2004), with the predictor
// Ker and Boehme recommend ("Revisiting weighted stego-image steganalysis",
// 2008) and a correction of the bias they trace to predicting from stego
// samples.
//
// Conventions:
// - Predictor F: the 3 x 3 filter [-1 2 -1; 2 0 2; -1 2 -1] / 4.
// - Weight w_i = 1 / (5 + the variance of the four horizontal and vertical
//   neighbours, divided by 4), normalised to sum 1.
// - Plain estimate: beta = 2 sum w_i (x_i - xbar_i)(x_i - F(x)_i), xbar_i the
//   sample with its LSB flipped, so t_i = x_i - xbar_i is +1 for an odd
//   sample and -1 for an even one.
// - Bias-corrected estimate (the default): F predicts from neighbours that
//   were flipped too. Flipping each sample with probability p / 2 gives
//   E[beta] = p + p (1 - p) Kc, where Kc = sum w_i t_i F(t)_i over the
//   cover's parities: large where neighbours share their parity (flat and
//   saturated areas). The stego picture's own K = sum w_i t_i F(t)_i is
//   (1 - p)^2 Kc, so p solves p^2 - (1 + K + beta) p + beta = 0: its
//   smaller root. Its two roots meet at p = 1, and noise can part them into
//   complex ones near there: then their real part, (1 + K + beta) / 2.
//   This is derived here for this predictor and weight, not taken from the
//   papers; neither the plain nor the corrected estimate is moderated.
// - Only interior samples are predicted; the border rows and columns serve
//   as neighbours, never padded. An image narrower or shorter than 3 samples
//   gives no estimate.
#include <cmath>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "cpu_features.h"
#include "payload_estimate.h"

namespace {

constexpr std::string_view kNoInterior = "no interior sample: the image is narrower or shorter than 3 samples";

inline int Parity(int x) { return 2 * (x & 1) - 1; }  // x - xbar

// The terms of interior samples [from, to) of a row, one at a time: 4 F(x)
// is an integer, and so is 16 times the variance of the four neighbours.
void AddSamples(const uint8_t* up, const uint8_t* mid, const uint8_t* down, int32_t from, int32_t to, size_t step,
                detect_internal::WsSums& sums) {
    for (int32_t i = from; i < to; ++i) {
        const size_t c = static_cast<size_t>(i) * step, l = c - step, r = c + step;
        const int n = up[c], s = down[c], w = mid[l], e = mid[r], x = mid[c];
        const int sum4 = n + s + w + e;
        const int variance16 = 4 * (n * n + s * s + w * w + e * e) - sum4 * sum4;
        const double weight = 1.0 / (80 + variance16);  // 1 / (5 + variance), over 16
        const int residual4 = 4 * x - 2 * sum4 + (up[l] + up[r] + down[l] + down[r]);
        const int parity4 = 2 * (Parity(n) + Parity(s) + Parity(w) + Parity(e)) -
                            (Parity(up[l]) + Parity(up[r]) + Parity(down[l]) + Parity(down[r]));
        sums.residual += weight * (Parity(x) * residual4);
        sums.parity += weight * (Parity(x) * parity4);
        sums.weight += weight;
    }
}

#if defined(__SSE2__)
// 8 samples from p, widened to 16 bits.
inline __m128i Load8(const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}

// 4 lanes of 32-bit integers widened to doubles, the lower two and the upper two.
inline __m128d LowerPair(__m128i v) { return _mm_cvtepi32_pd(v); }
inline __m128d UpperPair(__m128i v) { return _mm_cvtepi32_pd(_mm_shuffle_epi32(v, 0xEE)); }

// 16-bit lanes 0-3 (or 4-7) sign-extended to 32 bits.
inline __m128i Lower32(__m128i v) { return _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16); }
inline __m128i Upper32(__m128i v) { return _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16); }

struct Accumulators {
    __m128d residual[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
    __m128d parity[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
    __m128d weight[2] = {_mm_setzero_pd(), _mm_setzero_pd()};

    void AddPair(int k, __m128d divisor, __m128d residual4, __m128d parity4) {
        const __m128d w = _mm_div_pd(_mm_set1_pd(1.0), divisor);
        residual[k] = _mm_add_pd(residual[k], _mm_mul_pd(w, residual4));
        parity[k] = _mm_add_pd(parity[k], _mm_mul_pd(w, parity4));
        weight[k] = _mm_add_pd(weight[k], w);
    }
    void AddFour(__m128i divisor, __m128i residual4, __m128i parity4) {
        AddPair(0, LowerPair(divisor), LowerPair(residual4), LowerPair(parity4));
        AddPair(1, UpperPair(divisor), UpperPair(residual4), UpperPair(parity4));
    }
};

double Total(const __m128d (&v)[2]) {
    double lanes[4];
    _mm_storeu_pd(lanes, v[0]);
    _mm_storeu_pd(lanes + 2, v[1]);
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

// A row of a plane of one channel, 8 samples at a time in 16-bit lanes; the
// compiler's own vectors of the loop above widen every product to 32 bits
// and run at half this speed or less.
// Samples [from, width - 1) of the row.
void AddRowSse2(const uint8_t* up, const uint8_t* mid, const uint8_t* down, int32_t from, int32_t width,
                detect_internal::WsSums& sums) {
    const __m128i one = _mm_set1_epi16(1), four = _mm_set1_epi16(4), eighty = _mm_set1_epi32(80);
    Accumulators acc;
    int32_t i = from;
    for (; i + 8 <= width - 1; i += 8) {
        const __m128i ul = Load8(up + i - 1), uc = Load8(up + i), ur = Load8(up + i + 1);
        const __m128i ml = Load8(mid + i - 1), mc = Load8(mid + i), mr = Load8(mid + i + 1);
        const __m128i dl = Load8(down + i - 1), dc = Load8(down + i), dr = Load8(down + i + 1);
        const __m128i a = _mm_add_epi16(uc, dc), b = _mm_add_epi16(ml, mr);
        const __m128i c = _mm_sub_epi16(uc, dc), e = _mm_sub_epi16(ml, mr);
        const __m128i diagonals = _mm_add_epi16(_mm_add_epi16(ul, ur), _mm_add_epi16(dl, dr));
        const __m128i residual4 =
            _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(mc, 2), _mm_slli_epi16(_mm_add_epi16(a, b), 1)), diagonals);
        // Times t = x - xbar: as is for an odd x, negated for an even one.
        const __m128i even = _mm_sub_epi16(_mm_and_si128(mc, one), one);  // 0 or -1
        const __m128i signedResidual = _mm_sub_epi16(_mm_xor_si128(residual4, even), even);
        const __m128i odd4 = _mm_add_epi16(_mm_add_epi16(_mm_and_si128(uc, one), _mm_and_si128(dc, one)),
                                           _mm_add_epi16(_mm_and_si128(ml, one), _mm_and_si128(mr, one)));
        const __m128i oddDiagonals = _mm_add_epi16(_mm_add_epi16(_mm_and_si128(ul, one), _mm_and_si128(ur, one)),
                                                   _mm_add_epi16(_mm_and_si128(dl, one), _mm_and_si128(dr, one)));
        // 4 F(t) = 2 (2 odd4 - 4) - (2 oddDiagonals - 4)
        const __m128i parity4 =
            _mm_sub_epi16(_mm_sub_epi16(_mm_slli_epi16(odd4, 2), _mm_slli_epi16(oddDiagonals, 1)), four);
        const __m128i signedParity = _mm_sub_epi16(_mm_xor_si128(parity4, even), even);
        // 16 variance = 4 sum n^2 - (sum n)^2 = (a - b)^2 + 2 c^2 + 2 e^2,
        // each pair of products summed in 32 bits by madd.
        const __m128i amb = _mm_sub_epi16(a, b), c2 = _mm_slli_epi16(c, 1);
        const __m128i lower = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(amb, c), _mm_unpacklo_epi16(amb, c2)),
                                            _mm_madd_epi16(_mm_unpacklo_epi16(e, e), _mm_unpacklo_epi16(e, e)));
        const __m128i upper = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(amb, c), _mm_unpackhi_epi16(amb, c2)),
                                            _mm_madd_epi16(_mm_unpackhi_epi16(e, e), _mm_unpackhi_epi16(e, e)));
        acc.AddFour(_mm_add_epi32(lower, eighty), Lower32(signedResidual), Lower32(signedParity));
        acc.AddFour(_mm_add_epi32(upper, eighty), Upper32(signedResidual), Upper32(signedParity));
    }
    sums.residual += Total(acc.residual);
    sums.parity += Total(acc.parity);
    sums.weight += Total(acc.weight);
    AddSamples(up, mid, down, i, width - 1, 1, sums);
}
#endif

#if defined(CITRA_AVX2_KERNELS)
// The same 16 samples at a time, for processors with AVX2 (CpuHasAvx2Fma):
// a quarter of the instructions per sample, the doubles four to a vector.
#define CITRA_AVX2 __attribute__((target("avx2,fma")))

CITRA_AVX2 inline __m256i Load16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

struct Accumulators4 {
    __m256d residual, parity, weight;
};

// Eight samples' 32-bit divisors and terms, four at a time.
// The upper halves go through memory: the load ports are idle, the
// shuffle unit an extract would take is not.
CITRA_AVX2 inline void AddEight(Accumulators4 (&acc)[2], __m256i divisor, __m256i residual4, __m256i parity4) {
    alignas(32) int32_t lanes[3][8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[0]), divisor);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[1]), residual4);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[2]), parity4);
    for (int k = 0; k < 2; ++k) {
        const __m128i d = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[0] + 4 * k));
        const __m128i r = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[1] + 4 * k));
        const __m128i p = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[2] + 4 * k));
        const __m256d w = _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_cvtepi32_pd(d));
        acc[k].residual = _mm256_fmadd_pd(w, _mm256_cvtepi32_pd(r), acc[k].residual);
        acc[k].parity = _mm256_fmadd_pd(w, _mm256_cvtepi32_pd(p), acc[k].parity);
        acc[k].weight = _mm256_add_pd(acc[k].weight, w);
    }
}

CITRA_AVX2 inline double Total4(const Accumulators4 (&acc)[2], __m256d Accumulators4::*which) {
    double lanes[8];
    _mm256_storeu_pd(lanes, acc[0].*which);
    _mm256_storeu_pd(lanes + 4, acc[1].*which);
    return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
}

// The terms of 16 samples, each given with its 8 neighbours in 16-bit lanes.
[[gnu::always_inline]] CITRA_AVX2 inline void AddSixteen(Accumulators4 (&acc)[2], __m256i ul, __m256i uc, __m256i ur,
                                                         __m256i ml, __m256i mc, __m256i mr, __m256i dl, __m256i dc,
                                                         __m256i dr) {
    const __m256i one = _mm256_set1_epi16(1), four = _mm256_set1_epi16(4), eighty = _mm256_set1_epi32(80);
    const __m256i a = _mm256_add_epi16(uc, dc), b = _mm256_add_epi16(ml, mr);
    const __m256i c = _mm256_sub_epi16(uc, dc), e = _mm256_sub_epi16(ml, mr);
    const __m256i diagonals = _mm256_add_epi16(_mm256_add_epi16(ul, ur), _mm256_add_epi16(dl, dr));
    const __m256i residual4 = _mm256_add_epi16(
        _mm256_sub_epi16(_mm256_slli_epi16(mc, 2), _mm256_slli_epi16(_mm256_add_epi16(a, b), 1)), diagonals);
    const __m256i even = _mm256_sub_epi16(_mm256_and_si256(mc, one), one);
    const __m256i signedResidual = _mm256_sub_epi16(_mm256_xor_si256(residual4, even), even);
    const __m256i odd4 = _mm256_add_epi16(_mm256_add_epi16(_mm256_and_si256(uc, one), _mm256_and_si256(dc, one)),
                                          _mm256_add_epi16(_mm256_and_si256(ml, one), _mm256_and_si256(mr, one)));
    const __m256i oddDiagonals =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_and_si256(ul, one), _mm256_and_si256(ur, one)),
                         _mm256_add_epi16(_mm256_and_si256(dl, one), _mm256_and_si256(dr, one)));
    const __m256i parity4 =
        _mm256_sub_epi16(_mm256_sub_epi16(_mm256_slli_epi16(odd4, 2), _mm256_slli_epi16(oddDiagonals, 1)), four);
    const __m256i signedParity = _mm256_sub_epi16(_mm256_xor_si256(parity4, even), even);
    const __m256i amb = _mm256_sub_epi16(a, b), c2 = _mm256_slli_epi16(c, 1);
    // unpacklo takes lanes 0-3 and 8-11, unpackhi 4-7 and 12-15: the same
    // for the divisors and both terms.
    const __m256i lower =
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(amb, c), _mm256_unpacklo_epi16(amb, c2)),
                         _mm256_madd_epi16(_mm256_unpacklo_epi16(e, e), _mm256_unpacklo_epi16(e, e)));
    const __m256i upper =
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(amb, c), _mm256_unpackhi_epi16(amb, c2)),
                         _mm256_madd_epi16(_mm256_unpackhi_epi16(e, e), _mm256_unpackhi_epi16(e, e)));
    AddEight(acc, _mm256_add_epi32(lower, eighty),
             _mm256_srai_epi32(_mm256_unpacklo_epi16(signedResidual, signedResidual), 16),
             _mm256_srai_epi32(_mm256_unpacklo_epi16(signedParity, signedParity), 16));
    AddEight(acc, _mm256_add_epi32(upper, eighty),
             _mm256_srai_epi32(_mm256_unpackhi_epi16(signedResidual, signedResidual), 16),
             _mm256_srai_epi32(_mm256_unpackhi_epi16(signedParity, signedParity), 16));
}

// 32 samples of a row from p - 1, p and p + 1, as the 16-bit lanes of the
// even samples p[0], p[2], ... and their left and right neighbours, and of
// the odd ones: masks and shifts, where widening bytes would take the
// shuffle unit this loop waits on.
struct EvenOdd {
    __m256i evenLeft, evenCentre, evenRight, oddCentre, oddRight;  // odd samples' left: evenCentre
};

[[gnu::always_inline]] CITRA_AVX2 inline EvenOdd Split(const uint8_t* p) {
    const __m256i low = _mm256_set1_epi16(0xFF);
    const __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
    const __m256i centre = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
    return {_mm256_and_si256(left, low), _mm256_and_si256(centre, low), _mm256_and_si256(right, low),
            _mm256_srli_epi16(centre, 8), _mm256_srli_epi16(right, 8)};
}

CITRA_AVX2 void AddRowAvx2(const uint8_t* up, const uint8_t* mid, const uint8_t* down, int32_t width,
                           detect_internal::WsSums& sums) {
    Accumulators4 acc[2];
    for (Accumulators4& a : acc) a = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
    int32_t i = 1;
    for (; i + 32 <= width - 1; i += 32) {
        const EvenOdd u = Split(up + i), m = Split(mid + i), d = Split(down + i);
        AddSixteen(acc, u.evenLeft, u.evenCentre, u.evenRight, m.evenLeft, m.evenCentre, m.evenRight, d.evenLeft,
                   d.evenCentre, d.evenRight);
        AddSixteen(acc, u.evenCentre, u.oddCentre, u.oddRight, m.evenCentre, m.oddCentre, m.oddRight, d.evenCentre,
                   d.oddCentre, d.oddRight);
    }
    for (; i + 16 <= width - 1; i += 16) {
        AddSixteen(acc, Load16(up + i - 1), Load16(up + i), Load16(up + i + 1), Load16(mid + i - 1), Load16(mid + i),
                   Load16(mid + i + 1), Load16(down + i - 1), Load16(down + i), Load16(down + i + 1));
    }
    sums.residual += Total4(acc, &Accumulators4::residual);
    sums.parity += Total4(acc, &Accumulators4::parity);
    sums.weight += Total4(acc, &Accumulators4::weight);
    AddRowSse2(up, mid, down, i, width, sums);  // the last 15 samples or fewer
}
#undef CITRA_AVX2
#endif

}  // namespace

namespace detect_internal {

WsSums WsSumsOf(const SamplePlane& plane, Loops loops) {
    WsSums sums;
    for (int32_t y = 1; y + 1 < plane.height; ++y) {
        const uint8_t *up = plane.Row(y - 1), *mid = plane.Row(y), *down = plane.Row(y + 1);
#if defined(__SSE2__)
        if (loops != Loops::Portable && plane.pixelStep == 1) {
#if defined(CITRA_AVX2_KERNELS)
            if (loops == Loops::Fast && CpuHasAvx2Fma()) {
                AddRowAvx2(up, mid, down, plane.width, sums);
                continue;
            }
#endif
            AddRowSse2(up, mid, down, 1, plane.width, sums);
            continue;
        }
#endif
        (void)loops;
        AddSamples(up, mid, down, 1, plane.width - 1, plane.pixelStep, sums);
    }
    return sums;
}

WeightedStegoPair WeightedStegoBoth(const SamplePlane& plane) {
    if (plane.width < 3 || plane.height < 3) return {NoEstimate(kNoInterior), NoEstimate(kNoInterior)};
    const WsSums sums = WsSumsOf(plane);
    // 2 sum w t (x - F(x)) / sum w, the residual counted 4 times; K likewise.
    const double beta = sums.residual / (2 * sums.weight);
    const double k = sums.parity / (4 * sums.weight);
    const double s = 1 + k + beta;
    const double d = s * s - 4 * beta;
    const double corrected = d < 0 ? s / 2 : (s - std::sqrt(d)) / 2;
    return {Estimated(corrected), Estimated(beta)};
}

}  // namespace detect_internal

PayloadEstimate WeightedStego(const SamplePlane& plane, WsBias bias) {
    const detect_internal::WeightedStegoPair both = detect_internal::WeightedStegoBoth(plane);
    return bias == WsBias::Corrected ? both.corrected : both.plain;
}
