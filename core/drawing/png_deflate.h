#pragma once
// The PNG file of a whole 8-bit image written unfiltered, its image data
// compressed in one call to libdeflate: 3 to 4 times faster than zlib at
// level 1 on difference maps, and smaller. EncodePng takes this way for
// unfiltered pictures; rows encoded one by one stay with libspng.
#include <string>
#include <utility>
#include <vector>

#include "image.h"

// Throws CitraError for an empty image or keyword outside 1 to 79
// characters, and "out of memory" when memory runs out.
std::string EncodeUnfilteredPng(const Image& image, const std::vector<std::pair<std::string, std::string>>& text,
                                int level);
