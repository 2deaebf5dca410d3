#pragma once
// What the estimators share: building a PayloadEstimate, and the roots of
// their quadratics, whose coefficients are exact integer counts. Not part
// of the API (detect.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "detect.h"

namespace detect_internal {

inline PayloadEstimate Estimated(double raw) { return {raw, std::clamp(raw, 0.0, 1.0), {}}; }

inline PayloadEstimate NoEstimate(std::string_view reason) { return {std::nullopt, std::nullopt, reason}; }

// b^2 - 4ac exactly: the counts of a large image square past 64 bits.
inline __int128 Discriminant(int64_t a, int64_t b, int64_t c) {
    return static_cast<__int128>(b) * b - 4 * static_cast<__int128>(a) * c;
}

// The real roots of a z^2 + b z + c = 0 (a != 0, discriminant `d` >= 0),
// lower first. The form that never subtracts nearly equal numbers, so a
// small root keeps its digits next to a large one; a root that is exactly
// representable (z = 1/2, or 0) comes out exactly.
struct Roots {
    double lower, upper;
};

inline Roots RealRoots(int64_t a, int64_t b, int64_t c, __int128 d) {
    const double s = std::sqrt(static_cast<double>(d));
    const double fa = static_cast<double>(a), fb = static_cast<double>(b);
    double r1, r2;
    if (b == 0) {
        // +-s / 2a: exactly opposite, so a tie on |z| stays a tie.
        r1 = s / (2 * fa);
        r2 = -r1;
    } else {
        const double q = -0.5 * (fb + std::copysign(s, fb));  // never 0: |q| >= |b| / 2
        r1 = q / fa;
        r2 = static_cast<double>(c) / q;
    }
    return {std::min(r1, r2), std::max(r1, r2)};
}

// The loops that count and sum, for tests to hold equal: Fast the vector
// ones for planes of one channel (AVX2 where the processor has it, else
// SSE2, which every x86-64 has), Baseline never AVX2, Portable one sample
// or group at a time. Planes of interleaved samples always take Portable.
enum class Loops { Fast, Baseline, Portable };

// R - S under M and -M, on the picture (d0, dn0) and with every LSB
// flipped (d1, dn1).
struct RsCounts {
    int64_t d0 = 0, dn0 = 0, d1 = 0, dn1 = 0;
};
RsCounts RsCountsOf(const SamplePlane& plane, Loops loops = Loops::Fast);

// Weighted Stego's sums over the interior, each term times the weight's
// 16 (5 + variance): t (4x - 4F(x)), t 4F(t) and 1.
struct WsSums {
    double residual = 0, parity = 0, weight = 0;
};
WsSums WsSumsOf(const SamplePlane& plane, Loops loops = Loops::Fast);

// Both Weighted Stego estimates from one pass over the samples.
struct WeightedStegoPair {
    PayloadEstimate corrected, plain;
};
WeightedStegoPair WeightedStegoBoth(const SamplePlane& plane);

}  // namespace detect_internal
