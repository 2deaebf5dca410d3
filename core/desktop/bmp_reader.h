#pragma once
// Reader of Windows bitmap (BMP) files.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bitmap.h"

class InputFile;

// Where and how a bitmap file stores its picture, from its headers alone.
// An empty file gives the layout of an empty bitmap: width and height 0.
struct BitmapFileLayout {
    int32_t width = 0;
    int32_t height = 0;     // number of rows: the stored height without its sign
    bool topDown = false;   // top row stored first
    uint16_t bitCount = 0;  // as in the header
    uint32_t compression = 0;
    uint64_t stride = 0;       // bytes of one stored row at bitCount (uncompressed)
    uint64_t pixelOffset = 0;  // first pixel byte, from the start of the file
    // Pixel bytes read from pixelOffset on: the image-size field (or the
    // whole rows when it is 0), no more than the file holds, and for
    // compression 0 and 3 no more than the raster. Rows beyond them stay 0.
    uint64_t bytesTaken = 0;
    // Bytes the file holds from pixelOffset on, whatever the header says.
    uint64_t bytesInFile = 0;
    std::vector<uint32_t> colourTable;  // at most 256 entries
    std::array<uint32_t, 3> masks{};

    bool Empty() const { return width == 0 || height == 0; }
    bool RunLength() const;
    // BitsPerPixel of the Bitmap the reader makes: the bit count for
    // compression 0 and 3, 0 for run-length data and for an empty file.
    int BitsPerPixel() const;
    // Bytes that hold every pixel of an uncompressed raster: whole rows but
    // the last, whose padding may be missing; 0 for run-length data.
    uint64_t PixelBytesNeeded() const;
};

// Why the pixels are not all in the file: "file cut short: ..." naming what
// it holds and needs, when an uncompressed raster takes fewer bytes than
// PixelBytesNeeded() (the loader leaves the rest as the raster starts).
std::optional<std::string> MissingPixelData(const BitmapFileLayout& layout);

// Reads the headers, masks and colour table from the file's first byte and
// checks that the raster store would take the picture, without allocating
// it. Throws CitraError with the loader's message, in the order the full
// reader meets it.
BitmapFileLayout ReadBitmapLayout(InputFile& file);

// Reads the file from its first byte. An empty file gives an empty Bitmap.
// Throws CitraError with the loader's message. `runLengthCut`, when given,
// is set when run-length data end before the end-of-bitmap code while rows
// remain to fill.
std::unique_ptr<Bitmap> ReadBitmapFile(InputFile& file, bool* runLengthCut = nullptr);
