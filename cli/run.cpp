#include "run.h"

#include <cerrno>

#include "analysis.h"
#include "detect_command.h"
#include "diff_command.h"
#include "exit_codes.h"
#include "histogram_command.h"
#include "measure_command.h"
#include "report_command.h"
#include "checked_output.h"
#include "decimal_separator.h"
#include "pair_list.h"
#include "options.h"
#include "output_guard.h"
#include "pair_batch.h"
#include "result_writer.h"
#include "summary.h"
#include "texts.h"

namespace {

int UsageError(std::ostream& err, const std::string& message) {
    err << text::kMessagePrefix << message << "\n" << UsageText() << text::kTryHelp << std::flush;
    return kExitUsage;
}

// Each command reports whether every file or pair succeeded. Once the output
// is lost no further file is read.
bool RunInfo(const std::vector<std::string>& files, ResultWriter& writer, const std::ostream& out) {
    bool allOk = true;
    for (const std::string& path : files) {
        if (!out) break;
        const InfoResult result = InspectFile(path);
        allOk = allOk && !result.error;
        writer.Write(result);
    }
    return allOk;
}

bool RunHistogram(const std::string& path, ResultWriter& writer) {
    const HistogramResult result = CountChannels(path);
    writer.Write(result);
    return !result.error;
}

// Outcome of a run: the command's exit code unless the output was lost.
// A reader that went away (EPIPE) ends the run quietly, as for any pipeline
// whose reader has seen enough; any other loss is said on standard error.
int Finished(int exitCode, std::ostream& out, std::ostream& err) {
    out.flush();
    const int lost = OutputError(out);
    if (lost == 0) return exitCode;
    if (lost != EPIPE) err << text::CannotWriteOutput(lost) << std::flush;
    return kExitFailure;
}

// The summary of the pairs written, where the options say: after the text
// table (by default), as the last JSON line, on standard error beside CSV,
// or in a file of its own. False when the file could not be written.
bool WriteSummary(const Options& options, const RunSummary& summary, bool tableWritten, std::ostream& out,
                  std::ostream& err) {
    std::string rendered;
    switch (options.format) {
    case OutputFormat::Json: rendered = SummaryJson(summary) + "\n"; break;
    case OutputFormat::Csv: rendered = SummaryCsv(summary); break;
    case OutputFormat::Text: rendered = SummaryText(summary, SummarySeparator(options)); break;
    }
    return PutSummary(options, rendered, tableWritten, nullptr, out, err);
}

int RunCompare(const Options& options, std::ostream& out, std::ostream& err, Terminals terminals) {
    PairListing listing = ListPairs(options.files);
    if (listing.usageError) return UsageError(err, *listing.usageError);
    // Every share's inputs: the shares of a job array run side by side.
    if (RefuseOutputAmongInputs(options, &listing, err)) return kExitFailure;
    KeepShare(listing.pairs, options.shard);

    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    PairBatch batch(options, listing.pairs.size(), out, err, terminals);
    PairRunSettings settings = batch.Settings();
    // Several pairs at once each take one thread for their SSIM.
    settings.standard = StandardOptions{options.ssim, batch.ThreadsPerPair()};
    SummaryBuilder summary;
    RunPairs(listing, settings, batch.Callbacks<PairResult>([&](const PairResult& result) {
                 summary.Add(result);
                 writer->Write(result);
                 return !result.error;
             }));
    batch.Done();
    writer->Finish();
    const RunSummary totals = summary.Build();
    bool summaryWritten = true;
    if ((options.summary || options.format == OutputFormat::Text) && !batch.OutputLost())
        summaryWritten = WriteSummary(options, totals, totals.pairs > 0, out, err);
    return Finished(batch.ExitCode(summaryWritten), out, err);
}

}  // namespace

int RunCitra(std::span<const std::string> args, std::ostream& out, std::ostream& err, Terminals terminals) {
    const ParsedArguments parsed = ParseArguments(args);
    if (parsed.options.help || parsed.options.version) {
        out << (parsed.options.help ? HelpText(parsed.options) : VersionText());
        return Finished(kExitSuccess, out, err);
    }
    if (parsed.usageError) return UsageError(err, *parsed.usageError);

    const Options& options = parsed.options;
    if (options.command == Command::Compare) return RunCompare(options, out, err, terminals);
    if (options.command == Command::Measure) {
        PairListing listing = options.pairsFile.empty() ? ListPairs(options.files) : ListPairsFromFile(options.pairsFile);
        if (listing.usageError) return UsageError(err, *listing.usageError);
        if (listing.readError) {
            err << text::kMessagePrefix << *listing.readError << '\n' << std::flush;
            return Finished(kExitFailure, out, err);
        }
        if (RefuseOutputAmongInputs(options, &listing, err)) return kExitFailure;
        KeepShare(listing.pairs, options.shard);
        return Finished(RunMeasure(options, listing, out, err, terminals), out, err);
    }
    if (options.command == Command::Detect) {
        ImageListing images = options.pairsFile.empty() ? ListImageOperands(options.files)
                                                        : ListImagesOfPairsFile(options.pairsFile);
        if (images.readError) {
            err << text::kMessagePrefix << *images.readError << '\n' << std::flush;
            return Finished(kExitFailure, out, err);
        }
        // The output guard takes pairs: each image stands as one.
        PairListing inputs;
        for (const ListedImage& image : images.images) inputs.pairs.push_back({image.path, image.path, std::nullopt});
        if (RefuseOutputAmongInputs(options, &inputs, err)) return kExitFailure;
        KeepShare(images.images, options.shard);
        return Finished(RunDetect(options, images, out, err, terminals), out, err);
    }
    if ((options.command == Command::Diff || IsHistogramTable(options)) &&
        RefuseOutputAmongInputs(options, nullptr, err))
        return kExitFailure;
    if (options.command == Command::Diff) return Finished(RunDiff(options, out, err), out, err);
    if (IsHistogramTable(options)) return Finished(RunHistogramTable(options, out, err), out, err);
    if (options.command == Command::Report) {
        const PairListing listing = ListPairs(options.files);
        if (listing.usageError) return UsageError(err, *listing.usageError);
        if (RefuseOutputAmongInputs(options, &listing, err)) return kExitFailure;
        const bool showProgress = options.progress == ProgressMode::On ||
                                  (options.progress == ProgressMode::Auto && terminals.err);
        return Finished(RunReport(options, listing, args, out, err, showProgress, terminals.out && terminals.err),
                        out, err);
    }
    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    bool allOk = false;
    switch (options.command) {
    case Command::Info: allOk = RunInfo(options.files, *writer, out); break;
    case Command::Histogram: allOk = RunHistogram(options.files.front(), *writer); break;
    case Command::Compare:
    case Command::Diff:
    case Command::Report:
    case Command::Measure:
    case Command::Detect:
    case Command::None: break;
    }
    writer->Finish();
    return Finished(allOk ? kExitSuccess : kExitFailure, out, err);
}
