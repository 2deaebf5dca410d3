#include "pair_batch.h"

#include "decimal_separator.h"
#include "exit_codes.h"
#include "texts.h"
#include "worker_count.h"

PairBatch::PairBatch(const Options& options, size_t pairCount, std::ostream& out, std::ostream& err,
                     Terminals terminals)
    : out_(out),
      pairCount_(pairCount),
      jobs_(options.jobs != 0 ? options.jobs : DefaultWorkerCount()),
      progress_(err,
                options.progress == ProgressMode::On || (options.progress == ProgressMode::Auto && terminals.err),
                pairCount, terminals.out && terminals.err,
                options.command == Command::Detect ? text::kImagesPerSecond : text::kPairsPerSecond),
      outputLost_(!out) {}

PairRunSettings PairBatch::Settings() const {
    PairRunSettings settings;
    settings.jobs = jobs_;
    settings.stop = &interrupt_.Raised();
    settings.abandon = &outputLost_;
    return settings;
}

unsigned PairBatch::ThreadsPerPair() const { return pairCount_ > 1 ? 1u : jobs_; }

int PairBatch::ExitCode(bool summaryWritten) const {
    if (interrupt_.Raised().load()) return interrupt_.ExitCode();
    return allOk_ && summaryWritten ? kExitSuccess : kExitFailure;
}

std::string SummarySeparator(const Options& options) {
    return options.format == OutputFormat::Text ? UserDecimalSeparator() : ".";
}

bool PutSummary(const Options& options, const std::string& rendered, bool afterTable, PendingFile* file,
                std::ostream& out, std::ostream& err) {
    if (!options.summaryFile.empty()) {
        const auto reason = file ? file->Commit(rendered) : WriteWholeFile(options.summaryFile, rendered);
        if (reason) {
            err << text::CannotWriteSummary(options.summaryFile, *reason) << std::flush;
            return false;
        }
        return true;
    }
    if (options.format == OutputFormat::Csv) {
        err << rendered << std::flush;
    } else {
        if (options.format == OutputFormat::Text && afterTable) out << '\n';
        out << rendered;
    }
    return true;
}

bool OpenSummaryFile(const Options& options, std::optional<PendingFile>& file, std::ostream& err) {
    if (!options.summary || options.summaryFile.empty()) return true;
    file.emplace(options.summaryFile);
    if (const auto reason = file->Open()) {
        err << text::CannotWriteSummary(options.summaryFile, *reason) << std::flush;
        return false;
    }
    return true;
}
