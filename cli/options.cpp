#include "options.h"

#include <string_view>

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

// A decimal number of 1 to 7 digits without sign.
std::optional<unsigned> SmallNumber(std::string_view text) {
    if (text.empty() || text.size() > 7) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

// A --shard value K/N with 1 <= K <= N <= kMaxShards.
std::optional<Shard> ShardNamed(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const auto index = SmallNumber(std::string_view(text).substr(0, slash));
    const auto count = SmallNumber(std::string_view(text).substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count || *count > kMaxShards) return std::nullopt;
    return Shard{*index, *count};
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
            } else if (arg == "--shard") {
                if (i + 1 == args.size()) {
                    fail(text::NeedsShard(arg));
                } else if (const auto shard = ShardNamed(args[++i])) {
                    options.shard = *shard;
                } else {
                    fail(text::BadShard(args[i]));
                }
            } else if (arg.starts_with("--shard=")) {
                const std::string value = arg.substr(8);
                if (const auto shard = ShardNamed(value)) options.shard = *shard;
                else fail(text::BadShard(value));
            } else if (arg == "--ssim") {
                options.ssim = true;
            } else if (arg == "--summary") {
                options.summary = true;
            } else if (arg.starts_with("--summary=")) {
                options.summary = true;
                options.summaryFile = arg.substr(10);
                if (options.summaryFile.empty()) fail(text::kSummaryNeedsFile);
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
    const bool otherCommand = commandSeen && options.command != Command::Compare && options.command != Command::None;
    if (options.shard && otherCommand) fail(text::kShardOnlyForCompare);
    if (options.summary && otherCommand) fail(text::kSummaryOnlyForCompare);
    if (options.ssim && otherCommand) fail(text::kSsimOnlyForCompare);

    if (options.help) {
        result.usageError.reset();
    } else if (!result.usageError) {
        result.usageError = CheckOperandCount(options);
    }
    return result;
}

std::string UsageText() { return text::kUsage; }

std::string HelpText() { return std::string(text::kUsage) + text::kHelpAfterUsage; }
