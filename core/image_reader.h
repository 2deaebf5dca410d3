#pragma once
// Decodes an image file for the research comparisons, choosing the decoder
// by the file's extension: bmp (every depth), png, pgm/ppm/pnm, tif/tiff,
// jpg/jpeg. Throws CitraError with a message naming the file.
#include <string>
#include <string_view>

#include "image.h"

Image ReadImage(const std::string& path, const ImageLimits& limits = {});

// Whether ReadImage takes files with this extension (without the dot, any case).
bool IsImageExtension(std::string_view extension);
