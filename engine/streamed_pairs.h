#pragma once
// Pairs computed with the manipulated pictures read from their files band
// by band through small buffers, never loaded whole: the results of
// ComparePair, bit for bit and error for error.
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "analysis.h"
#include "results.h"
#include "stream_compare.h"

struct PairPlan;

// ComparePair(OriginalImage(originalPath), manipulatedPath) for a single
// pair of the desktop route: two .bmp files are read side by side and
// neither is loaded whole, through the files the plan opened where it did.
PairResult CompareFilesStreamed(const std::string& originalPath, const std::string& manipulatedPath,
                                StreamBuffers& buffers, PairPlan& plan);

// The original of a run with several pairs, loaded once by Load() on a
// thread of its own. Until it is in memory, Compare() reads both files of a
// pair side by side, so no worker waits for it; so it does for good when the
// load ran out of memory, so that each pair gets what it would get alone.
class BatchOriginal {
public:
    explicit BatchOriginal(std::string path);
    BatchOriginal(const BatchOriginal&) = delete;
    BatchOriginal& operator=(const BatchOriginal&) = delete;

    // Call exactly once.
    void Load();
    // ComparePair(OriginalImage(path), manipulatedPath), the manipulated
    // .bmp file read band by band. Safe from several threads at once,
    // before, during and after Load.
    PairResult Compare(const std::string& manipulatedPath, StreamBuffers& buffers, PairPlan& plan) const;

private:
    std::string path_;
    std::unique_ptr<OriginalImage> image_;  // set by Load before loaded_
    std::optional<std::string> missing_;    // set by Load: the file's pixels that are not in it
    std::atomic<bool> loaded_{false};
};
