#include "metrics.h"

#include <algorithm>
#include <cmath>

#include "error.h"
#include "messages.h"

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

uint64_t SquaredDiff(const uint8_t* a, const uint8_t* b, size_t n) {
    uint64_t total = 0;
    // Blocks are summed in 32 bits in groups of 512 (at most 512 * 64 * 65025
    // < 2^32) before widening.
    constexpr size_t kGroup = 512;
    while (n >= kBlock) {
        size_t blocks = std::min(n / kBlock, kGroup);
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

bool NonEmptyOtherDepth(const Bitmap& bitmap) {
    return !bitmap.Empty() && bitmap.BitsPerPixel() != 24;
}

}  // namespace

std::optional<std::string> PairRefusal(const Bitmap& original, const Bitmap& manipulated) {
    if (NonEmptyOtherDepth(original) || NonEmptyOtherDepth(manipulated)) return msg::kNot24Bit;
    if (original.Width() != manipulated.Width() || original.Height() != manipulated.Height())
        return msg::kSizeDiffers;
    // Nothing opened on either side: no 24-bit picture to compare.
    if (original.Empty()) return msg::kNot24Bit;
    const size_t rowBytes = 3 * static_cast<size_t>(original.Width());
    if (original.Stride() < rowBytes || manipulated.Stride() < rowBytes) return msg::kNot24Bit;
    return std::nullopt;
}

QualityMetrics ComputeQualityMetrics(const Bitmap& original, const Bitmap& manipulated) {
    if (const std::optional<std::string> refusal = PairRefusal(original, manipulated)) throw CitraError(*refusal);
    const int32_t width = original.Width();
    const int32_t height = original.Height();
    const size_t rowBytes = 3 * static_cast<size_t>(width);

    // Exact: at most 195075 per pixel, far below 2^64 for any raster in memory.
    // Integer addition makes the row order irrelevant, so the rows are taken
    // in the original's storage order: memory is then read forwards, which
    // the hardware prefetches far better than a bottom-up walk.
    uint64_t sum = 0;
    const bool bottomUp = !original.TopDown();
    for (int32_t i = 0; i < height; ++i) {
        const int32_t r = bottomUp ? height - 1 - i : i;
        const uint8_t* a = PixelRow(original, r).data();
        const uint8_t* b = PixelRow(manipulated, r).data();
        sum += SquaredDiff(a, b, rowBytes);
    }

    const int64_t pixels = static_cast<int64_t>(width) * height;
    QualityMetrics result;
    result.MSE = static_cast<double>(static_cast<long double>(sum) / static_cast<long double>(pixels));
    const long double guarded = static_cast<long double>(result.MSE) + static_cast<long double>(1.0E-6);
    result.PSNR = static_cast<double>(10.0L * std::log10(65025.0L / guarded));
    return result;
}
