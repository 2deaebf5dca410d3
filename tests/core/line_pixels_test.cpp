#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "line_pixels.h"

// Found by argument-dependent lookup, so it lives beside LinePixel.
static void PrintTo(const LinePixel& p, std::ostream* os) { *os << "(" << p.x << "," << p.y << ")"; }

namespace {

using Pixels = std::vector<LinePixel>;

Pixels Column(int32_t x, int32_t yFrom, int32_t yTo) {  // yFrom..yTo inclusive, either way
    Pixels p;
    const int32_t step = yTo >= yFrom ? 1 : -1;
    for (int32_t y = yFrom;; y += step) {
        p.push_back({x, y});
        if (y == yTo) break;
    }
    return p;
}

Pixels Row(int32_t y, int32_t xFrom, int32_t xTo) {
    Pixels p;
    const int32_t step = xTo >= xFrom ? 1 : -1;
    for (int32_t x = xFrom;; x += step) {
        p.push_back({x, y});
        if (x == xTo) break;
    }
    return p;
}

Pixels Join(Pixels a, const Pixels& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct LineCase {
    const char* name;
    int32_t x0, y0, x1, y1;
    Pixels expected;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << "(" << c.x0 << "," << c.y0 << ") to (" << c.x1 << "," << c.y1 << ")";
}

class LinePixelsExact : public ::testing::TestWithParam<LineCase> {};

TEST_P(LinePixelsExact, GivesThesePixelsInOrder) {
    const LineCase& c = GetParam();
    EXPECT_EQ(LinePixels(c.x0, c.y0, c.x1, c.y1), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinePixelsExact,
    ::testing::Values(
        LineCase{"ZeroLength", 7, 9, 7, 9, {}},
        LineCase{"HorizontalAxis", 10, 160, 265, 160, Row(160, 10, 264)},
        LineCase{"HorizontalLeftwards", 5, 3, 1, 3, Row(3, 5, 2)},
        LineCase{"VerticalAxis", 10, 160, 10, 10, Column(10, 160, 11)},
        LineCase{"VerticalDownwards", 4, 0, 4, 3, Column(4, 0, 2)},
        LineCase{"OneStepRight", 20, 50, 21, 50, {{20, 50}}},
        LineCase{"DiagonalUnit", 20, 50, 21, 49, {{20, 50}}},
        LineCase{"DiagonalLong", 0, 0, 3, -3, {{0, 0}, {1, -1}, {2, -2}}},
        // One column across, 150 rows: the first half stays in the start
        // column, the exact midpoint (row 75) included.
        LineCase{"SteepDownFullScale", 10, 10, 11, 160, Join(Column(10, 10, 85), Column(11, 86, 159))},
        LineCase{"SteepUpFullScale", 264, 160, 265, 10, Join(Column(264, 160, 85), Column(265, 84, 11))},
        LineCase{"SteepOddNoTie", 0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}}},
        LineCase{"SteepUpOdd", 0, 5, 1, 0, {{0, 5}, {0, 4}, {0, 3}, {1, 2}, {1, 1}}},
        // Ties take the smaller coordinate in either direction.
        LineCase{"SteepTie", 0, 0, 1, 2, {{0, 0}, {0, 1}}},
        LineCase{"SteepTieReversed", 1, 2, 0, 0, {{1, 2}, {0, 1}}},
        LineCase{"ShallowTie", 0, 0, 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
        LineCase{"ShallowTieReversed", 4, 1, 0, 0, {{4, 1}, {3, 1}, {2, 0}, {1, 0}}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

// Every line in a neighbourhood: one pixel per step of the longer axis,
// each 8-connected to the last, none farther than half a pixel from the
// ideal line across it, the end left out; and the reverse line covers the
// same pixels with the end in place of the start.
TEST(LinePixels, PropertiesOfAllShortLines) {
    for (int dx = -9; dx <= 9; ++dx) {
        for (int dy = -9; dy <= 9; ++dy) {
            SCOPED_TRACE(::testing::Message() << "dx " << dx << " dy " << dy);
            const int32_t x0 = 100, y0 = -40, x1 = x0 + dx, y1 = y0 + dy;
            const Pixels p = LinePixels(x0, y0, x1, y1);
            const int steps = std::max(std::abs(dx), std::abs(dy));
            ASSERT_EQ(p.size(), static_cast<size_t>(steps));
            if (steps == 0) continue;
            EXPECT_EQ(p.front(), (LinePixel{x0, y0}));
            EXPECT_EQ(std::count(p.begin(), p.end(), LinePixel{x1, y1}), 0);
            for (size_t i = 1; i < p.size(); ++i) {
                EXPECT_LE(std::abs(p[i].x - p[i - 1].x), 1);
                EXPECT_LE(std::abs(p[i].y - p[i - 1].y), 1);
            }
            EXPECT_LE(std::max(std::abs(p.back().x - x1), std::abs(p.back().y - y1)), 1);
            for (const LinePixel& q : p) {
                // Distance across the line, in units of the shorter axis:
                // |cross| / steps <= 1/2.
                const long cross = static_cast<long>(q.x - x0) * dy - static_cast<long>(q.y - y0) * dx;
                EXPECT_LE(2 * std::labs(cross), static_cast<long>(steps)) << q.x << "," << q.y;
            }
            Pixels back = LinePixels(x1, y1, x0, y0);
            Pixels forward = p;
            forward.erase(forward.begin());
            forward.push_back({x1, y1});
            auto less = [](const LinePixel& a, const LinePixel& b) {
                return a.x != b.x ? a.x < b.x : a.y < b.y;
            };
            std::sort(back.begin(), back.end(), less);
            std::sort(forward.begin(), forward.end(), less);
            EXPECT_EQ(back, forward);
        }
    }
}

}  // namespace
