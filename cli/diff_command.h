#pragma once
// citra diff: a picture of how a manipulated image differs from its
// original, written as PNG, and one line saying what it shows.
#include <ostream>

#include "options.h"

// Returns the exit code: 0 written, 1 a file could not be read, the pair
// was refused or the picture could not be written (nothing is left under
// the output's name then), 128 + the signal when stopped (130 Ctrl+C).
int RunDiff(const Options& options, std::ostream& out, std::ostream& err);
