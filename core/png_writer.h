#pragma once
// PNG encoding through libspng, the library the PNG reader uses.
#include <string>
#include <utility>
#include <vector>

#include "image.h"

// A PNG file of an 8-bit image (grey, grey + alpha, RGB or RGBA) with these
// tEXt chunks (keyword, Latin-1 text), at this zlib level: 1, the fastest
// that still compresses, by default. Throws CitraError (libspng's message)
// for what it cannot encode and when memory runs out.
std::string EncodePng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text = {},
                      int compressionLevel = 1);
