#pragma once
// What the tool found out about one file or one pair, apart from how it is
// written out. A result with an error holds nothing else of use.
#include <cstdint>
#include <optional>
#include <string>

#include "histogram.h"
#include "metrics.h"
#include "picture.h"
#include "sample_histogram.h"
#include "standard_metrics.h"

struct InfoResult {
    std::string path;
    // What the desktop program's loader makes of it; Empty for a format it
    // does not take.
    PictureKind kind = PictureKind::Empty;
    int32_t width = 0;  // width, height, bitsPerPixel: a bitmap, or a file decoded (channels > 0)
    int32_t height = 0;
    int bitsPerPixel = 0;
    int64_t fileSize = 0;
    std::optional<std::string> error;
    std::string format;  // the format table's name, empty for an unknown extension
    // The decoded samples: channels, bits of a sample and their peak; 0
    // when the file's decoder does not take it.
    int channels = 0;
    int bitsPerSample = 0;
    uint32_t peak = 0;
};

// The kind column of `info`: the desktop loader's kind, else the format.
std::string InfoKindName(const InfoResult& result);

struct HistogramResult {
    std::string path;
    ChannelHistogram counts;  // a file of the desktop route
    std::optional<std::string> error;
    // A file of the decoded route: its counts per channel, one bin per
    // value up to 256 values (else 256 bins); `counts` is then unused.
    std::optional<SampleHistogram> decoded = {};
};

struct PairResult {
    std::string original;
    std::string manipulated;
    QualityMetrics metrics;
    // The field's metrics, once a comparison computes them; while absent
    // every output is exactly as without them.
    std::optional<StandardMetrics> standard;
    std::optional<std::string> error;
    // Set when the desktop program's MSE and PSNR do not apply to the pair
    // (not two 8-bit RGB images): why; `metrics` is then meaningless.
    std::optional<std::string> metricsUnavailable;
    // A word on numbers that stand but are not the picture's own: a bitmap
    // cut short, whose missing pixels the desktop program counts as 0. The
    // field's metrics are then absent.
    std::optional<std::string> warning = {};
};

// "bitmap", "icon", "metafile", "jpeg" ("empty" for an empty picture).
const char* PictureKindName(PictureKind kind);
