#pragma once
// One JSON object per result, without the line end.
#include <string>

#include "results.h"

std::string InfoJson(const InfoResult& result);
std::string HistogramJson(const HistogramResult& result);
std::string PairJson(const PairResult& result);

// The "standard" member of a pair: mse, psnr (null when infinite), ssim
// (null when not computed), identical, peak, changed_samples, max_abs_diff
// and channels {"R":{"mse","psnr","ssim"},...} in the metrics' order.
std::string StandardJson(const StandardMetrics& metrics);
