#include "measure_command.h"

#include <optional>
#include <string>
#include <vector>

#include "decimal_separator.h"
#include "exit_codes.h"
#include "measure_output.h"
#include "measure_summary.h"
#include "measure_summary_output.h"
#include "pair_batch.h"
#include "texts.h"
#include "whole_file.h"

namespace {

// Writes each result as it comes: a JSON or CSV line at once (CSV: the
// header first), or the text table once every row is known.
class MeasureWriter {
public:
    MeasureWriter(OutputFormat format, bool detect, std::ostream& out) : format_(format), detect_(detect), out_(out) {
        if (format_ == OutputFormat::Csv) Line(MeasureCsvHeader(detect_));
    }
    void Write(const MeasureResult& result) {
        switch (format_) {
        case OutputFormat::Json: Line(MeasureJson(result, detect_)); break;
        case OutputFormat::Csv: Line(MeasureCsv(result, detect_)); break;
        case OutputFormat::Text: rows_.push_back(result); break;
        }
    }
    // Writes the text table; true when there was one.
    bool Finish(std::string_view decimalSeparator) {
        const bool table = !rows_.empty();
        if (table) out_ << MeasureText(rows_, decimalSeparator, detect_) << std::flush;
        rows_.clear();
        return table;
    }

private:
    void Line(const std::string& text) { out_ << text << '\n' << std::flush; }
    OutputFormat format_;
    bool detect_;
    std::ostream& out_;
    std::vector<MeasureResult> rows_;
};

std::string RenderSummary(const Options& options, const std::vector<GroupSummary>& groups) {
    switch (options.format) {
    case OutputFormat::Json: return MeasureSummaryJson(groups) + "\n";
    case OutputFormat::Csv: return MeasureSummaryCsv(groups);
    case OutputFormat::Text: break;
    }
    return MeasureSummaryText(groups, SummarySeparator(options));
}

}  // namespace

int RunMeasure(const Options& options, const PairListing& listing, std::ostream& out, std::ostream& err,
               Terminals terminals) {
    // The summary's file is checked before any pair is measured.
    std::optional<PendingFile> summaryFile;
    if (!OpenSummaryFile(options, summaryFile, err)) return kExitFailure;
    const std::vector<ListedPair>& pairs = listing.pairs;
    MeasureWriter writer(options.format, options.detect, out);
    PairBatch batch(options, pairs.size(), out, err, terminals);
    // Several pairs at once each take one thread.
    const MeasureOptions measure{!options.noSsim, batch.ThreadsPerPair()};
    MeasureSummaryBuilder summary;
    RunPairList<MeasureResult>(
        pairs.size(),
        [&](size_t index, StreamBuffers&) { return MeasureListedPair(pairs[index], measure, options.detect); },
        batch.Settings(), batch.Callbacks<MeasureResult>([&](const MeasureResult& result) {
            if (options.summary) summary.Add(result);
            writer.Write(result);
            return !result.error;
        }));
    batch.Done();
    const bool table = writer.Finish(UserDecimalSeparator());
    bool summaryWritten = true;
    if (options.summary && !batch.OutputLost())
        summaryWritten = PutSummary(options, RenderSummary(options, summary.Build()), table,
                                    summaryFile ? &*summaryFile : nullptr, out, err);
    return batch.ExitCode(summaryWritten);
}
