#pragma once
#include <string>
#include <string_view>

#include "bitmap.h"

struct QualityMetrics {
    double MSE = 0;
    double PSNR = 0;
};

// MSE (summed over the three bytes of a pixel, averaged over the pixels) and
// PSNR of two 24-bit bitmaps of equal size. A pair that breaks this is
// refused with CitraError, reading nothing outside a row.
QualityMetrics ComputeQualityMetrics(const Bitmap& original, const Bitmap& manipulated);

// "0.000" pattern: 18 significant digits, then half away from zero at the
// third decimal; no thousands separator, no negative zero.
std::string FormatMetric(double value, std::string_view decimalSeparator = ".");
