#pragma once
// The pairs of one share of a run split with --shard K/N.
#include <cstddef>

#include "options.h"

struct IndexRange {
    size_t begin = 0;
    size_t end = 0;  // one past the last
};

// The K-th of N consecutive shares of `count` items: [count*(K-1)/N,
// count*K/N). The shares follow one another without gap or overlap and
// differ in size by at most one, so their outputs one after the other are
// the whole run's.
IndexRange ShardRange(size_t count, const Shard& shard);
