#include "standard_metrics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "error.h"
#include "parallel_tasks.h"
#include "sample_differences.h"
#include "ssim.h"

namespace {

const char* LayoutName(ChannelLayout layout) {
    switch (layout) {
    case ChannelLayout::Grey: return "grey";
    case ChannelLayout::GreyAlpha: return "grey with alpha";
    case ChannelLayout::Rgb: return "RGB";
    case ChannelLayout::Rgba: return "RGBA";
    }
    return "unknown";
}

bool KnownLayout(ChannelLayout layout) {
    const int n = ChannelCount(layout);
    return n >= 1 && n <= 4;
}

std::string Size(const ImageView& image) {
    return std::to_string(image.width) + " x " + std::to_string(image.height);
}

// What is wrong with one image on its own, or nullopt.
std::optional<std::string> ImageRefusal(const ImageView& image, const char* which) {
    const std::string name = std::string("The ") + which + " image";
    if (!KnownLayout(image.layout)) return name + " has an unknown channel layout";
    if (image.width <= 0 || image.height <= 0) return name + " is empty: " + Size(image);
    if (image.bitDepth != 8 && image.bitDepth != 16)
        return name + " has " + std::to_string(image.bitDepth) + "-bit samples; only 8 and 16 bits are read";
    const uint32_t top = image.bitDepth == 8 ? 255u : 65535u;
    if (image.peak == 0 || image.peak > top)
        return name + " has a peak value of " + std::to_string(image.peak) + ", outside 1 to " + std::to_string(top) +
               " for " + std::to_string(image.bitDepth) + " bits";
    if (image.held != image.SampleCount())
        return name + " holds " + std::to_string(image.held) + " samples where " + Size(image) + " " +
               LayoutName(image.layout) + " needs " + std::to_string(image.SampleCount());
    return std::nullopt;
}

std::vector<std::string> ChannelNames(ChannelLayout layout) {
    switch (layout) {
    case ChannelLayout::Grey: return {"Y"};
    case ChannelLayout::GreyAlpha: return {"Y", "A"};
    case ChannelLayout::Rgb: return {"R", "G", "B"};
    case ChannelLayout::Rgba: return {"R", "G", "B", "A"};
    }
    return {};
}

// Samples of one task of the difference pass (a multiple of every channel
// count); below this an image is done on the calling thread alone.
constexpr size_t kChunk = size_t{48} << 15;

template <class T>
SampleDifferences Differences(const T* a, const T* b, size_t n, int channels, unsigned threads) {
    const size_t tasks = (n + kChunk - 1) / kChunk;
    const unsigned workers = static_cast<unsigned>(std::min<size_t>(ThreadsToUse(threads), tasks));
    const std::unique_ptr<SampleDifferences[]> parts(new SampleDifferences[tasks]);
    RunTasks(tasks, workers, [&](unsigned, size_t task) {
        const size_t begin = task * kChunk;
        TallyDifferences(a + begin, b + begin, std::min(n, begin + kChunk) - begin, channels, parts[task]);
    });
    SampleDifferences total;
    for (size_t t = 0; t < tasks; ++t) total.Add(parts[t]);
    return total;
}

// The exact sum over the count, divided in long double (which holds any
// 64-bit sum exactly) and rounded to double.
double Mean(uint64_t sum, size_t count) {
    return static_cast<double>(static_cast<long double>(sum) / static_cast<long double>(count));
}

// skimage: 10 * log10(data_range ** 2 / mse), +inf for mse 0.
double Psnr(uint32_t peak, double mse) {
    if (mse == 0) return std::numeric_limits<double>::infinity();
    const double range = static_cast<double>(peak);
    return 10 * std::log10(range * range / mse);
}

}  // namespace

StandardMetrics StandardFromDifferences(const SampleDifferences& totals, ChannelLayout layout, uint32_t peak,
                                        size_t samples) {
    StandardMetrics result;
    result.peak = peak;
    const int channels = ChannelCount(layout);
    const std::vector<std::string> names = ChannelNames(layout);
    const size_t perChannel = samples / static_cast<size_t>(channels);
    uint64_t squares = 0;
    for (int c = 0; c < channels; ++c) {
        ChannelMetrics channel;
        channel.name = names[static_cast<size_t>(c)];
        channel.mse = Mean(totals.squares[c], perChannel);
        channel.psnr = Psnr(peak, channel.mse);
        result.channels.push_back(channel);
        squares += totals.squares[c];
    }
    result.changedSamples = totals.changed;
    result.maxAbsDiff = totals.maxAbs;
    result.mse = Mean(squares, samples);
    result.psnr = Psnr(peak, result.mse);
    result.identical = result.changedSamples == 0;
    return result;
}

void SetSsim(StandardMetrics& metrics, const std::vector<double>& channelSsim) {
    double sum = 0;
    for (size_t c = 0; c < channelSsim.size() && c < metrics.channels.size(); ++c) {
        metrics.channels[c].ssim = channelSsim[c];
        sum += channelSsim[c];
    }
    metrics.ssim = sum / static_cast<double>(channelSsim.size());
}

std::optional<std::string> StandardPairRefusal(const ImageView& a, const ImageView& b) {
    if (auto refusal = ImageRefusal(a, "original")) return refusal;
    if (auto refusal = ImageRefusal(b, "manipulated")) return refusal;
    if (a.width != b.width || a.height != b.height) return "The images differ in size: " + Size(a) + " and " + Size(b);
    if (a.layout != b.layout)
        return std::string("The images differ in channels: ") + LayoutName(a.layout) + " and " + LayoutName(b.layout);
    if (a.bitDepth != b.bitDepth)
        return "The images differ in bit depth: " + std::to_string(a.bitDepth) + " and " + std::to_string(b.bitDepth) +
               " bits";
    if (a.peak != b.peak)
        return "The images differ in peak value: " + std::to_string(a.peak) + " and " + std::to_string(b.peak);
    return std::nullopt;
}

StandardMetrics ComputeStandardMetrics(const ImageView& original, const ImageView& manipulated,
                                       const StandardOptions& options) {
    if (auto refusal = StandardPairRefusal(original, manipulated)) throw CitraError(*refusal);
    const int channels = original.Channels();
    const size_t n = original.SampleCount();
    const SampleDifferences totals =
        original.bitDepth == 16
            ? Differences(original.Samples16(), manipulated.Samples16(), n, channels, options.threads)
            : Differences(original.Samples8(), manipulated.Samples8(), n, channels, options.threads);
    StandardMetrics result = StandardFromDifferences(totals, original.layout, original.peak, n);

    if (options.ssim) {
        if (auto refusal = SsimRefusal(original)) {
            result.ssimUnavailable = *refusal;
        } else {
            SetSsim(result, ChannelSsim(original, manipulated, options.threads));
        }
    }
    return result;
}
