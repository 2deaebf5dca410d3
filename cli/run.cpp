#include "run.h"

#include <cerrno>
#include <thread>

#include "analysis.h"
#include "checked_output.h"
#include "decimal_separator.h"
#include "interrupt.h"
#include "manipulated_list.h"
#include "options.h"
#include "pair_runner.h"
#include "progress.h"
#include "result_writer.h"
#include "texts.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

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

unsigned DefaultJobs() {
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : threads;
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

int RunCompare(const Options& options, std::ostream& out, std::ostream& err, Terminals terminals) {
    const std::string& originalPath = options.files.front();
    if (IsFolder(originalPath)) return UsageError(err, text::OriginalIsFolder(originalPath));
    const std::vector<PairInput> inputs =
        ExpandManipulated(std::span(options.files).subspan(1));

    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    const bool showProgress = options.progress == ProgressMode::On ||
                              (options.progress == ProgressMode::Auto && terminals.err);
    ProgressBar progress(err, showProgress, inputs.size(), terminals.out && terminals.err);
    const InterruptFlag interrupt;
    std::atomic<bool> outputLost{!out};

    PairRunSettings settings;
    settings.jobs = options.jobs != 0 ? options.jobs : DefaultJobs();
    settings.stop = &interrupt.Raised();
    settings.abandon = &outputLost;
    bool allOk = true;
    PairRunCallbacks callbacks;
    callbacks.deliver = [&](const PairResult& result) {
        allOk = allOk && !result.error;
        progress.BeforeOutput();
        writer->Write(result);
        if (!out) outputLost.store(true);
    };
    callbacks.tick = [&](size_t finished) { progress.Update(finished); };
    RunPairs(originalPath, inputs, settings, callbacks);

    progress.Erase();
    writer->Finish();
    const int exitCode = interrupt.Raised().load() ? kExitInterrupted : allOk ? kExitSuccess : kExitFailure;
    return Finished(exitCode, out, err);
}

}  // namespace

int RunCitra(std::span<const std::string> args, std::ostream& out, std::ostream& err, Terminals terminals) {
    const ParsedArguments parsed = ParseArguments(args);
    if (parsed.options.help) {
        out << HelpText();
        return Finished(kExitSuccess, out, err);
    }
    if (parsed.usageError) return UsageError(err, *parsed.usageError);

    const Options& options = parsed.options;
    RegisterPictureKinds();
    if (options.command == Command::Compare) return RunCompare(options, out, err, terminals);
    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    bool allOk = false;
    switch (options.command) {
    case Command::Info: allOk = RunInfo(options.files, *writer, out); break;
    case Command::Histogram: allOk = RunHistogram(options.files.front(), *writer); break;
    case Command::Compare:
    case Command::None: break;
    }
    writer->Finish();
    return Finished(allOk ? kExitSuccess : kExitFailure, out, err);
}
