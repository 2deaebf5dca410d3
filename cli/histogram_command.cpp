#include "histogram_command.h"

#include <new>

#include "analysis.h"
#include "csv_output.h"
#include "file_histogram.h"
#include "error.h"
#include "exit_codes.h"
#include "histogram_plot.h"
#include "image_reader.h"
#include "json.h"
#include "picture.h"
#include "png_writer.h"
#include "plot_recording.h"
#include "raster_module.h"
#include "svg_canvas.h"
#include "texts.h"
#include "whole_file.h"

namespace {

std::string CsvRows(const SampleHistogram& h) {
    std::string text = text::kColumnValue;
    for (const std::string& channel : h.channels) {
        text += ',';
        text += channel;
    }
    text += '\n';
    for (size_t i = 0; i < h.Bins(); ++i) {
        text += std::to_string(h.binStarts[i]);
        for (const auto& counts : h.counts) {
            text += ',';
            text += std::to_string(counts[i]);
        }
        text += '\n';
    }
    return text;
}

std::string PlotFile(const std::string& path, const PlotSeries& first, const std::optional<PlotSeries>& second) {
    const PlotSize size = HistogramPlotSize(second.has_value());
    if (text::IsSvgFile(path)) {
        SvgCanvas canvas(size.width, size.height);
        DrawHistogramPlot(canvas, first, second);
        return canvas.Finish();
    }
    RecordingCanvas canvas(size.width, size.height);
    DrawHistogramPlot(canvas, first, second);
    // A plot is made of few colours and flat areas: the default zlib level
    // makes it far smaller for little time.
    return EncodePng(RasterizePlot(canvas.Recording()), {{"Software", "citra"}, {"Title", "citra histogram"}},
                     {6, true});
}

}  // namespace

bool IsHistogramTable(const Options& options) {
    return options.command == Command::Histogram && (options.format == OutputFormat::Csv || !options.plot.empty());
}

int RunHistogramTable(const Options& options, std::ostream& out, std::ostream& err) {
    std::optional<PendingFile> plot;
    if (!options.plot.empty()) {
        plot.emplace(options.plot);
        if (const auto reason = plot->Open()) {
            err << text::CannotWriteFile(options.plot, *reason) << std::flush;
            return kExitFailure;
        }
    }
    std::string content;
    std::optional<PlotSeries> first, second;
    try {
        first = PlotSeries{options.files[0], FileHistogram(options.files[0], options.bins)};
        if (options.files.size() == 2) {
            second = PlotSeries{options.files[1], FileHistogram(options.files[1], options.bins)};
            if (auto refusal = OverlayRefusal(*first, *second)) throw CitraError(*refusal);
        }
        if (plot) content = PlotFile(options.plot, *first, second);
    } catch (const CitraError& error) {
        err << text::kMessagePrefix << error.what() << '\n' << std::flush;
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        err << text::kMessagePrefix << text::kOutOfMemory << '\n' << std::flush;
        return kExitFailure;
    }
    if (plot) {
        if (const auto reason = plot->Commit(content)) {
            err << text::CannotWriteFile(options.plot, *reason) << std::flush;
            return kExitFailure;
        }
    }
    if (options.format == OutputFormat::Csv) {
        out << CsvRows(first->histogram);
    } else if (options.format == OutputFormat::Json) {
        JsonObject line;
        line.String(text::kKeyPath, options.files[0]);
        if (second) line.String(text::kKeySecond, options.files[1]);
        line.String(text::kKeyPlot, options.plot).Integer(text::kKeyBins, static_cast<int64_t>(first->histogram.Bins()));
        out << line.Close() << '\n';
    } else {
        out << text::PlotWritten(options.plot, options.files) << '\n';
    }
    return kExitSuccess;
}
