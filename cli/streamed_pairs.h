#pragma once
// Pairs computed with the pictures read from their files band by band
// through small buffers (the original of a batch is read once, into
// memory): the results of ComparePair, bit for bit and error for error.
#include <cstddef>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "analysis.h"
#include "raster_fill.h"
#include "results.h"
#include "stream_compare.h"

// ComparePair(OriginalImage(originalPath), manipulatedPath) for a single
// pair: two .bmp files are read side by side and neither is loaded whole.
PairResult CompareFilesStreamed(const std::string& originalPath, const std::string& manipulatedPath,
                                StreamBuffers& buffers);

// The original of a run with several pairs. Load() reads it once, band by
// band, on a thread of its own, while Compare() already compares the
// manipulated files against the rows in place, from any number of threads.
class BatchOriginal {
public:
    // Load reads loadBandBytes at a time.
    explicit BatchOriginal(std::string path, size_t loadBandBytes = StreamBuffers::kDefaultBandBytes);
    BatchOriginal(const BatchOriginal&) = delete;
    BatchOriginal& operator=(const BatchOriginal&) = delete;

    // Call exactly once.
    void Load();
    // ComparePair(OriginalImage(path), manipulatedPath), the manipulated
    // file read band by band; waits for Load as far as it needs to.
    PairResult Compare(const std::string& manipulatedPath, StreamBuffers& buffers) const;

private:
    std::string path_;
    size_t loadBandBytes_;
    // Set by Load before headersKnown_: what makes the original unusable,
    // else the bitmap (filled band by band when read through stream_).
    std::optional<std::string> error_;
    std::unique_ptr<OriginalImage> loaded_;  // a file the bitmap reader does not read
    std::optional<BitmapFileStream> stream_;
    std::unique_ptr<Bitmap> raster_;
    const Bitmap* bitmap_ = nullptr;
    RasterFill fill_;
    // Set by Load before finished_: why the pixels could not all be read.
    std::optional<std::string> readError_;
    std::promise<void> headersPromise_;
    std::promise<void> finishedPromise_;
    std::shared_future<void> headersKnown_;
    std::shared_future<void> finished_;
};
