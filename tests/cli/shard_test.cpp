#include "shard.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// For every K of N: consecutive shares, together exactly [0, count), sizes
// differing by at most one.
TEST(ShardRange, SharesTileThePairsEvenly) {
    for (size_t count : {0, 1, 2, 3, 7, 10, 64, 1000, 1001}) {
        for (unsigned n = 1; n <= 40; ++n) {
            size_t next = 0;
            size_t smallest = std::numeric_limits<size_t>::max(), largest = 0;
            for (unsigned k = 1; k <= n; ++k) {
                const IndexRange range = ShardRange(count, {k, n});
                ASSERT_EQ(range.begin, next) << count << " " << k << "/" << n;
                ASSERT_LE(range.begin, range.end);
                smallest = std::min(smallest, range.end - range.begin);
                largest = std::max(largest, range.end - range.begin);
                next = range.end;
            }
            EXPECT_EQ(next, count) << count << " /" << n;
            EXPECT_LE(largest - smallest, 1u) << count << " /" << n;
        }
    }
}

TEST(ShardRange, NoOverflowForHugeCountsAndManyShares) {
    const size_t count = std::numeric_limits<size_t>::max() - 5;
    const IndexRange last = ShardRange(count, {kMaxShards, kMaxShards});
    EXPECT_EQ(last.end, count);
    const IndexRange second = ShardRange(count, {2, kMaxShards});
    EXPECT_EQ(second.begin, ShardRange(count, {1, kMaxShards}).end);
    EXPECT_NEAR(static_cast<double>(second.begin), static_cast<double>(count) / kMaxShards, 2.0);
}

}  // namespace
