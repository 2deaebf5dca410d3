#include "report_command.h"

#include <ctime>
#include <new>
#include <thread>
#include <tuple>

#include "attempt.h"
#include "decoded_pairs.h"
#include "difference_maps.h"
#include "error.h"
#include "exit_codes.h"
#include "histogram_plot.h"
#include "interrupt.h"
#include "jpeg_writer.h"
#include "measure.h"
#include "measure_summary.h"
#include "file_pair.h"
#include "pair_plan.h"
#include "pair_runner_list.h"
#include "worker_count.h"
#include "progress.h"
#include "report_html.h"
#include "sample_histogram.h"
#include "svg_canvas.h"
#include "texts.h"
#include "thumbnail.h"
#include "whole_file.h"

namespace {

constexpr int kJpegQuality = 75;

// Thumbnails, heat map and histograms of a pair, from its decoded images.
void DrawPictures(ReportPair& pair, const DecodedImages& images, unsigned threads) {
    try {
        const Image& original = images.original;
        const Image& manipulated = images.manipulated;
        pair.originalPicture = EncodeJpeg(Thumbnail(original, kReportPictureWidth, kReportPictureHeight), kJpegQuality);
        pair.manipulatedPicture =
            EncodeJpeg(Thumbnail(manipulated, kReportPictureWidth, kReportPictureHeight), kJpegQuality);
        DiffOptions heat;
        heat.mode = DiffMode::Heat;
        heat.threads = threads;
        const DiffMap map = MakeDiffMap(original, manipulated, heat);
        pair.heatScaleMax = map.scaleMax;
        pair.heatMap = EncodeJpeg(Thumbnail(map.image, kReportPictureWidth, kReportPictureHeight), kJpegQuality);
        const PlotSeries first{"original", CountSamples(original, DefaultBins(original.peak))};
        const PlotSeries second{"manipulated", CountSamples(manipulated, DefaultBins(manipulated.peak))};
        const PlotSize size = HistogramPlotSize(true);
        SvgCanvas canvas(size.width, size.height, 0);  // whole pixels: small enough for a thousand pairs
        DrawHistogramPlot(canvas, first, second);
        pair.histograms = canvas.Element();
    } catch (const CitraError& error) {
        pair.pictureError = error.what();
    } catch (const std::bad_alloc&) {
        pair.pictureError = text::kOutOfMemory;
    }
}

// One pair, decoded once: the desktop program's numbers, the field's
// metrics and the pictures all come from the same two images. A pair the
// decoders cannot take, or whose shapes differ, is compared as compare
// compares it when the desktop program takes it (a bitmap cut short keeps
// its desktop numbers and warning; a refusal is worded as the desktop
// program words it).
ReportPair ReportOnePair(const ListedPair& listed, StreamBuffers& buffers, unsigned threads, bool detect) {
    ReportPair pair;
    pair.result.original = listed.original;
    pair.result.manipulated = listed.manipulated;
    pair.measure.original = listed.original;
    pair.measure.manipulated = listed.manipulated;
    pair.measure.group = listed.group;
    const auto fail = [&](const std::string& reason) {
        pair.result.error = reason;
        pair.measure.error = reason;
        return pair;
    };
    if (listed.error) return fail(*listed.error);
    const Route route = RouteByNames(listed.original, listed.manipulated);
    DecodedImages images;
    std::optional<std::string> failure = Attempt([&] {
        std::tie(images.original, images.manipulated) = DecodeBoth(listed.original, listed.manipulated, threads);
        if (const auto refusal = StandardPairRefusal(images.original, images.manipulated))
            throw CitraError(*refusal, ErrorKind::Refused);
    });
    if (failure) {
        if (route != Route::Desktop) return fail(*failure);
        pair.result = ComparePlannedPair(listed, nullptr, buffers, StandardOptions{false, threads});
        pair.measure.error = pair.result.error ? *pair.result.error : *failure;
        if (!pair.result.error) pair.pictureError = *failure;
        return pair;
    }
    SetDesktopNumbers(pair.result, images.original, images.manipulated);
    pair.measure.error = Attempt([&] {
        pair.measure.metrics = ComputeMeasure(images.original, images.manipulated, MeasureOptions{true, threads});
        if (detect) pair.measure.detection = DetectPair(images.original, images.manipulated, threads);
    });
    DrawPictures(pair, images, threads);
    return pair;
}

}  // namespace

int RunReport(const Options& options, const PairListing& listing, std::span<const std::string> arguments,
              std::ostream& out, std::ostream& err, bool showProgress, bool sharesTerminal) {
    const std::vector<ListedPair>& pairs = listing.pairs;
    PendingFile file(options.output);
    if (const auto reason = file.Open()) {
        err << text::CannotWriteFile(options.output, *reason) << std::flush;
        return kExitFailure;
    }
    const unsigned jobs = options.jobs != 0 ? options.jobs : DefaultWorkerCount();
    // Several pairs: one thread each, on the workers; a single one: all of them.
    const unsigned threads = pairs.size() > 1 ? 1u : jobs;
    ProgressBar progress(err, showProgress, pairs.size(), sharesTerminal);
    const InterruptFlag interrupt;
    ReportRun run;
    run.detect = options.detect;
    run.threads = jobs;
    run.arguments.assign(arguments.begin(), arguments.end());
    run.version = VersionText();
    while (!run.version.empty() && run.version.back() == '\n') run.version.pop_back();
    run.created = IsoUtc(std::time(nullptr));
    MeasureSummaryBuilder summary;
    size_t failed = 0;
    PairRunSettings settings;
    settings.jobs = jobs;
    settings.stop = &interrupt.Raised();
    const PairRunCallbacksOf<ReportPair> callbacks{
        [&](const ReportPair& pair) {
            if (pair.measure.error) ++failed;
            summary.Add(pair.measure);
            run.pairs.push_back(pair);
        },
        [&](size_t finished) { progress.Update(finished); }};
    const PairRunEnd end = RunPairList<ReportPair>(
        pairs.size(),
        [&](size_t index, StreamBuffers& buffers) {
            return ReportOnePair(pairs[index], buffers, threads, options.detect);
        },
        settings, callbacks);
    if (end == PairRunEnd::Stopped || interrupt.Raised().load()) {
        progress.Erase();
        return interrupt.ExitCode();
    }
    progress.Erase();
    run.summary = summary.Build();
    if (interrupt.Raised().load()) return interrupt.ExitCode();
    if (const auto reason = file.Commit(ReportHtml(run))) {
        err << text::CannotWriteFile(options.output, *reason) << std::flush;
        return kExitFailure;
    }
    out << text::ReportWritten(options.output, run.pairs.size(), failed) << '\n';
    return failed == 0 ? kExitSuccess : kExitFailure;
}
