#pragma once
// citra histogram with --csv or --plot: the counts of any file the tool
// reads, per channel and in bins, as CSV rows or drawn as a plot (SVG or
// PNG), one file or two overlaid.
#include <ostream>

#include "options.h"

// Whether these options take this command's way (else the desktop
// program's histogram of a 24-bit bitmap, as text or JSON).
bool IsHistogramTable(const Options& options);

// Returns the exit code: 0 written, 1 a file could not be read or counted,
// or the plot could not be written (nothing is left under its name then).
int RunHistogramTable(const Options& options, std::ostream& out, std::ostream& err);
