#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bitmap.h"

class Picture;

struct QualityMetrics {
    double MSE = 0;
    double PSNR = 0;
};

// Why a pair cannot be compared, as the text shown to the user, or nullopt
// for two 24-bit bitmaps of the same size with at least one pixel. Checked
// in this order: a non-empty bitmap of another depth (msg::kNot24Bit), a
// difference in width or height (msg::kSizeDiffers), two empty bitmaps
// (msg::kNot24Bit: neither holds a 24-bit picture).
std::optional<std::string> PairRefusal(const Bitmap& original, const Bitmap& manipulated);

// The part of a bitmap that PairRefusal looks at, so that a pair can also
// be judged from file headers alone.
struct BitmapShape {
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    uint64_t stride = 0;  // bytes per row
    bool Empty() const { return width == 0 || height == 0; }
};
BitmapShape ShapeOf(const Bitmap& bitmap);
// A picture of another kind (icon, metafile, JPEG image): its width and
// height, no bits per pixel.
BitmapShape ShapeOf(const Picture& picture);
std::optional<std::string> PairRefusal(const BitmapShape& original, const BitmapShape& manipulated);

// The one judge of every pair refusal of the program, at each step of a
// comparison:
enum class PairStep {
    // The original as it is opened, on its own: a 24-bit bitmap, or
    // msg::kNot24Bit (so is what the tool counts a histogram of).
    Original,
    // The manipulated picture as it is opened, against the original's width
    // and height: a 24-bit bitmap (msg::kNot24Bit), then of that size
    // (msg::kSizeDiffers). The original's depth was judged when it opened.
    Manipulated,
    // The pair about to be computed: as PairRefusal above.
    Compare,
};
std::optional<std::string> PairRefusal(PairStep step, const BitmapShape& original, const BitmapShape& manipulated);

// MSE (summed over the three bytes of a pixel, averaged over the pixels) and
// PSNR of two 24-bit bitmaps of equal size. A pair that PairRefusal refuses
// raises CitraError with its text, and nothing outside a row is read.
QualityMetrics ComputeQualityMetrics(const Bitmap& original, const Bitmap& manipulated);

// "0.000" pattern: 18 significant digits, then half away from zero at the
// third decimal (or at `places` decimals); no thousands separator, no
// negative zero.
std::string FormatMetric(double value, std::string_view decimalSeparator = ".", int places = 3);
