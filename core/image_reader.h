#pragma once
// Decodes an image file for the research comparisons, choosing the decoder
// by the file's extension: bmp (every depth), png, pgm/ppm/pnm, tif/tiff,
// jpg/jpeg. Throws CitraError with a message naming the file.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image.h"

// Every message starts with "<path>: ".
Image ReadImage(const std::string& path, const ImageLimits& limits = {});

// The same decoding of bytes already in memory, as a file with this
// extension (without the dot, any case); name stands for the file in the
// messages.
Image ReadImage(std::span<const uint8_t> bytes, std::string_view extension, const std::string& name,
                const ImageLimits& limits = {});

// Whether ReadImage takes files with this extension (without the dot, any case).
bool IsImageExtension(std::string_view extension);
