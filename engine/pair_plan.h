#pragma once
// The one place the route of a pair (or of one file) is decided, from the
// names and, for .bmp files, the headers, each read once:
//   Desktop  the desktop program's path: two 24-bit bitmaps read band by
//            band (its numbers to the last bit, the field's from the same
//            pass), or its own refusal of the pair with its message;
//   Decoded  both files decoded whole and compared with the field's
//            metrics (the desktop numbers too for two 8-bit RGB images);
//   Refused  not compared, for `reason`.
// compare, diff, report, histogram, the Python module and Dask all act on
// the route this gives; none decides it again.
#include <memory>
#include <optional>
#include <string>

#include "stream_compare.h"

enum class Route { Desktop, Decoded, Refused };

struct PairPlan {
    Route route = Route::Desktop;
    std::optional<std::string> reason;  // Refused
    // Desktop, two .bmp files: the files as the plan opened them, headers
    // read, for the comparison to go on with; null where opening failed
    // (the comparison then meets the same failure with its message).
    std::unique_ptr<BitmapFileStream> original;
    std::unique_ptr<BitmapFileStream> manipulated;
};

// The route the names alone give: Decoded for two files the decoders read
// that are not both .bmp files, else Desktop, which PlanPair may still turn
// into Decoded by the headers. Reads nothing.
Route RouteByNames(const std::string& originalPath, const std::string& manipulatedPath);

// The route of a pair. Two .bmp files go the desktop program's way unless
// their headers show a depth it refuses (not 24 bits, with pixels), in the
// order it would judge them: then they are decoded.
PairPlan PlanPair(const std::string& originalPath, const std::string& manipulatedPath);

// The route of one file for the commands that read one (histogram): a .bmp
// file the desktop program takes (or refuses with its own message) is
// Desktop, one of another depth or another decoded format is Decoded; a
// name no decoder reads is Desktop, for the loader's message.
Route PlanFile(const std::string& path);
