#pragma once
// What the pair commands (compare, measure) share around their pairs: the
// share of --shard, the runner's settings (-j, Ctrl+C, lost output), the
// progress bar on standard error, the delivery of each result in order,
// where a summary goes, and the exit status.
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "interrupt.h"
#include "options.h"
#include "pair_runner.h"
#include "progress.h"
#include "run.h"
#include "shard.h"
#include "whole_file.h"

// Keeps the items of the shard's share.
template <typename T>
void KeepShare(std::vector<T>& items, const std::optional<Shard>& shard) {
    if (!shard) return;
    const IndexRange range = ShardRange(items.size(), *shard);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(range.end), items.end());
    items.erase(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(range.begin));
}

// One run of a pair command's pairs. Create it once anything written
// before the first pair (a CSV header) is out: from then on Ctrl+C only
// raises a flag (until it is destroyed), and a failed write to `out` stops
// the run.
class PairBatch {
public:
    PairBatch(const Options& options, size_t pairCount, std::ostream& out, std::ostream& err, Terminals terminals);
    PairBatch(const PairBatch&) = delete;
    PairBatch& operator=(const PairBatch&) = delete;

    // The runner's settings: -j (default: DefaultWorkerCount), Ctrl+C, the
    // lost output.
    PairRunSettings Settings() const;
    // The threads each pair may use: one when there are several pairs (the
    // workers share them out, -j 1 included: no thread is started per
    // pair), else the run's -j (every CPU by default).
    unsigned ThreadsPerPair() const;

    // Callbacks handing each result, in order, to `write`, which writes it
    // and says whether the pair succeeded; the progress bar is drawn
    // between results and kept off the output lines.
    template <class Result>
    PairRunCallbacksOf<Result> Callbacks(std::function<bool(const Result&)> write) {
        PairRunCallbacksOf<Result> callbacks;
        callbacks.deliver = [this, write = std::move(write)](const Result& result) {
            progress_.BeforeOutput();
            allOk_ = write(result) && allOk_;
            if (!out_) outputLost_.store(true);
        };
        callbacks.tick = [this](size_t finished) { progress_.Update(finished); };
        return callbacks;
    }

    // After the runner: erases the progress bar.
    void Done() { progress_.Erase(); }
    bool OutputLost() const { return outputLost_.load(); }
    // 128 + the stop signal (130 Ctrl+C); else 0 when every pair succeeded and the summary
    // (if any) was written, 1 otherwise.
    int ExitCode(bool summaryWritten) const;

private:
    std::ostream& out_;
    size_t pairCount_;
    unsigned jobs_;
    ProgressBar progress_;
    const InterruptFlag interrupt_;
    std::atomic<bool> outputLost_;
    bool allOk_ = true;
};

// The decimal separator of a summary: the user's for text, else a full stop.
std::string SummarySeparator(const Options& options);

// Puts a summary rendered in the output's format where the options say:
// with --summary=FILE into `file` when one was opened before the first pair,
// else into a new file written whole; without a file on standard error
// beside CSV, else on `out` (after an empty line when it follows a text
// table). False, said on `err`, when the file could not be written.
// measure's and detect's --summary=FILE, its temporary file created before
// any work; nothing without one. False, said on `err`, when it cannot be.
bool OpenSummaryFile(const Options& options, std::optional<PendingFile>& file, std::ostream& err);

bool PutSummary(const Options& options, const std::string& rendered, bool afterTable, PendingFile* file,
                std::ostream& out, std::ostream& err);
