#pragma once
// One JSON object per result, without the line end.
#include <string>

#include "results.h"

std::string InfoJson(const InfoResult& result);
std::string HistogramJson(const HistogramResult& result);
std::string PairJson(const PairResult& result);
