#include "histogram_scale.h"

#include <algorithm>
#include <cmath>

int32_t ScaleHistogramCount(int32_t count, int32_t peak) {
    if (peak < 1) return 0;
    count = std::clamp(count, int32_t{0}, peak);
    const long double quotient = static_cast<long double>(count) / static_cast<long double>(peak);
    const long double product = quotient * static_cast<long double>(kHistogramScaleHeight);
    // Rounds in the current mode: to nearest, ties to even.
    return static_cast<int32_t>(std::nearbyintl(product));
}
