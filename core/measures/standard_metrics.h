#pragma once
// The field's comparison metrics, computed as scikit-image computes
// mean_squared_error, peak_signal_noise_ratio and structural_similarity
// (Gaussian window, sigma 1.5, K1 0.01, K2 0.03, data range = peak).
//
// SSIM of a channel is the mean of the SSIM map cropped by the window's
// radius (5) on every side, so images narrower or lower than the 11-sample
// window get no SSIM (ssimUnavailable says why). The overall SSIM is the mean
// over every channel, alpha included, as structural_similarity gives it for
// the decoded array; each channel's own SSIM is in `channels`.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image.h"
#include "sample_differences.h"

struct ChannelMetrics {
    std::string name;              // "R", "G", "B", "A" or "Y"
    double mse = 0;                // mean over the channel's samples
    double psnr = 0;               // +infinity when the channel is identical
    std::optional<double> ssim;    // when asked for
};

struct StandardMetrics {
    double mse = 0;                // mean over every sample of every channel
    double psnr = 0;               // 10 log10(peak^2 / mse); +infinity when identical
    std::optional<double> ssim;    // mean of every channel's SSIM; when asked for
    std::optional<std::string> ssimUnavailable;  // why SSIM was asked for but not computed
    bool identical = false;
    uint32_t peak = 255;
    uint64_t changedSamples = 0;   // samples that differ
    uint32_t maxAbsDiff = 0;       // largest absolute difference of a sample
    std::vector<ChannelMetrics> channels;
};

struct StandardOptions {
    bool ssim = false;
    unsigned threads = 0;          // 0: DefaultWorkerCount()
};

// Why two images cannot be compared (different width, height, channel
// layout, bit depth or peak; an empty image; samples that do not fit the
// stated size and depth), naming what differs; nullopt when they can.
std::optional<std::string> StandardPairRefusal(const ImageView& a, const ImageView& b);

// The metrics (all but SSIM) of one pass's tally over `samples` samples,
// its squares in the order of the layout's channels.
StandardMetrics StandardFromDifferences(const SampleDifferences& totals, ChannelLayout layout, uint32_t peak,
                                        size_t samples);

// Puts each channel's SSIM (in stored order) into `metrics` and their mean
// over every channel, alpha included, as the overall SSIM.
void SetSsim(StandardMetrics& metrics, const std::vector<double>& channelSsim);

// Throws CitraError with StandardPairRefusal's message for a refused pair.
StandardMetrics ComputeStandardMetrics(const ImageView& original, const ImageView& manipulated,
                                       const StandardOptions& options = {});
