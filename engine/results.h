#pragma once
// What the tool found out about one file or one pair, apart from how it is
// written out. A result with an error holds nothing else of use.
#include <cstdint>
#include <optional>
#include <string>

#include "histogram.h"
#include "metrics.h"
#include "picture.h"
#include "standard_metrics.h"

struct InfoResult {
    std::string path;
    PictureKind kind = PictureKind::Empty;
    int32_t width = 0;  // width, height, bitsPerPixel: for a bitmap only
    int32_t height = 0;
    int bitsPerPixel = 0;
    int64_t fileSize = 0;
    std::optional<std::string> error;
};

struct HistogramResult {
    std::string path;
    ChannelHistogram counts;
    std::optional<std::string> error;
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
};

// "bitmap", "icon", "metafile", "jpeg" ("empty" for an empty picture).
const char* PictureKindName(PictureKind kind);
