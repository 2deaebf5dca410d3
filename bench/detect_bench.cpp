// Speed of the LSB estimators on 512 x 512 grey pictures: all four
// (chi-square with its profile, RS, SPA, WS) on a stream of images spread
// over threads, as a study of 10,000 pictures runs them (each picture read
// from memory), and each estimator alone on one thread. --write-image=FILE also writes the first picture as
// raw samples with its estimates beside it (FILE.txt), so that
// bench/detect_speed.sh times numpy on the very same picture.
//
// Options: --images=N distinct pictures (200), --total=N detections per run
// (10000), --threads=N (2), --runs=N (5; the medians are printed).
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "detect.h"
#include "parallel_tasks.h"

namespace {

constexpr int32_t kSide = 512;

// A smooth scene with texture and sensor noise, different for every seed;
// a fifth of them carry no payload, the others 25% to 100% by LSB
// replacement.
std::vector<uint8_t> MakePicture(unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 2.0 + seed % 5);
    std::uniform_real_distribution<double> phase(0, 6.28);
    const double p1 = phase(rng), p2 = phase(rng), f1 = 20 + seed % 37, f2 = 30 + seed % 23;
    std::vector<uint8_t> samples(static_cast<size_t>(kSide) * kSide);
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x) {
            const double v =
                128 + 70 * std::sin(x / f1 + p1) * std::cos(y / f2 + p2) + 25 * std::sin((x + y) / 9.0) + noise(rng);
            samples[static_cast<size_t>(y) * kSide + x] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        }
    const double rate = 0.25 * (seed % 5);
    std::bernoulli_distribution carries(rate);
    for (uint8_t& s : samples)
        if (carries(rng)) s = static_cast<uint8_t>((s & 0xFE) | (rng() & 1));
    return samples;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of the process (every thread), seconds: on a shared machine the
// wall clock also counts the time spent waiting for a core.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Keeps the optimizer from dropping a result.
volatile double gSink = 0;

double Value(const PayloadEstimate& e) { return e.raw.value_or(-1); }

