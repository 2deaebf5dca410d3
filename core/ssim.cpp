#include "ssim.h"

#include <cmath>
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

std::optional<std::string> SsimRefusal(const Image& image) {
    if (static_cast<size_t>(image.width) < kWindow || static_cast<size_t>(image.height) < kWindow)
        return "SSIM needs images of at least 11 x 11 pixels (the Gaussian window); these are " +
               std::to_string(image.width) + " x " + std::to_string(image.height);
    return std::nullopt;
}

std::vector<double> ChannelSsim(const Image& a, const Image& b, unsigned threads, bool plainLoops) {
    ssim_detail::Job job;
    job.bitDepth = a.bitDepth;
    job.a = a.bitDepth == 16 ? static_cast<const void*>(a.samples16.data()) : a.samples8.data();
    job.b = b.bitDepth == 16 ? static_cast<const void*>(b.samples16.data()) : b.samples8.data();
    job.width = static_cast<size_t>(a.width);
    job.height = static_cast<size_t>(a.height);
    job.channels = static_cast<size_t>(a.Channels());
    job.tileStride = (ssim_detail::kTilePixels + 2 * kRadius) * job.channels;
    GaussianWeights(job.weights);
    // skimage: C1 = (K1 * R) ** 2, C2 = (K2 * R) ** 2.
    const double range = static_cast<double>(a.peak);
    job.c1 = (0.01 * range) * (0.01 * range);
    job.c2 = (0.03 * range) * (0.03 * range);

    const size_t outRows = job.height - 2 * kRadius;
    const size_t tasks = (outRows + kStripRows - 1) / kStripRows;
    const unsigned workers = static_cast<unsigned>(std::min<size_t>(ThreadsToUse(threads), tasks));
    const size_t workDoubles = ssim_detail::WorkDoubles(job.tileStride);
    const std::unique_ptr<double[]> work(new double[workDoubles * workers]);
    const std::unique_ptr<double[]> rowSums(new double[outRows * job.channels]);
    const auto rows = !plainLoops && CpuHasAvx2Fma() ? ssim_detail::SsimRowsAvx2 : ssim_detail::SsimRowsGeneric;

    RunTasks(tasks, workers, [&](unsigned worker, size_t task) {
        const size_t first = kRadius + task * kStripRows;
        const size_t last = std::min(first + kStripRows, kRadius + outRows);
        rows(job, first, last, work.get() + worker * workDoubles, rowSums.get() + (first - kRadius) * job.channels);
    });

    // Rows are added in order whatever thread computed them, so the result
    // does not depend on the number of threads.
    const double count = static_cast<double>(outRows) * static_cast<double>(job.width - 2 * kRadius);
    std::vector<double> result(job.channels);
    for (size_t ch = 0; ch < job.channels; ++ch) {
        double sum = 0;
        for (size_t r = 0; r < outRows; ++r) sum += rowSums[r * job.channels + ch];
        result[ch] = sum / count;
    }
    return result;
}
