#include "run.h"

#include "analysis.h"
#include "decimal_separator.h"
#include "options.h"
#include "result_writer.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

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

bool RunCompare(const std::vector<std::string>& files, ResultWriter& writer) {
    const OriginalImage original(files.front());
    bool allOk = true;
    for (size_t i = 1; i < files.size(); ++i) {
        const PairResult result = ComparePair(original, files[i]);
        allOk = allOk && !result.error;
        writer.Write(result);
    }
    return allOk;
}

}  // namespace

int RunCitra(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    const ParsedArguments parsed = ParseArguments(args);
    if (parsed.options.help) {
        out << HelpText() << std::flush;
        return kExitSuccess;
    }
    if (parsed.usageError) {
        err << "citra: " << *parsed.usageError << "\n" << UsageText()
            << "Try 'citra --help' for more information.\n" << std::flush;
        return kExitUsage;
    }

    const Options& options = parsed.options;
    RegisterPictureKinds();
    const auto writer = MakeResultWriter(options.format, out, UserDecimalSeparator());
    bool allOk = false;
    switch (options.command) {
    case Command::Info: allOk = RunInfo(options.files, *writer); break;
    case Command::Histogram: allOk = RunHistogram(options.files.front(), *writer); break;
    case Command::Compare: allOk = RunCompare(options.files, *writer); break;
    case Command::None: break;
    }
    writer->Finish();
    return allOk ? kExitSuccess : kExitFailure;
}
