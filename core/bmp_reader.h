#pragma once
// Reader of Windows bitmap (BMP) files.
#include <memory>

#include "bitmap.h"

class InputFile;

// Reads the file from its first byte. An empty file gives an empty Bitmap.
// Throws CitraError with the loader's message.
std::unique_ptr<Bitmap> ReadBitmapFile(InputFile& file);
