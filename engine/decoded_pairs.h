#pragma once
// Pairs of images other than two .bmp files, decoded whole by ReadImage and
// compared with the field's metrics. The desktop program's MSE and PSNR
// come along only for two 8-bit RGB images.
#include <string>
#include <utility>

#include "image.h"

#include "results.h"
#include "standard_metrics.h"

// Both files of a kind ReadImage decodes, and at least one not a .bmp (two
// .bmp files are compared band by band, as the desktop program does).
bool IsDecodedPair(const std::string& originalPath, const std::string& manipulatedPath);

// Two .bmp files of which one, by its headers, has pixels of another depth
// than 24 bits: the desktop program refuses them, the field's metrics
// decode them. Reads both files' headers.
bool IsOtherDepthBitmapPair(const std::string& originalPath, const std::string& manipulatedPath);

// Decodes both files with ReadImage, side by side when `threads` allows;
// rethrows the original's failure first.
std::pair<Image, Image> DecodeBoth(const std::string& originalPath, const std::string& manipulatedPath,
                                   unsigned threads);

// The field's metrics of two images, and the desktop program's for two
// 8-bit RGB ones; a refused pair gives a failed result (paths left empty).
PairResult CompareImages(const ImageView& original, const ImageView& manipulated, const StandardOptions& options);

// Decodes both files and computes the field's metrics; a file that fails
// to decode or a pair StandardPairRefusal refuses gives a failed pair.
PairResult CompareDecodedPair(const std::string& originalPath, const std::string& manipulatedPath,
                              const StandardOptions& options);
