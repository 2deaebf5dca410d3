#include "ssim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "cpu_features.h"
#include "parallel_tasks.h"
#include "ssim_job.h"

namespace {

using ssim_detail::kRadius;

constexpr size_t kWindow = 2 * kRadius + 1;
constexpr size_t kStripRows = 32;  // rows of one task

// scipy's _gaussian_kernel1d(1.5, 0, 5) with numpy's summation order: eight
// partial sums paired off, then the last three taps in turn.
void GaussianWeights(double* centreOut) {
    constexpr double sigma = 1.5;
    double phi[kWindow];
    for (size_t i = 0; i < kWindow; ++i) {
        const double x = static_cast<double>(i) - static_cast<double>(kRadius);
        phi[i] = std::exp(-0.5 / (sigma * sigma) * (x * x));
    }
    double sum = ((phi[0] + phi[1]) + (phi[2] + phi[3])) + ((phi[4] + phi[5]) + (phi[6] + phi[7]));
    for (size_t i = 8; i < kWindow; ++i) sum += phi[i];
    for (size_t j = 0; j <= kRadius; ++j) centreOut[j] = phi[kRadius + j] / sum;
}

}  // namespace

std::optional<std::string> SsimRefusal(int32_t width, int32_t height) {
    if (width < static_cast<int32_t>(kWindow) || height < static_cast<int32_t>(kWindow))
        return "SSIM needs images of at least 11 x 11 pixels (the Gaussian window); these are " +
               std::to_string(width) + " x " + std::to_string(height);
    return std::nullopt;
}

std::optional<std::string> SsimRefusal(const ImageView& image) { return SsimRefusal(image.width, image.height); }

namespace {

ssim_detail::Job MakeJob(size_t width, size_t height, size_t channels, int bitDepth, uint32_t peak) {
    ssim_detail::Job job;
    job.bitDepth = bitDepth;
    job.width = width;
    job.height = height;
    job.channels = channels;
    job.tileStride = (ssim_detail::kTilePixels + 2 * kRadius) * job.channels;
    GaussianWeights(job.weights);
    // skimage: C1 = (K1 * R) ** 2, C2 = (K2 * R) ** 2.
    const double range = static_cast<double>(peak);
    job.c1 = (0.01 * range) * (0.01 * range);
    job.c2 = (0.03 * range) * (0.03 * range);
    return job;
}

using RowsFunction = void (*)(const ssim_detail::Job&, size_t, size_t, double*, double*);

RowsFunction ChosenRows(bool plainLoops) {
    return !plainLoops && CpuHasAvx2Fma() ? ssim_detail::SsimRowsAvx2 : ssim_detail::SsimRowsGeneric;
}

// SSIM rows [first, last) of the job's held rows, in strips of kStripRows
// on up to `threads` threads; each row's sums go to rowSums[row - kRadius].
void ComputeRows(const ssim_detail::Job& job, size_t first, size_t last, unsigned threads, RowsFunction rows,
                 double* work, size_t workDoubles, double* rowSums) {
    const size_t tasks = (last - first + kStripRows - 1) / kStripRows;
    const unsigned workers = static_cast<unsigned>(std::min<size_t>(threads, tasks));
    RunTasks(tasks, workers, [&](unsigned worker, size_t task) {
        const size_t begin = first + task * kStripRows;
        const size_t end = std::min(begin + kStripRows, last);
        rows(job, begin, end, work + worker * workDoubles, rowSums + (begin - kRadius) * job.channels);
    });
}

// Rows are added in order whatever thread computed them, so the result
// does not depend on the number of threads or on how the rows came in.
std::vector<double> MeanOfRows(const double* rowSums, size_t outRows, const ssim_detail::Job& job) {
    const double count = static_cast<double>(outRows) * static_cast<double>(job.width - 2 * kRadius);
    std::vector<double> result(job.channels);
    for (size_t ch = 0; ch < job.channels; ++ch) {
        double sum = 0;
        for (size_t r = 0; r < outRows; ++r) sum += rowSums[r * job.channels + ch];
        result[ch] = sum / count;
    }
    return result;
}

}  // namespace

std::vector<double> ChannelSsim(const ImageView& a, const ImageView& b, unsigned threads, bool plainLoops) {
    ssim_detail::Job job = MakeJob(static_cast<size_t>(a.width), static_cast<size_t>(a.height),
                                   static_cast<size_t>(a.Channels()), a.bitDepth, a.peak);
    job.a = a.samples;
    job.b = b.samples;
    const size_t outRows = job.height - 2 * kRadius;
    const unsigned workers = ThreadsToUse(threads);
    const size_t workDoubles = ssim_detail::WorkDoubles(job.tileStride);
    const std::unique_ptr<double[]> work(new double[workDoubles * workers]);
    const std::unique_ptr<double[]> rowSums(new double[outRows * job.channels]);
    ComputeRows(job, kRadius, kRadius + outRows, workers, ChosenRows(plainLoops), work.get(), workDoubles,
                rowSums.get());
    return MeanOfRows(rowSums.get(), outRows, job);
}

