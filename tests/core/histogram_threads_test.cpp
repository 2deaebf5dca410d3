// Counting in bands when worker threads cannot be started: the bands left
// over are counted on the calling thread, with the same result.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>

#include "failing_thread_starts.h"
#include "histogram.h"
#include "worker_count.h"

namespace {

// Each row has values of its own, so a band counted twice or left out, or a
// band edge off by a row, changes the counts.
std::unique_ptr<Bitmap> RowCodedBitmap(int32_t width, int32_t height, ChannelHistogram& plain) {
    auto bitmap = std::make_unique<Bitmap>();
    if (!bitmap->Allocate(width, height, 24, false)) return nullptr;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap->MutableData() + static_cast<size_t>(y) * bitmap->Stride();
        for (int32_t x = 0; x < width; ++x) {
            const auto b = static_cast<uint8_t>(x + 3 * y), g = static_cast<uint8_t>(y), r = static_cast<uint8_t>(y * 7 + (x & 1));
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
            ++plain.Blue[b];
            ++plain.Green[g];
            ++plain.Red[r];
        }
    }
    for (int v = 0; v < 256; ++v) plain.Peak = std::max({plain.Peak, plain.Red[v], plain.Green[v], plain.Blue[v]});
    return bitmap;
}

void ExpectSameCounts(const ChannelHistogram& got, const ChannelHistogram& want) {
    EXPECT_EQ(got.Red, want.Red);
    EXPECT_EQ(got.Green, want.Green);
    EXPECT_EQ(got.Blue, want.Blue);
    EXPECT_EQ(got.Peak, want.Peak);
}

struct FailCase {
    unsigned bands;
    int failAt;     // the start that fails, from 1
    bool andLater;  // every start after it fails too
};

void PrintTo(const FailCase& c, std::ostream* os) {
    *os << c.bands << " bands, start " << c.failAt << (c.andLater ? " and later" : " only") << " failing";
}

class HistogramThreadFailure : public testing::TestWithParam<FailCase> {};

TEST_P(HistogramThreadFailure, CountsTheRestOnTheCallingThread) {
    const FailCase c = GetParam();
    ChannelHistogram plain;
    auto bitmap = RowCodedBitmap(37, 29, plain);
    ASSERT_TRUE(bitmap);
    const ChannelHistogram single = ComputeChannelHistogramInBands(*bitmap, 1);
    ExpectSameCounts(single, plain);

    FailingThreadStarts failing(c.failAt, c.andLater);
    const ChannelHistogram h = ComputeChannelHistogramInBands(*bitmap, c.bands);
    // No start is tried after the first one that failed.
    EXPECT_EQ(failing.Starts(), c.failAt);
    ExpectSameCounts(h, single);
}

INSTANTIATE_TEST_SUITE_P(
    FailAtStart, HistogramThreadFailure,
    testing::Values(FailCase{2, 1, true}, FailCase{3, 2, true}, FailCase{4, 1, true}, FailCase{4, 2, true},
                    FailCase{4, 3, true}, FailCase{8, 1, false}, FailCase{8, 4, false}, FailCase{8, 7, false},
                    FailCase{29, 15, true}),
    [](const testing::TestParamInfo<FailCase>& info) {
        return std::to_string(info.param.bands) + "Bands_Start" + std::to_string(info.param.failAt) +
               (info.param.andLater ? "AndLater" : "Only");
    });

// Every band count from one a picture to one a row, all threads started.
TEST(HistogramBands, AnyBandCountGivesThePlainCounts) {
    ChannelHistogram plain;
    auto bitmap = RowCodedBitmap(5, 11, plain);
    ASSERT_TRUE(bitmap);
    for (unsigned bands : {0u, 1u, 2u, 3u, 5u, 10u, 11u, 12u, 1000u}) {
        SCOPED_TRACE(bands);
        ExpectSameCounts(ComputeChannelHistogramInBands(*bitmap, bands), plain);
    }
}

// The choice ComputeChannelHistogram makes itself: a picture large enough for
// two bands, and no thread to be had.
TEST(HistogramBands, LargePictureWithoutThreadsIsCountedWhole) {
    if (DefaultWorkerCount() < 2) GTEST_SKIP() << "one CPU to use: the picture is counted in one band";
    ChannelHistogram plain;
    auto bitmap = RowCodedBitmap(2000, 4200, plain);
    ASSERT_TRUE(bitmap);
    FailingThreadStarts failing(1, true);
    const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
    EXPECT_EQ(failing.Starts(), 1);
    ExpectSameCounts(h, plain);
}

}  // namespace
