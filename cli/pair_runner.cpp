#include "pair_runner.h"

#include <algorithm>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "analysis.h"

namespace {

// Results by index; the consumer takes them strictly in index order.
class ReorderBuffer {
public:
    explicit ReorderBuffer(size_t count) : slots_(count) {}

    void Put(size_t index, PairResult result) {
        {
            std::lock_guard lock(mutex_);
            slots_[index] = std::move(result);
            ++finished_;
        }
        ready_.notify_one();
    }

    // The result at `index`, waiting at most `timeout` for it.
    std::optional<PairResult> Take(size_t index, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, timeout, [&] { return slots_[index].has_value(); });
        std::optional<PairResult> result = std::move(slots_[index]);
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
    std::vector<std::optional<PairResult>> slots_;
    size_t finished_ = 0;
};

// The original, loaded by a thread of its own and then only read.
class SharedOriginal {
public:
    explicit SharedOriginal(const std::string& path) : loaded_(promise_.get_future().share()) {
        const auto load = [this, path] {
            image_ = std::make_unique<OriginalImage>(path);
            promise_.set_value();
        };
        try {
            loader_ = std::thread(load);
        } catch (const std::system_error&) {
            load();  // no thread to be had: load it here
        }
    }
    ~SharedOriginal() {
        if (loader_.joinable()) loader_.join();
    }

    const OriginalImage& Get() const {
        loaded_.wait();
        return *image_;
    }
    // True once it is known to have failed; never waits.
    bool KnownToHaveFailed() const {
        return loaded_.wait_for(std::chrono::seconds(0)) == std::future_status::ready && image_->Error();
    }

private:
    std::promise<void> promise_;
    std::shared_future<void> loaded_;
    std::unique_ptr<OriginalImage> image_;
    std::thread loader_;
};

bool Stopping(const PairRunSettings& settings) {
    return settings.stop && settings.stop->load();
}

PairResult ComputeInput(const SharedOriginal& original, const std::string& originalPath, const PairInput& input,
                        bool overlapLoads) {
    if (input.error) {
        PairResult result;
        result.original = originalPath;
        result.manipulated = input.path;
        result.error = input.error;
        return result;
    }
    if (!overlapLoads) original.Get();
    // The manipulated image lives until this pair is computed, no longer.
    Picture picture;
    std::optional<std::string> loadError;
    if (!original.KnownToHaveFailed()) loadError = LoadManipulated(picture, input.path);
    return CompareLoaded(original.Get(), input.path, picture, loadError);
}

}  // namespace

PairRunEnd RunPairs(const std::string& originalPath, const std::vector<PairInput>& inputs,
                    const PairRunSettings& settings, const PairRunCallbacks& callbacks) {
    const size_t count = inputs.size();
    const unsigned jobs = settings.jobs < 1 ? 1 : settings.jobs;
    const size_t workerCount = std::min<size_t>(jobs, count);
    ReorderBuffer buffer(count);
    std::atomic<size_t> next{0};

    PairRunEnd end = PairRunEnd::Completed;
    {
        const SharedOriginal original(originalPath);
        const auto work = [&] {
            while (!Stopping(settings)) {
                const size_t index = next.fetch_add(1);
                if (index >= count) break;
                buffer.Put(index, ComputeInput(original, originalPath, inputs[index], jobs > 1));
            }
        };
        std::vector<std::jthread> workers;
        try {
            for (size_t w = 0; w < workerCount; ++w) workers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than asked for: the ones started share the pairs.
            if (workers.empty()) work();
        }

        for (size_t written = 0; written < count;) {
            // Once stopping, only what is already finished, in order, goes out.
            const bool stopping = Stopping(settings);
            std::optional<PairResult> result =
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
        // Leaving the scope joins the workers (each ends the pair it is on)
        // and the original's loader.
    }
    return end;
}
