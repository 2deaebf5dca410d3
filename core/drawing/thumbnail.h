#pragma once
// Small copies of pictures for reports: 8-bit grey or RGB, no wider and no
// higher than asked, each output pixel the mean of the input pixels it
// covers (a box filter, which keeps fine noise from aliasing into
// patterns).
#include <cstdint>

#include "image.h"

// The picture scaled down (never up) to fit maxWidth x maxHeight, aspect
// kept; 16-bit and other peaks mapped to 0..255; alpha left out.
Image Thumbnail(const Image& image, int32_t maxWidth, int32_t maxHeight);
