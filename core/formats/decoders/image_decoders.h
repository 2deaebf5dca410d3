#pragma once
// The decoders behind ReadImage, one per file kind. Each takes the whole
// file in memory and throws CitraError with the text that follows
// "<file>: " in ReadImage's message.
#include <cstdint>
#include <span>

#include "image.h"

Image DecodeBmp(std::span<const uint8_t> bytes, const ImageLimits& limits);
Image DecodePng(std::span<const uint8_t> bytes, const ImageLimits& limits);
// The same, in bytes the caller owns and no longer needs as they are: the
// image data chunks are moved together there rather than into a copy.
Image DecodePngOwned(std::span<uint8_t> bytes, const ImageLimits& limits);
Image DecodePnm(std::span<const uint8_t> bytes, const ImageLimits& limits);
Image DecodeTiff(std::span<const uint8_t> bytes, const ImageLimits& limits);
Image DecodeJpeg(std::span<const uint8_t> bytes, const ImageLimits& limits);

// Refuses a size beyond the limits, before anything is allocated.
void CheckImageLimits(uint64_t width, uint64_t height, int channels, int bitDepth, const ImageLimits& limits);

// An image of this size and kind, after the limit check, its samples not
// yet written (the decoder writes every one); running out of memory throws
// "out of memory".
Image AllocateImage(uint64_t width, uint64_t height, ChannelLayout layout, int bitDepth, uint32_t peak,
                    const ImageLimits& limits);
