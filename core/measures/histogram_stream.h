#pragma once
// The desktop program's histogram of a 24-bit bitmap file, counted from the
// file band by band instead of from the loaded picture: the same counts as
// ComputeChannelHistogram of the Bitmap LoadPicture would make, without
// ever holding the raster.
#include <cstddef>
#include <string>

#include "histogram.h"
#include "stream_compare.h"

// `stream` is the file opened (its refusals already raised by the caller);
// the rows are split into bands as ComputeChannelHistogram splits them, each
// band read through a buffer of about `bandBytes` on a thread of its own,
// with its own opening of `path` (`bands` 0: chosen from the size and the
// cores). Throws CitraError with the loader's message when the file cannot
// be read.
ChannelHistogram ComputeChannelHistogramStreamed(const std::string& path, BitmapFileStream& stream,
                                                 size_t bandBytes = StreamBuffers::kDefaultBandBytes,
                                                 unsigned bands = 0);
