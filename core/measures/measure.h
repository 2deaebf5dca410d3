#pragma once
// The field's numbers of a pair of decoded images under their own names, as
// scikit-image and numpy compute them on the decoded arrays: every overall
// figure over every sample of every channel, alpha included (SSIM too: the
// mean of the channels' SSIM, as structural_similarity with channel_axis).
//   mse, psnr, ssim          skimage.metrics (data range = the peak)
//   mae                      mean |a - b|
//   nc                       sum(a b) / sqrt(sum(a^2) sum(b^2)), the
//                            watermarking normalised correlation; none when
//                            either image is all zero
//   ber                      two bilevel images (every sample 0 or the
//                            peak): the fraction of samples that differ;
//                            none otherwise
//   changed_samples, change_rate, max_abs_diff, identical
// and the same per channel (R, G, B, A; Y for grey).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image.h"

struct MeasureOptions {
    bool ssim = true;
    unsigned threads = 0;  // 0: DefaultWorkerCount()
};

struct MeasureFigures {
    double mse = 0;
    double psnr = 0;                 // +infinity when identical
    std::optional<double> ssim;      // when asked for and the image is large enough
    double mae = 0;
    std::optional<double> nc;        // none when either side is all zero
    std::optional<double> ber;       // two bilevel images only
    uint64_t changedSamples = 0;
    double changeRate = 0;           // changed samples / samples
    uint32_t maxAbsDiff = 0;
    bool identical = false;
};

struct MeasureChannel {
    std::string name;  // "R", "G", "B", "A" or "Y"
    MeasureFigures figures;
};

struct MeasureMetrics {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;
    int bits = 0;      // bits a sample is stored with: 8 or 16
    uint32_t peak = 0;
    MeasureFigures overall;
    std::optional<std::string> ssimUnavailable;  // why SSIM was asked for but not computed
    std::vector<MeasureChannel> perChannel;      // in stored order
};

// The channel names `measure` writes columns for, in column order.
inline constexpr const char* kMeasureChannelNames[] = {"R", "G", "B", "A", "Y"};

// Throws CitraError (kind Refused) with StandardPairRefusal's message.
MeasureMetrics ComputeMeasure(const ImageView& original, const ImageView& manipulated,
                              const MeasureOptions& options = {});
