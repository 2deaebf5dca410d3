#pragma once
// The field's comparison metrics, computed as scikit-image computes
// mean_squared_error, peak_signal_noise_ratio and structural_similarity
// (Gaussian window, sigma 1.5, K1 0.01, K2 0.03, data range = peak).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image.h"

struct ChannelMetrics {
    std::string name;              // "R", "G", "B", "A" or "Y"
    double mse = 0;                // mean over the channel's samples
    double psnr = 0;               // +infinity when the channel is identical
    std::optional<double> ssim;    // when asked for
};

struct StandardMetrics {
    double mse = 0;                // mean over every sample of every channel
    double psnr = 0;               // 10 log10(peak^2 / mse); +infinity when identical
    std::optional<double> ssim;    // mean of the colour channels' SSIM (alpha left out); when asked for
    bool identical = false;
    uint32_t peak = 255;
    uint64_t changedSamples = 0;   // samples that differ
    uint32_t maxAbsDiff = 0;       // largest absolute difference of a sample
    std::vector<ChannelMetrics> channels;
};

struct StandardOptions {
    bool ssim = false;
    unsigned threads = 0;          // 0: every core
};

// Why two images cannot be compared (different width, height, channel
// layout or bit depth), naming what differs; nullopt when they can.
std::optional<std::string> StandardPairRefusal(const Image& a, const Image& b);

// Throws CitraError with StandardPairRefusal's message for a refused pair.
StandardMetrics ComputeStandardMetrics(const Image& original, const Image& manipulated,
                                       const StandardOptions& options = {});
