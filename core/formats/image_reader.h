#pragma once
// Decodes an image file for the research comparisons, choosing the decoder
// the format table (formats.h) gives the file's extension: bmp (every
// depth), png, pbm/pgm/ppm/pnm, tif/tiff, jpg/jpeg. Throws CitraError with a message naming the file.
//
// What each kind gives:
// - BMP: RGB 8-bit (palette looked up, bit fields scaled to 0..255 with
//   rounding); RGBA when a 32-bit file's header has a non-zero alpha mask.
// - PNG: the stored layout and depth (16 bits kept); grey below 8 bits
//   scaled to 0..255; palette as RGB. A tRNS chunk adds alpha: palette to
//   RGBA, grey to grey + alpha, RGB to RGBA (alpha 0 where the stored
//   samples equal the colour key, else the peak). Chunks other than IHDR,
//   PLTE, tRNS, IDAT and IEND are skipped unread; a header needing more
//   than its image data can inflate to is refused before allocating.
// - PNM: grey or RGB at the file's maxval (the peak), never rescaled; PBM
//   as grey 0 (black) and 255 (white).
// - TIFF: grey, grey + alpha, RGB, RGBA at 8 or 16 bits; min-is-white grey
//   inverted to min-is-black; JPEG-compressed YCbCr as RGB.
// - JPEG: grey or RGB (8 bits); CMYK refused; a file cut short refused.
// PNM, TIFF and JPEG files whose data cannot hold the size they declare
// (a sample's bytes or digits, a codec's largest expansion, a bit for each
// JPEG block) are refused as cut short before the samples are allocated.
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

struct BitmapFileLayout;

// The channels ReadImage gives a .bmp file of this layout whose first bytes
// (70 hold every header it looks at) are these: 4 for 32-bit bit fields
// with an alpha mask, else 3; read from the headers alone.
int BmpDecodedChannels(std::span<const uint8_t> firstBytes, const BitmapFileLayout& layout);
