#pragma once
// What the SSIM loops (ssim_kernel.h) are handed: plain data only, so that
// the files built for different instruction sets share no inline code.
#include <cstddef>

namespace ssim_detail {

constexpr size_t kRadius = 5;         // int(3.5 * 1.5 + 0.5): an 11-tap window
constexpr size_t kTilePixels = 128;   // columns of one tile, so a tile's rows stay in cache

struct Job {
    const void* a = nullptr;          // interleaved samples, uint8_t or uint16_t by bitDepth
    const void* b = nullptr;
    int bitDepth = 8;
    size_t width = 0;
    size_t height = 0;
    size_t firstRow = 0;              // the image row at a and b (rows held from there on)
    size_t channels = 1;
    size_t tileStride = 0;            // doubles per quantity of a tile: (kTilePixels + 2 kRadius) * channels
    double weights[kRadius + 1] = {}; // Gaussian taps from the centre out, summing to 1 over both sides
    double c1 = 0;                    // (0.01 peak)^2
    double c2 = 0;                    // (0.03 peak)^2
    // Optional: the local SSIM of each output pixel, the mean of its first
    // mapChannels samples, at map[row * width + column] (image coordinates).
    float* map = nullptr;
    size_t mapChannels = 1;
};

// Doubles of scratch one worker needs: four quantities filtered by
// columns, the same by rows, and the SSIM of a tile.
inline constexpr size_t WorkDoubles(size_t tileStride) { return 9 * tileStride; }

// SSIM map of output rows [rowBegin, rowEnd) (image rows, each at least
// kRadius from the top and bottom), cropped by kRadius at both sides, summed
// per channel into rowSums[(row - rowBegin) * channels + channel].
void SsimRowsGeneric(const Job& job, size_t rowBegin, size_t rowEnd, double* work, double* rowSums);
void SsimRowsAvx2(const Job& job, size_t rowBegin, size_t rowEnd, double* work, double* rowSums);

}  // namespace ssim_detail
