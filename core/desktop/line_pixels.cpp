#include "line_pixels.h"

#include <cstdlib>

namespace {

// Offset along the shorter axis at step `step` of `major` steps, for a
// total offset of `minor` (which may be negative): step * minor / major
// rounded to the nearest integer, a tie going towards the smaller
// coordinate.
int64_t MinorOffset(int64_t step, int64_t minor, int64_t major) {
    const int64_t twice = 2 * step * std::llabs(minor);
    if (minor >= 0) {
        // Round half down: ceil((twice - major) / (2 * major)).
        const int64_t num = twice - major;
        return num <= 0 ? 0 : (num + 2 * major - 1) / (2 * major);
    }
    // Moving towards smaller coordinates: round the magnitude half up.
    return -((twice + major) / (2 * major));
}

}  // namespace

std::vector<LinePixel> LinePixels(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int64_t dx = int64_t{x1} - x0;
    const int64_t dy = int64_t{y1} - y0;
    const int64_t adx = std::llabs(dx);
    const int64_t ady = std::llabs(dy);
    const bool xMajor = adx >= ady;
    const int64_t steps = xMajor ? adx : ady;

    std::vector<LinePixel> pixels;
    pixels.reserve(static_cast<size_t>(steps));
    for (int64_t i = 0; i < steps; ++i) {
        int64_t x, y;
        if (xMajor) {
            x = x0 + (dx > 0 ? i : -i);
            y = y0 + MinorOffset(i, dy, adx);
        } else {
            y = y0 + (dy > 0 ? i : -i);
            x = x0 + MinorOffset(i, dx, ady);
        }
        pixels.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
    }
    return pixels;
}
