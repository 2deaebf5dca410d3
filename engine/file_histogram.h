#pragma once
// The counts of one file as citra histogram gives them with --csv or --plot.
#include <cstdint>
#include <optional>
#include <string>

#include "sample_histogram.h"

// The desktop program's counts of a 24-bit bitmap it accepts (so that the
// numbers agree with its histogram to the last count), else the decoded
// file's; `bins` as --bins (default: DefaultBins). Throws CitraError naming
// the file.
SampleHistogram FileHistogram(const std::string& path, const std::optional<uint32_t>& bins);
