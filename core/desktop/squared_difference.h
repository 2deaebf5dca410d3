#pragma once
// The arithmetic of MSE and PSNR, shared by the comparison of two loaded
// bitmaps and the one that reads the files band by band.
#include <cstddef>
#include <cstdint>

#include "metrics.h"

// Sum of (a[i] - b[i])^2 over n bytes, exact (each term is at most 65025).
uint64_t SquaredDifferenceSum(const uint8_t* a, const uint8_t* b, size_t n);

// MSE (sum / pixels) and PSNR (10 log10(65025 / (MSE + 1.0E-6))), both in
// extended precision and each rounded to a double once; PSNR starts from
// the rounded MSE. pixels must be at least 1.
QualityMetrics MetricsFromSquaredSum(uint64_t sum, int64_t pixels);
