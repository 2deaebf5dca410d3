#pragma once
// Decoding of run-length-compressed bitmap data (RLE8, RLE4).
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap.h"

// Decodes 8-bit (bitsPerIndex 8) or 4-bit (4) run-length data into a
// 32-bit raster stored bottom row first: blue, green, red from the colour
// table and 255, per pixel; an index beyond the table gives black. Pixels
// the data never reach keep their content; pixels right of the last
// column or above the top row are dropped. Decoding stops at the end of
// the bitmap code or of the data. Reads and writes only inside the spans.
// Returns false when the data ran out before every row was reached.
bool DecodeRunLength(std::span<const uint8_t> data, int bitsPerIndex, const std::vector<uint32_t>& colourTable,
                     Bitmap& raster);
