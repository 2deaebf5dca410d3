#include "detect_command.h"

#include <optional>
#include <string>
#include <vector>

#include "decimal_separator.h"
#include "detect_output.h"
#include "detect_summary.h"
#include "exit_codes.h"
#include "pair_batch.h"
#include "pair_runner_list.h"
#include "texts.h"
#include "whole_file.h"

namespace {

std::string RenderSummary(const Options& options, const std::vector<DetectGroupSummary>& groups) {
    switch (options.format) {
    case OutputFormat::Json: return DetectSummaryJson(groups) + "\n";
    case OutputFormat::Csv: return DetectSummaryCsv(groups);
    case OutputFormat::Text: break;
    }
    return DetectSummaryText(groups, SummarySeparator(options));
}

}  // namespace

int RunDetect(const Options& options, const ImageListing& listing, std::ostream& out, std::ostream& err,
              Terminals terminals) {
    std::optional<PendingFile> summaryFile;
    if (!OpenSummaryFile(options, summaryFile, err)) return kExitFailure;
    const std::vector<ListedImage>& images = listing.images;
    if (options.format == OutputFormat::Csv) out << DetectCsvHeader() << '\n' << std::flush;
    PairBatch batch(options, images.size(), out, err, terminals);
    // Several images at once take one thread each; a single one its channels side by side.
    DetectOptions detect;
    detect.threads = batch.ThreadsPerPair();
    DetectSummaryBuilder summary;
    std::vector<DetectResult> rows;  // the text table, written once every row is known
    RunPairList<DetectResult>(
        images.size(), [&](size_t index, StreamBuffers&) { return DetectListedImage(images[index], detect); },
        batch.Settings(), batch.Callbacks<DetectResult>([&](const DetectResult& result) {
            if (options.summary) summary.Add(result);
            switch (options.format) {
            case OutputFormat::Json: out << DetectJson(result) << '\n' << std::flush; break;
            case OutputFormat::Csv:
                for (const std::string& row : DetectCsvRows(result)) out << row << '\n';
                out << std::flush;
                break;
            case OutputFormat::Text: rows.push_back(result); break;
            }
            return !result.error;
        }));
    batch.Done();
    const bool table = !rows.empty();
    if (table) out << DetectText(rows, UserDecimalSeparator()) << std::flush;
    bool summaryWritten = true;
    if (options.summary && !batch.OutputLost())
        summaryWritten = PutSummary(options, RenderSummary(options, summary.Build()), table,
                                    summaryFile ? &*summaryFile : nullptr, out, err);
    return batch.ExitCode(summaryWritten);
}
