#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "histogram_scale.h"

namespace {

struct ScaleCase {
    int32_t count;
    int32_t peak;
    int32_t offset;
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
    *os << c.count << " of peak " << c.peak << " -> " << c.offset;
}

class HistogramScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(HistogramScale, RoundsTheExtendedProduct) {
    const ScaleCase& c = GetParam();
    EXPECT_EQ(ScaleHistogramCount(c.count, c.peak), c.offset)
        << c.count << " of peak " << c.peak;
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Cases, HistogramScale,
    ::testing::Values(
        // Ties go to the even neighbour.
        ScaleCase{1, 4, 38},      // 37.5
        ScaleCase{3, 4, 112},     // 112.5
        ScaleCase{1, 300, 0},     // 0.5
        ScaleCase{1, 2, 75}, ScaleCase{5, 8, 94},  // 93.75
        // 1/60 rounded to extended precision times 150 lies just above 2.5,
        // and 5/300 is the same quotient.
        ScaleCase{1, 60, 3}, ScaleCase{5, 300, 3},
        ScaleCase{0, 4, 0}, ScaleCase{4, 4, 150}, ScaleCase{2, 3, 100}, ScaleCase{1, 7, 21},
        ScaleCase{kMax, kMax, 150}, ScaleCase{kMax - 1, kMax, 150}, ScaleCase{1, kMax, 0},
        // Outside the precondition: never divides by 0, stays within 0..150.
        ScaleCase{0, 0, 0}, ScaleCase{5, 0, 0}, ScaleCase{5, -3, 0},
        ScaleCase{9, 4, 150}, ScaleCase{-1, 4, 0}, ScaleCase{kMax, 1, 150}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) {
        auto text = [](int32_t n) { return n < 0 ? "Minus" + std::to_string(-int64_t{n}) : std::to_string(n); };
        return "Count" + text(info.param.count) + "OfPeak" + text(info.param.peak);
    });

}  // namespace
