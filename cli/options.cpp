#include "options.h"

#include "texts.h"

namespace {

std::optional<Command> CommandNamed(const std::string& name) {
    if (name == "info") return Command::Info;
    if (name == "histogram") return Command::Histogram;
    if (name == "compare") return Command::Compare;
    return std::nullopt;
}

std::optional<std::string> CheckOperandCount(const Options& options) {
    const size_t count = options.files.size();
    switch (options.command) {
    case Command::None:
        return text::kNoCommand;
    case Command::Info:
        if (count < 1) return text::kInfoNeedsFile;
        break;
    case Command::Histogram:
        if (count != 1) return text::kHistogramNeedsFile;
        break;
    case Command::Compare:
        if (count < 2) return text::kCompareNeedsTwo;
        break;
    }
    return std::nullopt;
}

// A --jobs value: a decimal number from 1 to kMaxJobs.
std::optional<unsigned> JobCount(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > kMaxJobs) return std::nullopt;
    return value;
}

std::string BadJobCount(const std::string& value) {
    return text::BadJobCount(value, kMaxJobs);
}

}  // namespace

ParsedArguments ParseArguments(std::span<const std::string> args) {
    ParsedArguments result;
    Options& options = result.options;
    bool operandsOnly = false;
    bool commandSeen = false;
    bool jsonSeen = false;
    bool csvSeen = false;
    const auto fail = [&](std::string message) {
        if (!result.usageError) result.usageError = std::move(message);
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = !operandsOnly && arg.size() > 1 && arg[0] == '-';
        if (isOption) {
            if (arg == "--") {
                operandsOnly = true;
            } else if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--json") {
                jsonSeen = true;
            } else if (arg == "--csv") {
                csvSeen = true;
            } else if (arg == "--progress") {
                options.progress = ProgressMode::On;
            } else if (arg == "--no-progress") {
                options.progress = ProgressMode::Off;
            } else if (arg == "-j" || arg == "--jobs") {
                if (i + 1 == args.size()) {
                    fail(text::NeedsNumber(arg));
                } else if (const auto jobs = JobCount(args[++i])) {
                    options.jobs = *jobs;
                } else {
                    fail(BadJobCount(args[i]));
                }
            } else if (arg.starts_with("--jobs=") || (arg.size() > 2 && arg[1] == 'j' && arg[2] >= '0' && arg[2] <= '9')) {
                const std::string value = arg.substr(arg[1] == 'j' ? 2 : 7);
                if (const auto jobs = JobCount(value)) options.jobs = *jobs;
                else fail(BadJobCount(value));
            } else {
                fail(text::UnknownOption(arg));
            }
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            if (auto command = CommandNamed(arg)) {
                options.command = *command;
            } else {
                fail(text::UnknownCommand(arg));
            }
            continue;
        }
        options.files.push_back(arg);
    }

    if (jsonSeen && csvSeen) fail(text::kJsonAndCsv);
    options.format = jsonSeen ? OutputFormat::Json : csvSeen ? OutputFormat::Csv : OutputFormat::Text;
    if (csvSeen && commandSeen && options.command != Command::Compare && options.command != Command::None)
        fail(text::kCsvOnlyForCompare);

    if (options.help) {
        result.usageError.reset();
    } else if (!result.usageError) {
        result.usageError = CheckOperandCount(options);
    }
    return result;
}

std::string UsageText() { return text::kUsage; }

std::string HelpText() { return std::string(text::kUsage) + text::kHelpAfterUsage; }
