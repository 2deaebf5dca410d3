#pragma once
// Pictures of where and how a manipulated image differs from its original,
// for the eye: 8-bit images ready to be written as PNG.
//
// - abs:  |manipulated - original| of every colour sample, times the gain,
//         scaled to 0..255 (out = min(255, round(|d| K 255 / peak)), halves
//         rounded up); grey or RGB as the inputs' colour channels (an alpha channel's
//         difference would make unchanged pixels transparent, so it is
//         left out). Default gain: peak / largest difference, so the
//         largest is white.
// - heat: the pixel's difference magnitude, sqrt of the sum of its colour
//         samples' squared differences, times the gain, through the viridis
//         colour map (0 dark purple, full scale yellow). Default gain: the
//         largest magnitude at full scale.
// - lsb:  bit plane N (0: the least significant bit) of the original, of
//         the manipulated image and where they differ (exclusive or), side
//         by side, each sample's bit as 0 or 255 in the inputs' colour
//         channels.
// - ssim: the local SSIM map (SsimMap), 0 black to 1 white, below 0 black.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image.h"

enum class DiffMode { Abs, Heat, Lsb, Ssim };

struct DiffOptions {
    DiffMode mode = DiffMode::Abs;
    std::optional<double> gain;  // abs, heat: a positive factor; default above
    int plane = 0;               // lsb: 0 .. bit depth - 1
    unsigned threads = 0;        // 0 for DefaultWorkerCount()
};

struct DiffMap {
    Image image;            // 8 bits, grey or RGB
    double gain = 1;        // abs, heat: the gain used
    double largest = 0;     // abs: largest sample difference; heat: largest magnitude (input units)
    double scaleMax = 0;    // abs, heat: the difference (magnitude) drawn at full scale; ssim: 1
    // Keyword and text of the PNG text chunks that say what the picture is.
    std::vector<std::pair<std::string, std::string>> description;
};

// A local SSIM as the ssim picture draws it: 0 or below black, 1 white.
uint8_t SsimByte(float ssim);

// The mode's name as the command line spells it, and back.
const char* DiffModeName(DiffMode mode);
std::optional<DiffMode> DiffModeFromName(const std::string& name);

// Why this pair cannot be drawn in this mode: StandardPairRefusal's
// reasons, an lsb plane beyond the bit depth, an ssim pair too small.
std::optional<std::string> DiffRefusal(const ImageView& original, const ImageView& manipulated, const DiffOptions& options);

// The picture. Throws CitraError with DiffRefusal's message for a refused
// pair, and when memory runs out.
DiffMap MakeDiffMap(const ImageView& original, const ImageView& manipulated, const DiffOptions& options);

// The same pictures drawn from bands of rows (ssim: only the description;
// its picture is SsimByte of SsimMap or of ChannelSsimByRows' map), for
// pairs read band by band and never held whole:
//   DiffDrawer drawer(shape, options);
//   if (drawer.NeedsLargest()) { for each band: drawer.AddToLargest(...); }
//   drawer.Fix();  then for each band: drawer.DrawRows(...)
// `shape` gives width, height, layout, bit depth and peak (its samples are
// not used); the pair must be one DiffRefusal accepts.
class DiffDrawer {
public:
    DiffDrawer(const ImageView& shape, const DiffOptions& options);
    // Whether the mode measures the largest difference first (abs and heat:
    // it sets the default gain and is reported).
    bool NeedsLargest() const;
    // `rows` rows of both images (interleaved samples of the bit depth).
    void AddToLargest(const void* original, const void* manipulated, size_t rows);
    // The largest difference another drawer of the same pair found in its
    // bands (bands measured on several threads, one drawer each).
    void TakeLargest(const DiffDrawer& other);
    // Settles the gain and the scale; call once, before DrawRows.
    void Fix();
    // The output rows of `rows` input rows into `out` (OutputRowBytes each).
    void DrawRows(const void* original, const void* manipulated, size_t rows, uint8_t* out) const;

    int32_t OutputWidth() const;
    ChannelLayout OutputLayout() const;
    size_t OutputRowBytes() const;
    // gain, largest, scaleMax and description as the whole picture's; its
    // image is left empty.
    const DiffMap& Map() const { return map_; }

    // The picture of two whole images (abs, heat, lsb) in bands of rows on
    // `threads` threads (0: DefaultWorkerCount()): the largest difference
    // measured, the gain settled (Fix), then picture row y drawn at
    // out + y * stride. The pair must be one DiffRefusal accepts.
    void DrawWhole(const ImageView& original, const ImageView& manipulated, unsigned threads, uint8_t* out,
                   size_t stride);

private:
    ImageView shape_;  // its samples are not used
    DiffOptions options_;
    uint32_t largestSample_ = 0;
    uint64_t largestSquares_ = 0;
    double scale_ = 1;
    // heat of 8-bit samples: the colour index of every possible sum of
    // squared differences, so that no pixel needs a square root.
    std::vector<uint8_t> heatIndex_;
    DiffMap map_;
};
