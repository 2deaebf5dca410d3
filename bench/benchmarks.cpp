// Speed of loading, metrics and histograms on a large 24-bit pair, each next
// to a baseline measured in the same run, and the peak memory of
// `citra compare` on that pair. Prints a summary table at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "baselines.h"
#include "histogram.h"
#include "metrics.h"
#include "peak_memory.h"
#include "picture.h"
#include "test_images.h"

namespace {

const TestImagePair* gPair = nullptr;
Picture* gOriginal = nullptr;
Picture* gManipulated = nullptr;

// ---- baselines -----------------------------------------------------------

// Reads the whole file with read() into buf, which holds at least its size.
size_t ReadWholeFile(const std::string& path, uint8_t* buf, size_t size) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, buf + done, size - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    return done;
}

// ---- benchmarks ----------------------------------------------------------

void LoadBitmapFile(benchmark::State& state) {
    for (auto _ : state) {
        auto picture = std::make_unique<Picture>();
        LoadPicture(*picture, gPair->Original());
        benchmark::DoNotOptimize(picture->BitmapIfAny()->Data());
        state.PauseTiming();
        picture.reset();  // freeing the raster is not part of loading
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * gPair->FileSize());
}

// The floor of loading: reading the file's bytes as cat does, through one
// small buffer that stays in the cache, nothing kept.
void CatFile(benchmark::State& state) {
    static char buffer[128 << 10];
    for (auto _ : state) {
        const int fd = open(gPair->Original().c_str(), O_RDONLY);
        if (fd < 0) state.SkipWithError("cannot open the file");
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) benchmark::DoNotOptimize(buffer);
        close(fd);
        if (n < 0) state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() * gPair->FileSize());
}

// For reference: read() of the file into a buffer allocated before the
// timing, not touched: it pays for faulting in fresh pages as a raster from
// calloc would, so it is no floor (a loader as slow as it looks fine).
void ReadIntoFreshBuffer(benchmark::State& state) {
    const size_t size = static_cast<size_t>(gPair->FileSize());
    for (auto _ : state) {
        state.PauseTiming();
        auto* buf = static_cast<uint8_t*>(std::calloc(size, 1));
        state.ResumeTiming();
        if (ReadWholeFile(gPair->Original(), buf, size) != size) state.SkipWithError("short read");
        benchmark::DoNotOptimize(buf);
        state.PauseTiming();
        std::free(buf);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * gPair->FileSize());
}

// Lower bound: the same read into a buffer whose pages are already mapped.
void ReadIntoTouchedBuffer(benchmark::State& state) {
    const size_t size = static_cast<size_t>(gPair->FileSize());
    std::vector<uint8_t> buf(size, 1);
    for (auto _ : state) {
        if (ReadWholeFile(gPair->Original(), buf.data(), size) != size) state.SkipWithError("short read");
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(state.iterations() * gPair->FileSize());
}

void QualityMetricsOfPair(benchmark::State& state) {
    const Bitmap& a = *gOriginal->BitmapIfAny();
    const Bitmap& b = *gManipulated->BitmapIfAny();
    for (auto _ : state) benchmark::DoNotOptimize(ComputeQualityMetrics(a, b));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(a.DataSize() + b.DataSize()));
}

void SumBothRasters(benchmark::State& state) {
    const Bitmap& a = *gOriginal->BitmapIfAny();
    const Bitmap& b = *gManipulated->BitmapIfAny();
    for (auto _ : state) benchmark::DoNotOptimize(SumBytesOfTwo(a.Data(), b.Data(), a.DataSize()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(a.DataSize() + b.DataSize()));
}

void HistogramOfPicture(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ComputeChannelHistogram(*gOriginal));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(gOriginal->BitmapIfAny()->DataSize()));
}

void SumOneRaster(benchmark::State& state) {
    const Bitmap& a = *gOriginal->BitmapIfAny();
    for (auto _ : state) benchmark::DoNotOptimize(SumBytes(a.Data(), a.DataSize()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(a.DataSize()));
}

// ---- summary -------------------------------------------------------------

// Keeps the median real and CPU time of every benchmark while printing as usual.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double realMs = 0;
        double cpuMs = 0;
    };
    std::map<std::string, Times> median;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                median[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
    }
};

struct Comparison {
    const char* what;
    const char* subject;
    const char* baseline;
    double goal;  // 0: shown for reference only
};

const char* Verdict(double ratio, double goal) {
    if (goal <= 0) return "ref";
    return ratio <= goal ? "met" : "MISSED";
}

