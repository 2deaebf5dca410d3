#include "metrics.h"

#include "error.h"
#include "messages.h"
#include "picture.h"
#include "squared_difference.h"

namespace {

bool NonEmptyOtherDepth(const BitmapShape& shape) {
    return !shape.Empty() && shape.bitsPerPixel != 24;
}

}  // namespace

BitmapShape ShapeOf(const Bitmap& bitmap) {
    return {bitmap.Width(), bitmap.Height(), bitmap.BitsPerPixel(), bitmap.Stride()};
}

BitmapShape ShapeOf(const Picture& picture) {
    if (const Bitmap* bitmap = picture.BitmapIfAny()) return ShapeOf(*bitmap);
    return {picture.Width(), picture.Height(), 0, 0};
}

std::optional<std::string> PairRefusal(PairStep step, const BitmapShape& original, const BitmapShape& manipulated) {
    switch (step) {
    case PairStep::Original:
        if (original.bitsPerPixel != 24) return msg::kNot24Bit;
        return std::nullopt;
    case PairStep::Manipulated:
        if (manipulated.bitsPerPixel != 24) return msg::kNot24Bit;
        if (original.width != manipulated.width || original.height != manipulated.height) return msg::kSizeDiffers;
        return std::nullopt;
    case PairStep::Compare:
        break;
    }
    if (NonEmptyOtherDepth(original) || NonEmptyOtherDepth(manipulated)) return msg::kNot24Bit;
    if (original.width != manipulated.width || original.height != manipulated.height) return msg::kSizeDiffers;
    // Nothing opened on either side: no 24-bit picture to compare.
    if (original.Empty()) return msg::kNot24Bit;
    const uint64_t rowBytes = 3 * static_cast<uint64_t>(original.width);
    if (original.stride < rowBytes || manipulated.stride < rowBytes) return msg::kNot24Bit;
    return std::nullopt;
}

std::optional<std::string> PairRefusal(const BitmapShape& original, const BitmapShape& manipulated) {
    return PairRefusal(PairStep::Compare, original, manipulated);
}

std::optional<std::string> PairRefusal(const Bitmap& original, const Bitmap& manipulated) {
    return PairRefusal(ShapeOf(original), ShapeOf(manipulated));
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
        sum += SquaredDifferenceSum(a, b, rowBytes);
    }
    return MetricsFromSquaredSum(sum, static_cast<int64_t>(width) * height);
}
