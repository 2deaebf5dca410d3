#include "squared_difference.h"

#include <algorithm>
#include <cmath>

namespace {

// Sum of (a[i] - b[i])^2 over a fixed block. Each term is at most 65025, so
// a 32-bit sum of 64 terms cannot wrap; the fixed trip count lets the
// compiler vectorise the loop without a scalar epilogue.
constexpr size_t kBlock = 64;

inline uint32_t BlockSquaredDiff(const uint8_t* a, const uint8_t* b) {
    uint32_t acc = 0;
    for (size_t i = 0; i < kBlock; ++i) {
        const int32_t d = static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
        acc += static_cast<uint32_t>(d * d);
    }
    return acc;
}

}  // namespace

uint64_t SquaredDifferenceSum(const uint8_t* a, const uint8_t* b, size_t n) {
    uint64_t total = 0;
    // Blocks are summed in 32 bits in groups of 512 (at most 512 * 64 * 65025
    // < 2^32) before widening.
    constexpr size_t kGroup = 512;
    while (n >= kBlock) {
        const size_t blocks = std::min(n / kBlock, kGroup);
        uint32_t acc = 0;
        for (size_t k = 0; k < blocks; ++k, a += kBlock, b += kBlock) acc += BlockSquaredDiff(a, b);
        total += acc;
        n -= blocks * kBlock;
    }
    for (size_t i = 0; i < n; ++i) {
        const int32_t d = static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
        total += static_cast<uint64_t>(d * d);
    }
    return total;
}

QualityMetrics MetricsFromSquaredSum(uint64_t sum, int64_t pixels) {
    QualityMetrics result;
    result.MSE = static_cast<double>(static_cast<long double>(sum) / static_cast<long double>(pixels));
    const long double guarded = static_cast<long double>(result.MSE) + static_cast<long double>(1.0E-6);
    result.PSNR = static_cast<double>(10.0L * std::log10(65025.0L / guarded));
    return result;
}
