#pragma once
// JPEG encoding through libjpeg-turbo, for small pictures embedded in
// reports (photographs stay small as JPEG where PNG would be ten times
// larger).
#include <string>

#include "image.h"

// A baseline JPEG of an 8-bit grey or RGB image at this quality (1..100).
// Throws CitraError (the library's message) when it cannot encode.
std::string EncodeJpeg(const Image& image, int quality = 80);
