#include "report_command.h"

#include <new>
#include <thread>
#include <tuple>

#include "decoded_pairs.h"
#include "difference_maps.h"
#include "error.h"
#include "exit_codes.h"
#include "histogram_plot.h"
#include "interrupt.h"
#include "jpeg_writer.h"
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

// Thumbnails, heat map and histograms of a pair whose numbers are known,
// from the images its comparison decoded, else decoded here: each pair is
// decoded once.
void DrawPictures(ReportPair& pair, DecodedImages& images, bool decoded, unsigned threads) {
    try {
        if (!decoded) images = DecodedImages{};
        if (!decoded) std::tie(images.original, images.manipulated) =
            DecodeBoth(pair.result.original, pair.result.manipulated, threads);
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
    SummaryBuilder summary;
    bool allOk = true;
    StreamBuffers buffers;
    StandardOptions standard{true, threads};
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (interrupt.Raised().load()) {
            progress.Erase();
            return kExitInterrupted;
        }
        ReportPair pair;
        DecodedImages images;
        pair.result = ComparePlannedPair(pairs[i], nullptr, buffers, standard, &images);
        if (!pair.result.error) DrawPictures(pair, images, images.original.width > 0, threads);
        allOk = allOk && !pair.result.error;
        summary.Add(pair.result);
        run.pairs.push_back(std::move(pair));
        progress.Update(i + 1);
    }
    progress.Erase();
    run.summary = summary.Build();
    if (interrupt.Raised().load()) return kExitInterrupted;
    if (const auto reason = file.Commit(ReportHtml(run))) {
        err << text::CannotWriteFile(options.output, *reason) << std::flush;
        return kExitFailure;
    }
    out << text::ReportWritten(options.output, run.pairs.size(), run.summary.failed) << '\n';
    return allOk ? kExitSuccess : kExitFailure;
}