void PrintSummary(const RecordingReporter& reporter, int32_t side, const std::optional<ChildRun>& compareRun) {
    const Comparison rows[] = {
        {"LoadPicture / cat of the file", "LoadBitmapFile", "CatFile", 2.0},
        {"LoadPicture / read() into touched buffer", "LoadBitmapFile", "ReadIntoTouchedBuffer", 0},
        {"LoadPicture / read() into fresh buffer", "LoadBitmapFile", "ReadIntoFreshBuffer", 0},
        {"ComputeQualityMetrics / sum of both rasters", "QualityMetricsOfPair", "SumBothRasters", 1.5},
        {"ComputeChannelHistogram / sum of one raster", "HistogramOfPicture", "SumOneRaster", 4.0},
    };
    std::printf("\nSummary: medians of 5 repetitions; %dx%d 24-bit pair, %lld bytes per file\n", side, side,
                static_cast<long long>(gPair->FileSize()));
    std::printf("%-44s %5s | %9s %9s %6s %-6s | %9s %9s %6s %-6s\n", "figure", "goal", "real ms", "base ms",
                "ratio", "", "cpu ms", "base ms", "ratio", "");
    for (const Comparison& c : rows) {
        const auto s = reporter.median.find(c.subject);
        const auto b = reporter.median.find(c.baseline);
        if (s == reporter.median.end() || b == reporter.median.end()) continue;
        char goal[16] = "-";
        if (c.goal > 0) std::snprintf(goal, sizeof goal, "%.1fx", c.goal);
        const double realRatio = s->second.realMs / b->second.realMs;
        const double cpuRatio = s->second.cpuMs / b->second.cpuMs;
        std::printf("%-44s %5s | %9.2f %9.2f %5.2fx %-6s | %9.2f %9.2f %5.2fx %-6s\n", c.what, goal,
                    s->second.realMs, b->second.realMs, realRatio, Verdict(realRatio, c.goal), s->second.cpuMs,
                    b->second.cpuMs, cpuRatio, Verdict(cpuRatio, c.goal));
    }
    if (compareRun) {
        const double rssMiB = compareRun->maxRssKiB / 1024.0;
        const double budgetMiB = 2.0 * static_cast<double>(gPair->FileSize()) / (1024.0 * 1024.0) + 64.0;
        std::printf("%-44s %5s | peak RSS %.1f MiB, budget %.1f MiB (files + 64 MiB): %.2fx %s, exit code %d\n",
                    "citra compare, peak memory", "1.0x", rssMiB, budgetMiB, rssMiB / budgetMiB,
                    compareRun->exitCode == 0 && rssMiB <= budgetMiB ? "met" : "MISSED", compareRun->exitCode);
    }
}


}  // namespace

int main(int argc, char** argv) {
    const int32_t side = std::atoi(TakeOption(argc, argv, "size").value_or("8000").c_str());
#ifdef CITRA_EXE
    std::string citra = TakeOption(argc, argv, "citra").value_or(CITRA_EXE);
#else
    std::string citra = TakeOption(argc, argv, "citra").value_or("");
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::fprintf(stderr, "writing a %dx%d 24-bit pair...\n", side, side);
    const TestImagePair pair(side, side);
    gPair = &pair;
    Picture original, manipulated;
    try {
        LoadPicture(original, pair.Original());
        LoadPicture(manipulated, pair.Manipulated());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot load the test pair: %s\n", e.what());
        return 1;
    }
    if (!original.BitmapIfAny() || original.BitmapIfAny()->BitsPerPixel() != 24 || !manipulated.BitmapIfAny()) {
        std::fprintf(stderr, "the test pair did not load as 24-bit bitmaps\n");
        return 1;
    }
    gOriginal = &original;
    gManipulated = &manipulated;

    auto add = [](const char* name, void (*fn)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()  // counts the histogram's worker threads too
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    };
    add("CatFile", CatFile);
    add("ReadIntoTouchedBuffer", ReadIntoTouchedBuffer);
    add("ReadIntoFreshBuffer", ReadIntoFreshBuffer);
    add("LoadBitmapFile", LoadBitmapFile);
    add("SumBothRasters", SumBothRasters);
    add("QualityMetricsOfPair", QualityMetricsOfPair);
    add("SumOneRaster", SumOneRaster);
    add("HistogramOfPicture", HistogramOfPicture);

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // The benchmark's own pictures are freed first so nothing else competes.
    ClearPicture(original);
    ClearPicture(manipulated);
    std::optional<ChildRun> compareRun;
    if (!citra.empty() && access(citra.c_str(), X_OK) == 0)
        compareRun = RunAndMeasure(citra, {"compare", pair.Original(), pair.Manipulated()});
    else
        std::fprintf(stderr, "citra not found (%s): peak memory not measured\n", citra.c_str());
    PrintSummary(reporter, side, compareRun);
    return 0;
}
