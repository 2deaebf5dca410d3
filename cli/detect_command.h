#pragma once
// citra detect: the estimators of LSB replacement on each image
// (DetectListedImage), written as a text table, JSON lines or CSV rows, and
// with --summary the summary per group (DetectSummaryBuilder).
#include <ostream>

#include "detect_images.h"
#include "options.h"
#include "run.h"

// Runs the listed images (already cut to the --shard share) and returns the
// exit code: 0 all read, 1 an image failed or the summary could not be
// written, 128 + the signal when stopped. A --summary=FILE that cannot be
// written fails before the first image.
int RunDetect(const Options& options, const ImageListing& listing, std::ostream& out, std::ostream& err,
              Terminals terminals);
