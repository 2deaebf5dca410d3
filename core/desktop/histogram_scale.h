#pragma once
// Height of a histogram count in the drawing of the histogram windows.
#include <cstdint>

// The largest offset: a count equal to the peak.
inline constexpr int32_t kHistogramScaleHeight = 150;

// count / peak * 150 in extended precision (the quotient and the product
// each rounded to extended), then rounded to the nearest integer, ties to
// even. A count outside 0..peak is first clamped into it, so the result is
// always within 0..150; a peak below 1 gives 0 (nothing to scale by).
int32_t ScaleHistogramCount(int32_t count, int32_t peak);
