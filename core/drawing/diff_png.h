#pragma once
// A difference picture of two decoded images drawn straight into the rows
// a PNG file is compressed from, in bands on several threads: no copy of
// the picture between drawing and compressing, and the inputs can be let go
// before the compression.
#include "difference_maps.h"
#include "png_deflate.h"

// The picture of `options.mode` (abs, heat and lsb drawn into the rows;
// ssim drawn whole by MakeDiffMap, then copied) on options.threads threads
// (0: DefaultWorkerCount()). `map` gets the picture's numbers, description
// and size; its image holds no samples. Throws as MakeDiffMap throws.
PngRows DrawDiffRows(const ImageView& original, const ImageView& manipulated, const DiffOptions& options,
                     DiffMap& map);
