#pragma once
// Reader of icon files: decides only whether loading succeeds.
#include "picture.h"

class InputFile;

// Reads the whole file; the 6-byte header must give type 0 or 1.
// Throws "Stream read error" for a shorter file, else "Icon image is not valid".
OtherGraphic ReadIconFile(InputFile& file);
