#pragma once
// The definition of RunPairList, for a result type of a caller's own (the
// report's pairs); pair_runner.cpp instantiates it for compare and measure.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "pair_runner.h"
#include "thread_start.h"

namespace pair_runner_detail {

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

inline bool Abandoned(const PairRunSettings& settings) {
    return settings.abandon && settings.abandon->load();
}

inline bool Stopping(const PairRunSettings& settings) {
    return (settings.stop && settings.stop->load()) || Abandoned(settings);
}

}  // namespace pair_runner_detail

template <class Result>
PairRunEnd RunPairList(size_t count, const std::type_identity_t<PairComputationOf<Result>>& compute,
                       const PairRunSettings& settings, const PairRunCallbacksOf<Result>& callbacks) {
    const unsigned jobs = settings.jobs < 1 ? 1 : settings.jobs;
    const size_t workerCount = std::min<size_t>(jobs, count);
    pair_runner_detail::ReorderBuffer<Result> buffer(count);
    std::atomic<size_t> next{0};
    PairRunEnd end = PairRunEnd::Completed;
    {
        const auto work = [&] {
            StreamBuffers buffers(settings.bandBytes);  // allocated at the first band read
            while (!pair_runner_detail::Stopping(settings)) {
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
            if (pair_runner_detail::Abandoned(settings)) {
                end = PairRunEnd::Stopped;
                break;
            }
            // Once stopping, only what is already finished, in order, goes out.
            const bool stopping = pair_runner_detail::Stopping(settings);
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

