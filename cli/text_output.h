#pragma once
// Readable text for people: aligned tables, metrics with three decimals and
// the given decimal separator. A failure is shown in its place as
// "error: <message>".
#include <span>
#include <string>
#include <string_view>

#include "results.h"

std::string InfoText(std::span<const InfoResult> results);
std::string HistogramText(const HistogramResult& result);
// Columns original, manipulated, MSE, PSNR; when any pair carries the
// field's metrics also "PSNR (per sample)" (inf when identical) and "SSIM"
// ("-" when not computed).
std::string PairText(std::span<const PairResult> results, std::string_view decimalSeparator);

// A value of the field's metrics: three decimals, inf for +infinity.
std::string StandardMetricText(double value, std::string_view decimalSeparator);
