#pragma once
// Computes the result of one file or one pair. Failures end up in the
// result's error, never as exceptions.
#include <cstdint>
#include <optional>
#include <string>

#include "picture.h"
#include "results.h"

// A .bmp file is judged from its headers alone, with the outcome and the
// message of a full load, without allocating its raster.
InfoResult InspectFile(const std::string& path);
HistogramResult CountChannels(const std::string& path);

// True for the message of a load that failed because memory ran out.
bool IsOutOfMemory(const std::string& message);

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
    bool OutOfMemory() const { return error_ && IsOutOfMemory(*error_); }
    // The 24-bit bitmap; null when Error() is set.
    const Bitmap* Pixels() const;

private:
    std::string path_;
    Picture picture_;
    std::optional<std::string> error_;
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
