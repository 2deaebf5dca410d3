#pragma once
// Computes the pairs of one compare run on worker threads and hands the
// results to the calling thread in argument order.
//
// With more than one pair against one original, the original is loaded once, on a thread of its
// own, and each worker reads one manipulated file after the other band by
// band through a buffer of its own (until the original is in memory, both
// files of a pair side by side), so memory holds the original and one
// small buffer per worker. A single pair reads both files side by side:
// neither is loaded whole. Finished results wait in a reorder buffer until
// all earlier ones have been delivered.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "pair_list.h"
#include "results.h"
#include "standard_metrics.h"
#include "stream_compare.h"

struct PairRunSettings {
    unsigned jobs = 1;  // 1: one pair after the other
    // Checked before each new pair. Once it is set, the results already
    // finished that follow the delivered ones without a gap are delivered,
    // and RunPairs returns without waiting for the pairs still in progress
    // to be delivered (it joins their workers).
    const std::atomic<bool>* stop = nullptr;
    // Checked before each new pair and before each delivery: once set (the
    // output is lost), nothing more is started or delivered, and RunPairs
    // returns once the pairs in progress are done.
    const std::atomic<bool>* abandon = nullptr;
    // How often `tick` runs while the caller waits for the next result.
    std::chrono::milliseconds tickInterval{50};
    // Bytes read from a file at a time.
    size_t bandBytes = StreamBuffers::kDefaultBandBytes;
    // The field's metrics' options for every pair.
    StandardOptions standard;
};

// What the caller is handed, for results of type Result (compare's
// PairResult, measure's MeasureResult).
template <class Result>
struct PairRunCallbacksOf {
    std::function<void(const Result&)> deliver;  // in argument order
    std::function<void(size_t finished)> tick;   // optional
};
using PairRunCallbacks = PairRunCallbacksOf<PairResult>;

enum class PairRunEnd { Completed, Stopped };

// Computes pair `index` using the calling worker's buffers; called from the
// workers, several at once.
template <class Result>
using PairComputationOf = std::function<Result(size_t index, StreamBuffers& buffers)>;
using PairComputation = PairComputationOf<PairResult>;

// The workers, the reorder buffer and the deliveries of RunPairs for any
// list of `count` pairs, e.g. pairs that each have their own original, or
// pairs measured by MeasureListedPair. Instantiated for Result = PairResult
// and MeasureResult (measure_pairs.h); pair_runner_list.h defines it for
// other results.
template <class Result>
PairRunEnd RunPairList(size_t count, const std::type_identity_t<PairComputationOf<Result>>& compute,
                       const PairRunSettings& settings, const PairRunCallbacksOf<Result>& callbacks);

// The pairs of a listing, each compared by ComparePlannedPair.
PairRunEnd RunPairs(const PairListing& listing, const PairRunSettings& settings, const PairRunCallbacks& callbacks);
