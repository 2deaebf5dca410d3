#pragma once
// The one place a pair of files is compared, by the route PlanPair gives:
// the desktop program's path (two 24-bit bitmaps band by band, with the
// field's metrics from the same pass and SSIM from a second one), the
// decoded path, or the refusal. compare, report, the Python module and
// Dask all come here.
#include <optional>
#include <string>

#include "decoded_pairs.h"
#include "pair_list.h"
#include "results.h"
#include "standard_metrics.h"
#include "streamed_pairs.h"

// `batch`: the original loaded once for a run of several pairs, or null.
// `keep`: where a decoded pair leaves both images (for pictures drawn from
// them), or null.
PairResult ComparePlannedPair(const ListedPair& pair, const BatchOriginal* batch, StreamBuffers& buffers,
                              const StandardOptions& options, DecodedImages* keep = nullptr);

// The same for two named files.
PairResult CompareFilePair(const std::string& originalPath, const std::string& manipulatedPath,
                           const BatchOriginal* batch, StreamBuffers& buffers, const StandardOptions& options);
