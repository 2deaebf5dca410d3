#pragma once
// The one place a pair of files is judged and compared, in a study or
// against one original: two .bmp files as the desktop program compares them
// (read band by band, with the field's metrics from the same pass), any
// other pair of image files, and two .bmp files the desktop program refuses
// for their depth, decoded whole by CompareDecodedPair.
#include <optional>
#include <string>

#include "results.h"
#include "standard_metrics.h"
#include "streamed_pairs.h"

// `batch`: the original loaded once for a run of several pairs, or null.
// Without `standard` every pair goes the desktop program's way (no
// decoding, no SSIM).
PairResult CompareFilePair(const std::string& originalPath, const std::string& manipulatedPath,
                           const BatchOriginal* batch, StreamBuffers& buffers,
                           const std::optional<StandardOptions>& standard);
