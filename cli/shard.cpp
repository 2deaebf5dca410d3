#include "shard.h"

namespace {

// floor(count * k / n) without overflow for any count (k <= n <= kMaxShards).
size_t ShareStart(size_t count, size_t k, size_t n) { return count / n * k + count % n * k / n; }

}  // namespace

IndexRange ShardRange(size_t count, const Shard& shard) {
    return {ShareStart(count, shard.index - 1, shard.count), ShareStart(count, shard.index, shard.count)};
}