long Option(int argc, char** argv, const char* name, long fallback) {
    const size_t n = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], name, n) == 0 && argv[i][n] == '=') return std::strtol(argv[i] + n + 1, nullptr, 10);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const long distinct = std::max(1L, Option(argc, argv, "--images", 200));
    const long total = std::max(1L, Option(argc, argv, "--total", 10000));
    const unsigned threads = static_cast<unsigned>(std::max(1L, Option(argc, argv, "--threads", 2)));
    const long runs = std::max(1L, Option(argc, argv, "--runs", 5));
    std::string writeTo;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--write-image=", 14) == 0) writeTo = argv[i] + 14;

    std::vector<std::vector<uint8_t>> pictures;
    for (long i = 0; i < distinct; ++i) pictures.push_back(MakePicture(static_cast<unsigned>(i)));
    const auto plane = [&](long i) {
        return GreyPlane(pictures[static_cast<size_t>(i % distinct)].data(), kSide, kSide);
    };

    if (!writeTo.empty()) {
        FILE* raw = std::fopen(writeTo.c_str(), "wb");
        const bool written =
            raw != nullptr && std::fwrite(pictures[1].data(), 1, pictures[1].size(), raw) == pictures[1].size();
        if (raw == nullptr || std::fclose(raw) != 0 || !written) {
            std::fprintf(stderr, "detect_bench: cannot write %s\n", writeTo.c_str());
            return 1;
        }
        const SamplePlane p = plane(1);
        const ChiSquareResult chi = ChiSquareAttack(p);
        FILE* txt = std::fopen((writeTo + ".txt").c_str(), "w");
        if (txt == nullptr) {
            std::fprintf(stderr, "detect_bench: cannot write %s.txt\n", writeTo.c_str());
            return 1;
        }
        std::fprintf(txt, "%d %d %.17g %.17g %.17g %.17g %.17g\n", kSide, kSide, Value(RsAnalysis(p)),
                     Value(SamplePairAnalysis(p)), Value(WeightedStego(p)), chi.whole.statistic,
                     chi.whole.probability.value_or(-1));
        if (std::fclose(txt) != 0) {
            std::fprintf(stderr, "detect_bench: cannot write %s.txt\n", writeTo.c_str());
            return 1;
        }
    }

    // Each estimator alone, one thread, on pictures already in the cache (as
    // a picture just decoded is): four of them, 50 times each. Cycling
    // through all of them would time reading them from memory as well.
    const long warm = std::min(distinct, 4L), calls = 200;
    const auto perImage = [&](const char* name, auto&& estimator) {
        std::vector<double> ms, cpuMs;
        for (long r = 0; r < runs; ++r) {
            const auto start = std::chrono::steady_clock::now();
            const double cpu = CpuSeconds();
            for (long i = 0; i < calls; ++i) gSink = gSink + estimator(plane(i % warm));
            ms.push_back(Seconds(start) * 1000 / static_cast<double>(calls));
            cpuMs.push_back((CpuSeconds() - cpu) * 1000 / static_cast<double>(calls));
        }
        std::printf("  %-10s %8.4f %8.4f ms\n", name, Median(ms), Median(cpuMs));
    };
    std::printf(
        "one thread, %dx%d grey, %ld pictures in the cache, median of %ld runs "
        "(ms per picture: wall, CPU):\n",
        kSide, kSide, warm, runs);
    perImage("chi_square", [](const SamplePlane& p) { return ChiSquareAttack(p).whole.statistic; });
    perImage("rs", [](const SamplePlane& p) { return Value(RsAnalysis(p)); });
    perImage("spa", [](const SamplePlane& p) { return Value(SamplePairAnalysis(p)); });
    perImage("ws", [](const SamplePlane& p) { return Value(WeightedStego(p)); });
    perImage("all", [](const SamplePlane& p) {
        return ChiSquareAttack(p).whole.statistic + Value(RsAnalysis(p)) + Value(SamplePairAnalysis(p)) +
               Value(WeightedStego(p));
    });

    // The stream: every detection as a study makes it, the images on `threads`.
    std::vector<double> rates, cpuRates;
    for (long r = 0; r < runs; ++r) {
        std::vector<double> sums(threads, 0.0);
        const auto start = std::chrono::steady_clock::now();
        const double cpu = CpuSeconds();
        std::atomic<bool> failed{false};
        RunTasks(static_cast<size_t>(total), threads, [&](unsigned worker, size_t i) {
            ImageView image;  // a grey view of the picture, as a decoded file gives it
            image.width = kSide;
            image.height = kSide;
            image.layout = ChannelLayout::Grey;
            image.samples = pictures[i % static_cast<size_t>(distinct)].data();
            image.held = static_cast<size_t>(kSide) * kSide;
            try {
                const std::vector<ChannelDetection> d = DetectLsbEmbedding(image);
                sums[worker] += Value(d[0].rs) + Value(d[0].spa) + Value(d[0].ws) + d[0].chiSquare.whole.statistic;
            } catch (const std::exception&) {
                failed = true;  // memory ran out
            }
        });
        if (failed) {
            std::fprintf(stderr, "detect_bench: a detection failed (out of memory)\n");
            return 1;
        }
        rates.push_back(static_cast<double>(total) / Seconds(start));
        // What `threads` cores of its own would give: images per CPU second, times the threads.
        cpuRates.push_back(static_cast<double>(total) * threads / (CpuSeconds() - cpu));
        for (double s : sums) gSink = gSink + s;
    }
    std::printf(
        "stream: %ld detections of all four on %u threads, median of %ld runs: %.0f images/s wall, "
        "%.0f images/s by CPU time\n",
        total, threads, runs, Median(rates), Median(cpuRates));
    return 0;
}