std::vector<float> SsimMap(const ImageView& a, const ImageView& b, unsigned threads) {
    ssim_detail::Job job = MakeJob(static_cast<size_t>(a.width), static_cast<size_t>(a.height),
                                   static_cast<size_t>(a.Channels()), a.bitDepth, a.peak);
    job.a = a.samples;
    job.b = b.samples;
    const size_t width = job.width, height = job.height;
    std::vector<float> map(width * height);
    job.map = map.data();
    job.mapChannels = a.layout == ChannelLayout::Rgb || a.layout == ChannelLayout::Rgba ? 3 : 1;
    const size_t outRows = height - 2 * kRadius;
    const unsigned workers = ThreadsToUse(threads);
    const size_t workDoubles = ssim_detail::WorkDoubles(job.tileStride);
    const std::unique_ptr<double[]> work(new double[workDoubles * workers]);
    const std::unique_ptr<double[]> rowSums(new double[outRows * job.channels]);
    ComputeRows(job, kRadius, kRadius + outRows, workers, ChosenRows(false), work.get(), workDoubles,
                rowSums.get());
    FillSsimMapBorder(map.data(), width, height);
    return map;
}

void FillSsimMapBorder(float* map, size_t width, size_t height) {
    for (size_t r = kRadius; r < height - kRadius; ++r) {
        float* row = map + r * width;
        std::fill(row, row + kRadius, row[kRadius]);
        std::fill(row + width - kRadius, row + width, row[width - kRadius - 1]);
    }
    for (size_t r = 0; r < kRadius; ++r) {
        std::copy_n(map + kRadius * width, width, map + r * width);
        std::copy_n(map + (height - kRadius - 1) * width, width, map + (height - 1 - r) * width);
    }
}

std::vector<double> ChannelSsimByRows(ImageRows& a, ImageRows& b, size_t width, size_t height, size_t channels,
                                      uint32_t peak, unsigned threads, size_t bandRows, float* map,
                                      size_t mapChannels) {
    ssim_detail::Job job = MakeJob(width, height, channels, 8, peak);
    job.map = map;
    job.mapChannels = mapChannels;
    const size_t halo = 2 * kRadius;
    const size_t rowSamples = width * channels;
    const unsigned workers = ThreadsToUse(threads);
    // Two strips for each thread, as long as a band of both images stays
    // within a few MiB (very wide images on many cores).
    constexpr size_t kMaxBandBytes = size_t{16} << 20;
    if (bandRows == 0)
        bandRows = std::max<size_t>(1, std::min<size_t>(2 * kStripRows * workers, kMaxBandBytes / rowSamples));
    const size_t held = bandRows + halo;
    std::vector<uint8_t> rowsA(held * rowSamples), rowsB(held * rowSamples);
    job.a = rowsA.data();
    job.b = rowsB.data();
    const size_t outRows = height - halo;
    const size_t workDoubles = ssim_detail::WorkDoubles(job.tileStride);
    const std::unique_ptr<double[]> work(new double[workDoubles * workers]);
    const std::unique_ptr<double[]> rowSums(new double[outRows * job.channels]);
    const RowsFunction rows = ChosenRows(false);

    // The buffers hold image rows [job.firstRow, job.firstRow + filled);
    // after each band the window's last 10 rows move to the front.
    size_t filled = 0;
    for (size_t next = 0; next < height;) {
        const size_t count = std::min(held - filled, height - next);
        a.Read(next, count, rowsA.data() + filled * rowSamples);
        b.Read(next, count, rowsB.data() + filled * rowSamples);
        next += count;
        filled += count;
        // Output rows whose whole window is held.
        const size_t first = job.firstRow + kRadius;
        const size_t last = job.firstRow + filled - kRadius;
        if (last > first) ComputeRows(job, first, last, workers, rows, work.get(), workDoubles, rowSums.get());
        if (next == height) break;
        const size_t keep = std::min(filled, halo);
        std::memmove(rowsA.data(), rowsA.data() + (filled - keep) * rowSamples, keep * rowSamples);
        std::memmove(rowsB.data(), rowsB.data() + (filled - keep) * rowSamples, keep * rowSamples);
        job.firstRow += filled - keep;
        filled = keep;
    }
    return MeanOfRows(rowSums.get(), outRows, job);
}
