// Speed of ComputeStandardMetrics (MSE/PSNR alone, and with SSIM) on a
// generated RGB pair, next to a baseline pass that only reads both images.
// --size=N sets the side (4000 by default); --write-pair=FOLDER also writes
// the pair there as raw samples (a.raw, b.raw) and its metrics to
// metrics.txt, so that bench/ssim_vs_skimage.sh can time scikit-image on
// the very same pair.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <algorithm>
#include <string>

#include "baselines.h"
#include "standard_metrics.h"
#include "worker_count.h"

namespace {

Image gA, gB;

// A smooth picture with texture, and a copy with noise on every sample.
void MakePair(int32_t side) {
    for (Image* image : {&gA, &gB}) {
        image->width = side;
        image->height = side;
        image->layout = ChannelLayout::Rgb;
        image->bitDepth = 8;
        image->peak = 255;
        image->samples8.resize(image->SampleCount());
    }
    std::mt19937 rng(2004);
    std::uniform_int_distribution<int> texture(-20, 20), noise(-6, 6);
    size_t i = 0;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x)
            for (int c = 0; c < 3; ++c, ++i) {
                const double base = 127.5 + 90 * std::sin(x / (40.0 + 10 * c)) * std::cos(y / 55.0);
                const int a = std::clamp(static_cast<int>(base) + texture(rng), 0, 255);
                gA.samples8[i] = static_cast<uint8_t>(a);
                gB.samples8[i] = static_cast<uint8_t>(std::clamp(a + noise(rng), 0, 255));
            }
}

void SumBothImages(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(SumBytesOfTwo(gA.samples8.data(), gB.samples8.data(), gA.SampleCount()));
}

void Metrics(benchmark::State& state, bool ssim, unsigned threads) {
    for (auto _ : state) benchmark::DoNotOptimize(ComputeStandardMetrics(gA, gB, {.ssim = ssim, .threads = threads}));
}

void MseAndPsnr(benchmark::State& state) { Metrics(state, false, 0); }
void MseAndPsnrOneThread(benchmark::State& state) { Metrics(state, false, 1); }
void WithSsim(benchmark::State& state) { Metrics(state, true, 0); }
void WithSsimOneThread(benchmark::State& state) { Metrics(state, true, 1); }

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double realMs = 0;
        double cpuMs = 0;
    };
    std::map<std::string, Times> medianMs;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medianMs[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
};


bool WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

bool WritePair(const std::string& folder) {
    const StandardMetrics m = ComputeStandardMetrics(gA, gB, {.ssim = true});
    char text[512];
    const int n = std::snprintf(text, sizeof text, "%d %d %.17g %.17g %.17g %.17g %.17g %.17g\n", gA.width, gA.height,
                                m.mse, m.psnr, *m.ssim, *m.channels[0].ssim, *m.channels[1].ssim,
                                *m.channels[2].ssim);
    return WriteFile(folder + "/a.raw", gA.samples8.data(), gA.samples8.size()) &&
           WriteFile(folder + "/b.raw", gB.samples8.data(), gB.samples8.size()) &&
           WriteFile(folder + "/metrics.txt", text, static_cast<size_t>(n));
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t side = std::atoi(TakeOption(argc, argv, "size").value_or("4000").c_str());
    const std::optional<std::string> folder = TakeOption(argc, argv, "write-pair");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (side < 11) {
        std::fprintf(stderr, "--size must be at least 11\n");
        return 1;
    }
    MakePair(side);
    if (folder && !WritePair(*folder)) {
        std::fprintf(stderr, "cannot write the pair into %s\n", folder->c_str());
        return 1;
    }
    auto add = [](const char* name, void (*fn)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    };
    add("SumBothImages", SumBothImages);
    add("MseAndPsnr", MseAndPsnr);
    add("MseAndPsnrOneThread", MseAndPsnrOneThread);
    add("WithSsim", WithSsim);
    add("WithSsimOneThread", WithSsimOneThread);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nmedians, %dx%d RGB 8-bit pair, %u threads by default (real ms, CPU ms of the process):\n", side,
                side, DefaultWorkerCount());
    for (const auto& [name, t] : reporter.medianMs)
        std::printf("  %-22s %10.2f %10.2f ms\n", name.c_str(), t.realMs, t.cpuMs);
    return 0;
}
