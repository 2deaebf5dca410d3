#pragma once
#include <array>
#include <cstdint>

#include "picture.h"

struct ChannelHistogram {
    std::array<int32_t, 256> Red{};
    std::array<int32_t, 256> Green{};
    std::array<int32_t, 256> Blue{};
    int32_t Peak = 0;
};

// Counts the byte values of a 24-bit picture. A picture holding anything
// other than a 24-bit bitmap gives all-zero counts; the picture is unchanged.
ChannelHistogram ComputeChannelHistogram(const Picture& picture);
ChannelHistogram ComputeChannelHistogram(const Bitmap& bitmap);

// The same counts, with the rows split into `bands` bands (at least one, at
// most one a row), each but the first on a thread of its own when one can be
// started. ComputeChannelHistogram chooses the number from the size and the
// cores.
ChannelHistogram ComputeChannelHistogramInBands(const Bitmap& bitmap, unsigned bands);
