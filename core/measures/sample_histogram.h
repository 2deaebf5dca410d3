#pragma once
// Counts of the sample values of every channel of a decoded image, in bins:
// the research tool's histogram of any file it reads (grey, 16-bit, alpha).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "histogram.h"
#include "image.h"

struct SampleHistogram {
    uint32_t peak = 255;                     // largest value a sample can take
    std::vector<std::string> channels;       // "red", "green", "blue", "grey", "alpha"
    std::vector<uint32_t> binStarts;         // the first value of each bin, increasing from 0
    std::vector<std::vector<uint64_t>> counts;  // [channel][bin]

    size_t Bins() const { return binStarts.size(); }
};

// The bins when none are asked for: one per value up to 256 values, else 256.
uint32_t DefaultBins(uint32_t peak);

// Why `bins` bins cannot be made for samples 0..peak (fewer than one, more
// than one per value), or nullopt.
std::optional<std::string> BinsRefusal(uint32_t bins, uint32_t peak);

// Bin i holds the values [floor(i (peak + 1) / bins), floor((i + 1) (peak + 1) / bins)).
SampleHistogram CountSamples(const ImageView& image, uint32_t bins);

// The desktop program's counts of a 24-bit bitmap as red, green and blue,
// in `bins` bins of 0..255.
SampleHistogram FromChannelHistogram(const ChannelHistogram& counts, uint32_t bins);
