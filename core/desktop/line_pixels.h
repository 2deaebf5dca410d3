#pragma once
// The pixels of a 1-pixel-wide line, for drawing with exact coordinates.
#include <cstdint>
#include <vector>

struct LinePixel {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const LinePixel&) const = default;
};

// The pixels of the line from (x0, y0) to (x1, y1), from the start point
// on: the start point is included, the end point is not, so a line of
// length 0 has no pixels. One pixel per step along the longer axis
// (Bresenham); where the line passes exactly midway between two pixels of
// the shorter axis, the one with the smaller coordinate is taken, whichever
// way the line runs.
std::vector<LinePixel> LinePixels(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
