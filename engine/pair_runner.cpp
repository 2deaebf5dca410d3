#include "pair_runner.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "file_pair.h"
#include "measure_pairs.h"
#include "pair_plan.h"
#include "thread_start.h"

namespace {

// Results by index; the consumer takes them strictly in index order.
template <class Result>
class ReorderBuffer {
public:
    explicit ReorderBuffer(size_t count) : slots_(count) {}

    void Put(size_t index, Result result) {
        {
            std::lock_guard lock(mutex_);
            slots_[index] = std::move(result);
            ++finished_;
        }
        ready_.notify_one();
    }

    // The result at `index`, waiting at most `timeout` for it.
    std::optional<Result> Take(size_t index, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, timeout, [&] { return slots_[index].has_value(); });
        std::optional<Result> result = std::move(slots_[index]);
        slots_[index].reset();
        return result;
    }

    size_t Finished() {
        std::lock_guard lock(mutex_);
        return finished_;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::optional<Result>> slots_;
    size_t finished_ = 0;
};

bool Abandoned(const PairRunSettings& settings) {
    return settings.abandon && settings.abandon->load();
}

bool Stopping(const PairRunSettings& settings) {
    return (settings.stop && settings.stop->load()) || Abandoned(settings);
}

}  // namespace

template <class Result>
PairRunEnd RunPairList(size_t count, const std::type_identity_t<PairComputationOf<Result>>& compute,
                       const PairRunSettings& settings, const PairRunCallbacksOf<Result>& callbacks) {
    const unsigned jobs = settings.jobs < 1 ? 1 : settings.jobs;
    const size_t workerCount = std::min<size_t>(jobs, count);
    ReorderBuffer<Result> buffer(count);
    std::atomic<size_t> next{0};
    PairRunEnd end = PairRunEnd::Completed;
    {
        const auto work = [&] {
            StreamBuffers buffers(settings.bandBytes);  // allocated at the first band read
            while (!Stopping(settings)) {
                const size_t index = next.fetch_add(1);
                if (index >= count) break;
                buffer.Put(index, compute(index, buffers));
            }
        };
        std::vector<std::jthread> workers;
        try {
            for (size_t w = 0; w < workerCount; ++w) workers.push_back(StartThread<std::jthread>(work));
        } catch (const std::system_error&) {
            // Fewer threads than asked for: the ones started share the pairs.
            if (workers.empty()) work();
        }

        for (size_t written = 0; written < count;) {
            if (Abandoned(settings)) {
                end = PairRunEnd::Stopped;
                break;
            }
            // Once stopping, only what is already finished, in order, goes out.
            const bool stopping = Stopping(settings);
            std::optional<Result> result =
                buffer.Take(written, stopping ? std::chrono::milliseconds(0) : settings.tickInterval);
            if (result) {
                callbacks.deliver(*result);
                ++written;
            } else if (stopping) {
                end = PairRunEnd::Stopped;
                break;
            }
            if (callbacks.tick) callbacks.tick(buffer.Finished());
        }
        // Leaving the scope joins the workers (each ends the pair it is on).
    }
    return end;
}

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
