#pragma once
// DecodePng's two ways to the samples, for the tests and the benchmark:
// every file DecodePng reads gives what libspng alone gives.
#include <cstdint>
#include <optional>
#include <span>

#include "image.h"
#include "png_inflate.h"

// libspng alone, every file: the reference the inflated rows must equal.
Image DecodePngWithLibspng(std::span<const uint8_t> bytes, const ImageLimits& limits);

// DecodePng, telling whether InflatePngRows was tried and what it gave
// (left empty when the file went to libspng straight).
Image DecodePngTraced(std::span<const uint8_t> bytes, const ImageLimits& limits,
                      std::optional<PngRowsStatus>& tried);

// DecodePngOwned, telling the same: `bytes` may be rearranged (left as they
// were when the file goes on to libspng).
Image DecodePngOwnedTraced(std::span<uint8_t> bytes, const ImageLimits& limits,
                           std::optional<PngRowsStatus>& tried);
