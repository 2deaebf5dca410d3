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
void DrawPictures(ReportPair& pair, const DecodedImages& images) {
    try {
        const Image& original = images.original;
        const Image& manipulated = images.manipulated;
        pair.originalPicture = EncodeJpeg(Thumbnail(original, kReportPictureWidth, kReportPictureHeight), kJpegQuality);
        pair.manipulatedPicture =
            EncodeJpeg(Thumbnail(manipulated, kReportPictureWidth, kReportPictureHeight), kJpegQuality);
        DiffOptions heat;
        heat.mode = DiffMode::Heat;
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

// One pair, decoded once: the comparison (the desktop program's numbers, or
// the failure), then from the same images the field's metrics and the
// pictures. A decoded pair's comparison leaves its images; a pair of the
// desktop route is decoded here.
ReportPair ReportOnePair(const ListedPair& listed, StreamBuffers& buffers, unsigned threads) {
    ReportPair pair;
    DecodedImages images;
    pair.result = ComparePlannedPair(listed, nullptr, buffers, StandardOptions{false, threads}, &images);
    pair.measure.original = pair.result.original;
    pair.measure.manipulated = pair.result.manipulated;
    pair.measure.group = listed.group;
    if (pair.result.error) {
        pair.measure.error = pair.result.error;
        return pair;
    }
    if (images.original.width == 0) {
        if (const auto failure = Attempt([&] {
                std::tie(images.original, images.manipulated) =
                    DecodeBoth(pair.result.original, pair.result.manipulated, threads);
            })) {
            pair.measure.error = failure;
            pair.pictureError = *failure;
            return pair;
        }
    }
    pair.measure.error = Attempt([&] {
        pair.measure.metrics = ComputeMeasure(images.original, images.manipulated, MeasureOptions{true, threads});
    });
    DrawPictures(pair, images);
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
    const unsigned threads = options.jobs;
    ProgressBar progress(err, showProgress, pairs.size(), sharesTerminal);
    const InterruptFlag interrupt;
    ReportRun run;
    run.arguments.assign(arguments.begin(), arguments.end());
    run.version = VersionText();
    while (!run.version.empty() && run.version.back() == '\n') run.version.pop_back();
    run.created = IsoUtc(std::time(nullptr));
    MeasureSummaryBuilder summary;
    size_t failed = 0;
    StreamBuffers buffers;
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (interrupt.Raised().load()) {
            progress.Erase();
            return interrupt.ExitCode();
        }
        ReportPair pair = ReportOnePair(pairs[i], buffers, threads);
        if (pair.measure.error) ++failed;
        summary.Add(pair.measure);
        run.pairs.push_back(std::move(pair));
        progress.Update(i + 1);
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
