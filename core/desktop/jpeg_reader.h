#pragma once
// Reader of JPEG files: reads the header up to the first scan, decodes nothing.
#include <cstddef>
#include <cstdint>

#include "picture.h"

class InputFile;

// Reads the whole file. An empty file gives an empty JPEG graphic; a
// library error throws "JPEG error #<message code>".
OtherGraphic ReadJpegFile(InputFile& file);

// The header check on bytes in memory: the library's message code of the
// error, or 0 when the header was read (width and height then set).
int ReadJpegHeader(const uint8_t* data, size_t size, int32_t& width, int32_t& height);
