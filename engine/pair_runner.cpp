#include "pair_runner.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>

#include "file_pair.h"
#include "measure_pairs.h"
#include "pair_plan.h"
#include "pair_runner_list.h"
#include "thread_start.h"

template PairRunEnd RunPairList<PairResult>(size_t, const PairComputationOf<PairResult>&, const PairRunSettings&,
                                            const PairRunCallbacksOf<PairResult>&);
template PairRunEnd RunPairList<MeasureResult>(size_t, const PairComputationOf<MeasureResult>&,
                                               const PairRunSettings&, const PairRunCallbacksOf<MeasureResult>&);

PairRunEnd RunPairs(const PairListing& listing, const PairRunSettings& settings, const PairRunCallbacks& callbacks) {
    const std::vector<ListedPair>& pairs = listing.pairs;
    // One original for several pairs of the desktop route is loaded once;
    // not at all for a single one, for a study (each pair its own
    // original), or for pairs the names alone send to the decoders.
    const size_t desktopPairs =
        listing.study ? 0 : static_cast<size_t>(std::count_if(pairs.begin(), pairs.end(), [](const ListedPair& pair) {
            return !pair.error && RouteByNames(pair.original, pair.manipulated) == Route::Desktop;
        }));
    std::optional<BatchOriginal> original;
    std::jthread loader;  // joined before `original` goes
    if (desktopPairs > 1) {
        original.emplace(pairs.front().original);
        try {
            loader = StartThread<std::jthread>([&] { original->Load(); });
        } catch (const std::system_error&) {
            original->Load();  // no thread to be had: load it here
        }
    }
    return RunPairList(
        pairs.size(),
        [&](size_t index, StreamBuffers& buffers) {
            return ComparePlannedPair(pairs[index], original ? &*original : nullptr, buffers, settings.standard);
        },
        settings, callbacks);
}
