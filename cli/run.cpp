#include "run.h"

#include <thread>

#include "analysis.h"
#include "decimal_separator.h"
#include "interrupt.h"
#include "manipulated_list.h"
#include "options.h"
#include "pair_runner.h"
#include "progress.h"
#include "result_writer.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

int UsageError(std::ostream& err, const std::string& message) {
    err << "citra: " << message << "\n" << UsageText() << "Try 'citra --help' for more information.\n"
        << std::flush;
    return kExitUsage;
}

// Each command reports whether every file or pair succeeded.
bool RunInfo(const std::vector<std::string>& files, ResultWriter& writer) {
    bool allOk = true;
    for (const std::string& path : files) {
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

int RunCompare(const Options& options, std::ostream& out, std::ostream& err, Terminals terminals) {
    const std::string& originalPath = options.files.front();
    if (IsFolder(originalPath)) return UsageError(err, "ORIGINAL '" + originalPath + "' is a folder, not a file");
    const std::vector<PairInput> inputs =
        ExpandManipulated(std::span(options.files).subspan(1));

    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    const bool showProgress = options.progress == ProgressMode::On ||
                              (options.progress == ProgressMode::Auto && terminals.err);
    ProgressBar progress(err, showProgress, inputs.size(), terminals.out && terminals.err);
    const InterruptFlag interrupt;

    PairRunSettings settings;
    settings.jobs = options.jobs != 0 ? options.jobs : DefaultJobs();
    settings.stop = &interrupt.Raised();
    bool allOk = true;
    PairRunCallbacks callbacks;
    callbacks.deliver = [&](const PairResult& result) {
        allOk = allOk && !result.error;
        progress.BeforeOutput();
        writer->Write(result);
    };
    callbacks.tick = [&](size_t finished) { progress.Update(finished); };
    RunPairs(originalPath, inputs, settings, callbacks);

    progress.Erase();
    writer->Finish();
    if (interrupt.Raised().load()) return kExitInterrupted;
    return allOk ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunCitra(std::span<const std::string> args, std::ostream& out, std::ostream& err, Terminals terminals) {
    const ParsedArguments parsed = ParseArguments(args);
    if (parsed.options.help) {
        out << HelpText() << std::flush;
        return kExitSuccess;
    }
    if (parsed.usageError) return UsageError(err, *parsed.usageError);

    const Options& options = parsed.options;
    RegisterPictureKinds();
    if (options.command == Command::Compare) return RunCompare(options, out, err, terminals);
    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    bool allOk = false;
    switch (options.command) {
    case Command::Info: allOk = RunInfo(options.files, *writer); break;
    case Command::Histogram: allOk = RunHistogram(options.files.front(), *writer); break;
    case Command::Compare:
    case Command::None: break;
    }
    writer->Finish();
    return allOk ? kExitSuccess : kExitFailure;
}
