#pragma once
// Pairs of the decoded route (pair_plan.h), decoded whole by ReadImage and
// compared with the field's metrics. The desktop program's MSE and PSNR
// come along only for two 8-bit RGB images.
#include <string>
#include <utility>

#include "image.h"

#include "results.h"
#include "standard_metrics.h"

// Decodes both files with ReadImage, side by side when `threads` allows;
// rethrows the original's failure first.
std::pair<Image, Image> DecodeBoth(const std::string& originalPath, const std::string& manipulatedPath,
                                   unsigned threads);

// The desktop program's MSE and PSNR of two images of one shape, from the
// exact sum, when both are 8-bit RGB; else `metricsUnavailable` says why.
void SetDesktopNumbers(PairResult& result, const ImageView& original, const ImageView& manipulated);

// The field's metrics of two images, and the desktop program's for two
// 8-bit RGB ones; a refused pair gives a failed result (paths left empty).
PairResult CompareImages(const ImageView& original, const ImageView& manipulated, const StandardOptions& options);

// Both images of a decoded pair, for what is drawn from them afterwards.
struct DecodedImages {
    Image original;
    Image manipulated;
};

// Decodes both files and computes the field's metrics; a file that fails
// to decode or a pair StandardPairRefusal refuses gives a failed pair.
// With `keep`, the decoded images are moved there (also for a refused pair).
PairResult CompareDecodedPair(const std::string& originalPath, const std::string& manipulatedPath,
                              const StandardOptions& options, DecodedImages* keep = nullptr);
