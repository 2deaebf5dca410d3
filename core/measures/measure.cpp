#include "measure.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "cpu_features.h"
#include "error.h"
#include "measure_sums_kernel.h"
#include "parallel_tasks.h"
#include "standard_metrics.h"

namespace {

using measure_detail::ChannelSums;
using measure_detail::Sums;

// Pixels of one task; a multiple of every channel count.
constexpr size_t kChunkPixels = size_t{1} << 18;

template <class T>
void TallyMeasureSums(const T* a, const T* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out) {
#if defined(CITRA_AVX2_KERNELS)
    if (CpuHasAvx2Fma()) return measure_detail::TallyAvx2(a, b, begin, end, channels, peak, out);
#endif
    measure_detail::TallyGeneric(a, b, begin, end, channels, peak, out);
}

template <class T>
Sums Tally(const T* a, const T* b, size_t pixels, int channels, uint32_t peak, unsigned threads) {
    const size_t tasks = std::max<size_t>(1, (pixels + kChunkPixels - 1) / kChunkPixels);
    const std::unique_ptr<Sums[]> parts(new Sums[tasks]);
    RunTasks(tasks, static_cast<unsigned>(std::min<size_t>(ThreadsToUse(threads), tasks)), [&](unsigned, size_t task) {
        const size_t begin = task * kChunkPixels, end = std::min(pixels, begin + kChunkPixels);
        TallyMeasureSums(a, b, begin, end, channels, peak, parts[task]);
    });
    Sums total;
    for (size_t t = 0; t < tasks; ++t) total.Add(parts[t]);
    return total;
}

double Ratio(uint64_t part, uint64_t whole) {
    return static_cast<double>(static_cast<long double>(part) / static_cast<long double>(whole));
}

// The figures that come from the sums (mse, psnr and ssim are set apart).
void FromSums(MeasureFigures& f, const ChannelSums& s, uint64_t samples) {
    f.mae = Ratio(s.abs, samples);
    const long double norm = std::sqrt(static_cast<long double>(s.aa)) * std::sqrt(static_cast<long double>(s.bb));
    if (norm > 0) f.nc = static_cast<double>(static_cast<long double>(s.ab) / norm);
    if (s.bilevel) f.ber = Ratio(s.changed, samples);
    f.changedSamples = s.changed;
    f.changeRate = Ratio(s.changed, samples);
    f.maxAbsDiff = s.maxAbs;
    f.identical = s.changed == 0;
}

}  // namespace

MeasureMetrics ComputeMeasure(const ImageView& original, const ImageView& manipulated, const MeasureOptions& options) {
    if (auto refusal = StandardPairRefusal(original, manipulated)) throw CitraError(*refusal, ErrorKind::Refused);
    const StandardMetrics standard =
        ComputeStandardMetrics(original, manipulated, StandardOptions{options.ssim, options.threads});
    const int channels = original.Channels();
    const size_t pixels = static_cast<size_t>(original.width) * static_cast<size_t>(original.height);
    const Sums sums = original.bitDepth == 16
                          ? Tally(original.Samples16(), manipulated.Samples16(), pixels, channels, original.peak,
                                  options.threads)
                          : Tally(original.Samples8(), manipulated.Samples8(), pixels, channels, original.peak,
                                  options.threads);

    MeasureMetrics m;
    m.width = original.width;
    m.height = original.height;
    m.channels = channels;
    m.bits = original.bitDepth;
    m.peak = original.peak;
    m.ssimUnavailable = standard.ssimUnavailable;
    ChannelSums all;
    double ssimSum = 0;
    bool ssim = true;
    for (int c = 0; c < channels; ++c) {
        const ChannelMetrics& s = standard.channels[static_cast<size_t>(c)];
        MeasureChannel channel{s.name, {}};
        channel.figures.mse = s.mse;
        channel.figures.psnr = s.psnr;
        channel.figures.ssim = s.ssim;
        FromSums(channel.figures, sums.channel[c], pixels);
        all.Add(sums.channel[c]);
        if (s.ssim) ssimSum += *s.ssim;
        ssim = ssim && s.ssim.has_value();
        m.perChannel.push_back(std::move(channel));
    }
    m.overall.mse = standard.mse;
    m.overall.psnr = standard.psnr;
    // Every channel, alpha included, as structural_similarity averages them.
    if (ssim && channels > 0) m.overall.ssim = ssimSum / channels;
    FromSums(m.overall, all, pixels * static_cast<size_t>(channels));
    return m;
}
