#pragma once
// Computes the result of one file or one pair. Failures end up in the
// result's error, never as exceptions.
#include <cstdint>
#include <optional>
#include <string>

#include "error.h"
#include "picture.h"
#include "results.h"

// Every file the tool reads: its format, size, channels, depth and peak. A
// .bmp file is judged from its headers as the desktop program's loader
// judges it (the outcome and message of a full load, its raster never
// allocated); the other kinds the desktop loader takes keep its kinds and
// messages; the decoded facts come from the file's decoder.
InfoResult InspectFile(const std::string& path);
// The desktop program's red, green and blue counts of a file of the
// desktop route (PlanFile); the decoded counts of any other.
HistogramResult CountChannels(const std::string& path);

// The desktop program's counts of a file of the desktop route; throws
// CitraError with the message the desktop program gives.
ChannelHistogram CountDesktopChannels(const std::string& path);

// The original of a comparison, loaded once and only read afterwards, so
// pairs may be computed against it one after another or side by side.
class OriginalImage {
public:
    explicit OriginalImage(std::string path);
    OriginalImage(const OriginalImage&) = delete;
    OriginalImage& operator=(const OriginalImage&) = delete;

    const std::string& Path() const { return path_; }
    // Set when the file failed to load or is not a 24-bit bitmap.
    const std::optional<std::string>& Error() const { return error_; }
    // The load failed because memory ran out: the picture may still be
    // read from its file band by band.
    bool OutOfMemory() const { return error_ && errorKind_ == ErrorKind::OutOfMemory; }
    // The 24-bit bitmap; null when Error() is set.
    const Bitmap* Pixels() const;

private:
    std::string path_;
    Picture picture_;
    std::optional<std::string> error_;
    ErrorKind errorKind_ = ErrorKind::Decode;
};

// Loads the manipulated image, compares it with the original and releases
// it again before returning. Does not load it when the original failed.
PairResult ComparePair(const OriginalImage& original, const std::string& manipulatedPath);

// Throws CitraError with the refusal, if there is one.
void ThrowIfRefused(const std::optional<std::string>& refusal);

// The two halves of ComparePair. LoadManipulated returns the load error;
// CompareLoaded gives the same result as ComparePair would have.
std::optional<std::string> LoadManipulated(Picture& picture, const std::string& path);
PairResult CompareLoaded(const OriginalImage& original, const std::string& manipulatedPath,
                         const Picture& manipulated, const std::optional<std::string>& loadError);
