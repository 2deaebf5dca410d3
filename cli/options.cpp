#include "options.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <string_view>

#include "difference_maps.h"
#include "texts.h"

namespace {

std::optional<Command> CommandNamed(const std::string& name) {
    if (name == "info") return Command::Info;
    if (name == "histogram") return Command::Histogram;
    if (name == "compare") return Command::Compare;
    if (name == "diff") return Command::Diff;
    if (name == "report") return Command::Report;
    if (name == "measure") return Command::Measure;
    if (name == "detect") return Command::Detect;
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
        if (count == 2 && !options.plot.empty()) {
            if (options.format == OutputFormat::Csv) return text::kCsvTakesOneFile;
            break;
        }
        if (count != 1) return options.plot.empty() ? text::kHistogramNeedsFile : text::kPlotNeedsOneOrTwo;
        break;
    case Command::Compare:
        if (count < 2) return text::kCompareNeedsTwo;
        break;
    case Command::Diff:
        if (count != 2) return text::kDiffNeedsTwo;
        if (options.output.empty()) return text::kDiffNeedsOutput;
        break;
    case Command::Report:
        if (count < 2) return text::kReportNeedsTwo;
        if (options.output.empty()) return text::kReportNeedsOutput;
        break;
    case Command::Measure:
        if (!options.pairsFile.empty()) {
            if (count != 0) return text::kPairsTakeNoOperand;
        } else if (count < 2) {
            return text::kMeasureNeedsTwo;
        }
        break;
    case Command::Detect:
        if (!options.pairsFile.empty()) {
            if (count != 0) return text::kDetectPairsTakeNoOperand;
        } else if (count < 1) {
            return text::kDetectNeedsFile;
        }
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

// A --gain value: a positive finite decimal number.
std::optional<double> Gain(const std::string& text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    for (char c : text)
        if ((c < '0' || c > '9') && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !(value > 0) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A --bins value: 1 to 65536 (what a file allows is checked against it).
std::optional<uint32_t> Bins(const std::string& text) {
    const auto value = SmallNumber(text);
    if (!value || *value < 1 || *value > 65536) return std::nullopt;
    return *value;
}

// A --plane value: 0 to 15.
std::optional<int> Plane(const std::string& text) {
    const auto value = SmallNumber(text);
    if (!value || text.size() > 2 || *value > 15) return std::nullopt;
    return static_cast<int>(*value);
}

std::string BadJobCount(const std::string& value) {
    return text::BadJobCount(value, kMaxJobs);
}

std::string CommandName(Command command) {
    for (const char* name : {"info", "histogram", "compare", "diff", "report", "measure", "detect"})
        if (CommandNamed(name) == command) return name;
    return "";
}

// "citra help [COMMAND]": the help asked for, whatever the options say;
// an operand that names no command is a usage error.
void HelpCommand(ParsedArguments& parsed) {
    Options& options = parsed.options;
    parsed.usageError.reset();
    options.help = true;
    options.command = Command::None;
    if (options.files.size() > 1) {
        parsed.usageError = text::kHelpTakesOneCommand;
    } else if (options.files.size() == 1) {
        const std::string& name = options.files.front();
        if (CommandNamed(name) || name == text::kHelpCommand) options.helpTopic = name;
        else parsed.usageError = text::UnknownCommand(name);
    }
    if (parsed.usageError) options.help = false;
    options.files.clear();
}

}  // namespace

ParsedArguments ParseArguments(std::span<const std::string> args) {
    ParsedArguments result;
    Options& options = result.options;
    bool operandsOnly = false;
    bool commandSeen = false;
    bool jsonSeen = false;
    bool csvSeen = false;
    bool helpCommand = false;  // "help [COMMAND]"
    const auto fail = [&](std::string message) {
        if (!result.usageError) result.usageError = std::move(message);
    };

    // An option that takes a value, given as "NAME VALUE" or "--NAME=VALUE":
    // nullopt when `arg` is none of `names`; a null inner value when the
    // value is missing.
    const auto ValueOf = [&](const std::string& arg, size_t& i, std::initializer_list<const char*> names)
        -> std::optional<std::optional<std::string>> {
        for (const char* name : names) {
            const std::string_view n(name);
            if (arg == n) {
                if (i + 1 == args.size()) return std::optional<std::string>();
                return std::optional<std::string>(args[++i]);
            }
            if (n.starts_with("--") && arg.size() > n.size() && arg.starts_with(n) && arg[n.size()] == '=')
                return std::optional<std::string>(arg.substr(n.size() + 1));
        }
        return std::nullopt;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = !operandsOnly && arg.size() > 1 && arg[0] == '-';
        if (isOption) {
            if (arg == "--") {
                operandsOnly = true;
            } else if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--version") {
                options.version = true;
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
            } else if (const auto value = ValueOf(arg, i, {"-o", "--output"})) {
                if (!*value) fail(text::NeedsValue(arg));
                else if ((**value).empty()) fail(text::NeedsValue(arg));
                else options.output = **value;
            } else if (const auto value = ValueOf(arg, i, {"--mode"})) {
                if (!*value || (**value).empty()) fail(text::NeedsValue(arg));
                else if (!DiffModeFromName(**value)) fail(text::BadMode(**value));
                else options.mode = **value;
            } else if (const auto value = ValueOf(arg, i, {"--gain"})) {
                if (!*value) fail(text::NeedsNumber(arg));
                else if (const auto gain = Gain(**value)) options.gain = *gain;
                else fail(text::BadGain(**value));
            } else if (const auto value = ValueOf(arg, i, {"--plane"})) {
                if (!*value) fail(text::NeedsNumber(arg));
                else if (const auto plane = Plane(**value)) options.plane = *plane;
                else fail(text::BadPlane(**value));
            } else if (const auto value = ValueOf(arg, i, {"--plot"})) {
                if (!*value || (**value).empty()) fail(text::NeedsValue(arg));
                else if (!text::IsPlotFile(**value)) fail(text::BadPlotFile(**value));
                else options.plot = **value;
            } else if (const auto value = ValueOf(arg, i, {"--bins"})) {
                if (!*value) fail(text::NeedsNumber(arg));
                else if (const auto bins = Bins(**value)) options.bins = *bins;
                else fail(text::BadBins(**value));
            } else if (const auto value = ValueOf(arg, i, {"--pairs"})) {
                if (!*value || (**value).empty()) fail(text::NeedsValue(arg));
                else options.pairsFile = **value;
            } else if (arg == "--ssim") {
                options.ssim = true;
            } else if (arg == "--no-ssim") {
                options.noSsim = true;
            } else if (arg == "--detect") {
                options.detect = true;
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
            if (arg == text::kHelpCommand) {
                helpCommand = true;
            } else if (auto command = CommandNamed(arg)) {
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
    if (commandSeen && options.command == Command::Report && (jsonSeen || csvSeen)) fail(text::kReportIsHtml);
    if (csvSeen && commandSeen && options.command != Command::Compare && options.command != Command::Histogram &&
        options.command != Command::Measure && options.command != Command::Detect &&
        options.command != Command::None)
        fail(text::kCsvOnlyForCompareAndHistogram);
    const bool histogram = commandSeen && options.command == Command::Histogram;
    if (commandSeen && !histogram && options.command != Command::None) {
        if (!options.plot.empty()) fail(text::OnlyForHistogram("--plot"));
        if (options.bins) fail(text::OnlyForHistogram("--bins"));
    }
    if (histogram && options.bins && options.plot.empty() && !csvSeen) fail(text::kBinsNeedCsvOrPlot);
    // --shard and --summary: the batch commands compare, measure and detect.
    const bool otherCommand = commandSeen && options.command != Command::Compare &&
                              options.command != Command::Measure && options.command != Command::Detect &&
                              options.command != Command::None;
    if (options.shard && otherCommand) fail(text::kShardOnlyForCompare);
    if (options.summary && otherCommand) fail(text::kSummaryOnlyForCompare);
    const auto notFor = [&](Command command) {
        return commandSeen && options.command != command && options.command != Command::None;
    };
    if (options.ssim && notFor(Command::Compare)) fail(text::kSsimOnlyForCompare);
    if (options.noSsim && notFor(Command::Measure)) fail(text::kNoSsimOnlyForMeasure);
    if (options.detect && notFor(Command::Measure) && notFor(Command::Report)) fail(text::kDetectOnlyForMeasure);
    if (!options.pairsFile.empty() && notFor(Command::Measure) && notFor(Command::Detect))
        fail(text::kPairsOnlyForMeasure);
    const bool diff = commandSeen && options.command == Command::Diff;
    const bool report = commandSeen && options.command == Command::Report;
    if (commandSeen && !diff && !report && options.command != Command::None && !options.output.empty())
        fail(text::OnlyForDiffAndReport("-o"));
    if (commandSeen && !diff && options.command != Command::None) {
        if (options.gain) fail(text::OnlyForDiff("--gain"));
        if (options.plane) fail(text::OnlyForDiff("--plane"));
        if (options.mode != "abs") fail(text::OnlyForDiff("--mode"));
    }
    if (diff && options.gain && options.mode != "abs" && options.mode != "heat") fail(text::kGainOnlyForAbsHeat);
    if (diff && options.plane && options.mode != "lsb") fail(text::kPlaneOnlyForLsb);

    if (helpCommand) {
        HelpCommand(result);
    } else if (options.help || options.version) {
        result.usageError.reset();
        if (options.help && options.command != Command::None) options.helpTopic = CommandName(options.command);
    } else if (!result.usageError) {
        result.usageError = CheckOperandCount(options);
    }
    return result;
}
