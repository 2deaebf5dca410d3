#pragma once
// SSIM of every channel of an image pair, as scikit-image's
// structural_similarity computes it with gaussian_weights=True, sigma=1.5,
// use_sample_covariance=False, data_range=peak, one channel at a time.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image.h"

// Why a pair of this size has no SSIM (a side shorter than the 11-sample
// window), or nullopt.
std::optional<std::string> SsimRefusal(const ImageView& image);
std::optional<std::string> SsimRefusal(int32_t width, int32_t height);

// Mean SSIM of each channel, in stored order. The pair must be one that
// StandardPairRefusal and SsimRefusal accept. threads: 0 for DefaultWorkerCount().
// plainLoops: the loops built for any x86-64 even where AVX2 is there (for
// the tests, which otherwise only reach the ones the processor picks).
std::vector<double> ChannelSsim(const ImageView& a, const ImageView& b, unsigned threads, bool plainLoops = false);

// Fills the 5-pixel border of a local SSIM map (width x height) with the
// nearest computed pixel.
void FillSsimMapBorder(float* map, size_t width, size_t height);

// The local SSIM of every pixel (width x height, rows from the top): the
// mean over its colour channels (alpha left out) of the values whose mean
// over the pixels at least 5 from every edge ChannelSsim gives. The 5-pixel
// border, which that crop leaves out, repeats the nearest computed pixel.
// Same requirements as ChannelSsim; the map takes 4 bytes a pixel.
std::vector<float> SsimMap(const ImageView& a, const ImageView& b, unsigned threads);

// The rows of an 8-bit image, handed over from the top a band at a time.
class ImageRows {
public:
    virtual ~ImageRows() = default;
    // Rows [first, first + count) into `out`: width x channels samples each,
    // interleaved. Called with increasing `first`. May throw.
    virtual void Read(size_t first, size_t count, uint8_t* out) = 0;
};

// ChannelSsim of two 8-bit images of width x height x channels with this
// peak, bit for bit, from their rows read a band of `bandRows` at a time
// (0: two strips of rows for each thread): only a band and the window's 10
// rows above it are held, never the images. With `map` (width x height
// floats) the local SSIM of each pixel computed, the mean of its first
// `mapChannels` samples, goes there as SsimMap puts it (border not filled).
std::vector<double> ChannelSsimByRows(ImageRows& a, ImageRows& b, size_t width, size_t height, size_t channels,
                                      uint32_t peak, unsigned threads, size_t bandRows = 0, float* map = nullptr,
                                      size_t mapChannels = 1);
