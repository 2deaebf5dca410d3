#include "options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    Command command;
    OutputFormat format;
    bool help;
    std::vector<std::string> files;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class ParseAccepts : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseAccepts, GivesCommandFormatAndFiles) {
    const ParseCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_FALSE(parsed.usageError) << *parsed.usageError;
    EXPECT_EQ(parsed.options.help, c.help);
    if (c.help) return;
    EXPECT_EQ(parsed.options.command, c.command);
    EXPECT_EQ(parsed.options.format, c.format);
    EXPECT_EQ(parsed.options.files, c.files);
}

const auto T = OutputFormat::Text;
const auto J = OutputFormat::Json;

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseAccepts,
    testing::Values(
        ParseCase{"InfoOneFile", {"info", "a.bmp"}, Command::Info, T, false, {"a.bmp"}},
        ParseCase{"InfoKeepsOrder", {"info", "b.bmp", "a.bmp", "b.bmp"}, Command::Info, T, false,
                  {"b.bmp", "a.bmp", "b.bmp"}},
        ParseCase{"JsonBeforeCommand", {"--json", "info", "a.bmp"}, Command::Info, J, false, {"a.bmp"}},
        ParseCase{"JsonAfterOperands", {"compare", "a.bmp", "b.bmp", "--json"}, Command::Compare, J,
                  false, {"a.bmp", "b.bmp"}},
        ParseCase{"JsonBetweenOperands", {"compare", "a.bmp", "--json", "b.bmp", "c.bmp"},
                  Command::Compare, J, false, {"a.bmp", "b.bmp", "c.bmp"}},
        ParseCase{"HistogramOneFile", {"histogram", "a.bmp"}, Command::Histogram, T, false, {"a.bmp"}},
        ParseCase{"DoubleDashMakesOptionsFiles", {"histogram", "--", "--json"}, Command::Histogram, T,
                  false, {"--json"}},
        ParseCase{"DoubleDashHelpIsAFile", {"info", "--", "--help", "-h"}, Command::Info, T, false,
                  {"--help", "-h"}},
        ParseCase{"DoubleDashBeforeCommand", {"--json", "--", "compare", "-a.bmp", "--"},
                  Command::Compare, J, false, {"-a.bmp", "--"}},
        ParseCase{"LoneDashIsAFile", {"info", "-"}, Command::Info, T, false, {"-"}},
        ParseCase{"Help", {"--help"}, Command::None, T, true, {}},
        ParseCase{"ShortHelpAfterCommand", {"compare", "-h"}, Command::None, T, true, {}},
        ParseCase{"HelpWinsOverUsageErrors", {"frobnicate", "--bogus", "--help"}, Command::None, T,
                  true, {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class ParseRefuses : public testing::TestWithParam<UsageCase> {};

TEST_P(ParseRefuses, WithMessage) {
    const UsageCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_TRUE(parsed.usageError);
    EXPECT_EQ(*parsed.usageError, c.message);
    EXPECT_FALSE(parsed.options.help);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseRefuses,
    testing::Values(
        UsageCase{"Nothing", {}, "no command given"},
        UsageCase{"DiffWithOneFile", {"diff", "a.png", "-o", "d.png"}, "diff needs an ORIGINAL and a MANIPULATED file"},
        UsageCase{"DiffWithoutOutput", {"diff", "a.png", "b.png"}, "diff needs -o OUT.png"},
        UsageCase{"DiffOutputWithoutValue", {"diff", "a.png", "b.png", "-o"}, "option '-o' needs a value"},
        UsageCase{"DiffEmptyOutput", {"diff", "a.png", "b.png", "--output="}, "option '--output=' needs a value"},
        UsageCase{"DiffUnknownMode", {"diff", "a.png", "b.png", "-o", "d.png", "--mode", "xor"},
                  "invalid mode 'xor' (abs, heat, lsb or ssim)"},
        UsageCase{"DiffGainZero", {"diff", "a.png", "b.png", "-o", "d.png", "--gain", "0"},
                  "invalid gain '0' (a positive number)"},
        UsageCase{"DiffGainNegative", {"diff", "a.png", "b.png", "-o", "d.png", "--gain=-2"},
                  "invalid gain '-2' (a positive number)"},
        UsageCase{"DiffGainNotANumber", {"diff", "a.png", "b.png", "-o", "d.png", "--gain", "inf"},
                  "invalid gain 'inf' (a positive number)"},
        UsageCase{"DiffGainForLsb", {"diff", "a.png", "b.png", "-o", "d.png", "--mode=lsb", "--gain", "2"},
                  "--gain is only for the modes abs and heat"},
        UsageCase{"DiffPlaneForAbs", {"diff", "a.png", "b.png", "-o", "d.png", "--plane", "1"},
                  "--plane is only for the mode lsb"},
        UsageCase{"DiffPlaneTooHigh", {"diff", "a.png", "b.png", "-o", "d.png", "--mode=lsb", "--plane=16"},
                  "invalid bit plane '16' (0 to 15)"},
        UsageCase{"OutputForCompare", {"compare", "a.bmp", "b.bmp", "-o", "x.png"}, "-o is only for diff and report"},
        UsageCase{"ReportWithoutOutput", {"report", "a.bmp", "b.bmp"}, "report needs -o REPORT.html"},
        UsageCase{"ReportWithOneFile", {"report", "a.bmp", "-o", "r.html"},
                  "report needs an ORIGINAL (or COVERS folder) and MANIPULATED files"},
        UsageCase{"ReportAsJson", {"--json", "report", "a.bmp", "b.bmp", "-o", "r.html"},
                  "report writes HTML: --json and --csv do not apply"},
        UsageCase{"ModeForInfo", {"info", "a.bmp", "--mode", "heat"}, "--mode is only for diff"},
        UsageCase{"OnlyOptions", {"--json"}, "no command given"},
        UsageCase{"UnknownCommand", {"frobnicate", "a.bmp"}, "unknown command 'frobnicate'"},
        UsageCase{"CommandIsCaseSensitive", {"INFO", "a.bmp"}, "unknown command 'INFO'"},
        UsageCase{"InfoWithoutFile", {"info", "--json"}, "info needs at least one FILE"},
        UsageCase{"HistogramWithoutFile", {"histogram"}, "histogram needs exactly one FILE"},
        UsageCase{"HistogramWithTwoFiles", {"histogram", "a.bmp", "b.bmp"},
                  "histogram needs exactly one FILE"},
        UsageCase{"CompareWithOneFile", {"compare", "a.bmp"},
                  "compare needs an ORIGINAL and at least one MANIPULATED file"},
        UsageCase{"UnknownLongOption", {"info", "a.bmp", "--xml"}, "unknown option '--xml'"},
        UsageCase{"UnknownShortOption", {"-q", "info", "a.bmp"}, "unknown option '-q'"},
        UsageCase{"JobsLetterIsNotAValue", {"-json", "info", "a.bmp"}, "unknown option '-json'"},
        UsageCase{"CsvWithInfo", {"--csv", "info", "a.bmp"}, "--csv is only for compare, measure, detect and histogram"},
        UsageCase{"CsvWithTwoHistograms", {"histogram", "a.bmp", "b.bmp", "--csv", "--plot", "p.svg"},
                  "histogram --csv takes one FILE"},
        UsageCase{"TwoHistogramsWithoutPlot", {"histogram", "a.bmp", "b.bmp"}, "histogram needs exactly one FILE"},
        UsageCase{"PlotWithThreeFiles", {"histogram", "a.bmp", "b.bmp", "c.bmp", "--plot", "p.svg"},
                  "histogram --plot needs one FILE, or two to overlay"},
        UsageCase{"PlotOfAnotherKind", {"histogram", "a.bmp", "--plot", "p.pdf"},
                  "--plot needs a file name ending in .svg or .png, not 'p.pdf'"},
        UsageCase{"PlotForCompare", {"compare", "a.bmp", "b.bmp", "--plot=p.svg"}, "--plot is only for histogram"},
        UsageCase{"BinsWithoutCsvOrPlot", {"histogram", "a.bmp", "--bins", "16"},
                  "--bins is only for histogram --csv or --plot"},
        UsageCase{"BinsZero", {"--csv", "histogram", "a.bmp", "--bins=0"}, "invalid number of bins '0' (1 to 65536)"},
        UsageCase{"BinsTooMany", {"--csv", "histogram", "a.bmp", "--bins=65537"},
                  "invalid number of bins '65537' (1 to 65536)"},
        UsageCase{"SsimWithInfo", {"--ssim", "info", "a.bmp"}, "--ssim is only for compare"},
        UsageCase{"SsimWithHistogram", {"histogram", "a.bmp", "--ssim"}, "--ssim is only for compare"},
        UsageCase{"JsonAndCsv", {"compare", "a.bmp", "b.bmp", "--csv", "--json"},
                  "--json and --csv cannot be used together"},
        UsageCase{"JobsWithoutValue", {"compare", "a.bmp", "b.bmp", "-j"}, "option '-j' needs a number"},
        UsageCase{"LongJobsWithoutValue", {"compare", "a.bmp", "b.bmp", "--jobs"},
                  "option '--jobs' needs a number"},
        UsageCase{"JobsZero", {"compare", "-j", "0", "a.bmp", "b.bmp"}, "invalid number of jobs '0' (1 to 1024)"},
        UsageCase{"JobsTooMany", {"compare", "--jobs=1025", "a.bmp", "b.bmp"},
                  "invalid number of jobs '1025' (1 to 1024)"},
        UsageCase{"JobsNotANumber", {"compare", "-j", "a.bmp", "b.bmp", "c.bmp"},
                  "invalid number of jobs 'a.bmp' (1 to 1024)"},
        UsageCase{"JobsSigned", {"compare", "-j+2", "a.bmp", "b.bmp"}, "unknown option '-j+2'"},
        UsageCase{"JobsTrailingText", {"compare", "-j2x", "a.bmp", "b.bmp"}, "invalid number of jobs '2x' (1 to 1024)"},
        UsageCase{"JobsEmptyLongValue", {"compare", "--jobs=", "a.bmp", "b.bmp"},
                  "invalid number of jobs '' (1 to 1024)"},
        UsageCase{"JsonTakesNoValue", {"--json=yes", "info", "a.bmp"}, "unknown option '--json=yes'"},
        UsageCase{"FirstProblemIsReported", {"--bogus", "frobnicate"}, "unknown option '--bogus'"},
        UsageCase{"ShardWithoutValue", {"compare", "a.bmp", "b.bmp", "--shard"}, "option '--shard' needs K/N"},
        UsageCase{"ShardZero", {"compare", "--shard", "0/4", "a.bmp", "b.bmp"},
                  "invalid shard '0/4' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardBeyondCount", {"compare", "--shard=5/4", "a.bmp", "b.bmp"},
                  "invalid shard '5/4' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardNoSlash", {"compare", "--shard", "3", "a.bmp", "b.bmp"},
                  "invalid shard '3' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardEmptyHalves", {"compare", "--shard=/", "a.bmp", "b.bmp"},
                  "invalid shard '/' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardSigned", {"compare", "--shard=+1/2", "a.bmp", "b.bmp"},
                  "invalid shard '+1/2' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardTwoSlashes", {"compare", "--shard=1/2/3", "a.bmp", "b.bmp"},
                  "invalid shard '1/2/3' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardTooManyShares", {"compare", "--shard=1/1000001", "a.bmp", "b.bmp"},
                  "invalid shard '1/1000001' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardHugeNumber", {"compare", "--shard=1/99999999999", "a.bmp", "b.bmp"},
                  "invalid shard '1/99999999999' (K/N with 1 <= K <= N <= 1000000)"},
        UsageCase{"ShardWithInfo", {"info", "a.bmp", "--shard=1/2"}, "--shard is only for compare, measure and detect"},
        UsageCase{"SummaryWithHistogram", {"--summary", "histogram", "a.bmp"}, "--summary is only for compare, measure and detect"},
        UsageCase{"SummaryFileEmpty", {"compare", "--summary=", "a.bmp", "b.bmp"},
                  "option '--summary=' needs a file name"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

struct CompareOptionsCase {
    const char* name;
    std::vector<std::string> args;
    OutputFormat format;
    unsigned jobs;
    ProgressMode progress;
    std::vector<std::string> files;
};

void PrintTo(const CompareOptionsCase& c, std::ostream* os) { *os << c.name; }

class CompareOptions : public testing::TestWithParam<CompareOptionsCase> {};

TEST_P(CompareOptions, Parsed) {
    const CompareOptionsCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_FALSE(parsed.usageError) << *parsed.usageError;
    EXPECT_EQ(parsed.options.command, Command::Compare);
    EXPECT_EQ(parsed.options.format, c.format);
    EXPECT_EQ(parsed.options.jobs, c.jobs);
    EXPECT_EQ(parsed.options.progress, c.progress);
    EXPECT_EQ(parsed.options.files, c.files);
}

const auto C = OutputFormat::Csv;
const auto Auto = ProgressMode::Auto;
const std::vector<std::string> kAB{"a.bmp", "b.bmp"};

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareOptions,
    testing::Values(
        CompareOptionsCase{"Defaults", {"compare", "a.bmp", "b.bmp"}, T, 0, Auto, kAB},
        CompareOptionsCase{"Csv", {"--csv", "compare", "a.bmp", "b.bmp"}, C, 0, Auto, kAB},
        CompareOptionsCase{"JobsSeparateValue", {"compare", "-j", "3", "a.bmp", "b.bmp"}, T, 3, Auto, kAB},
        CompareOptionsCase{"JobsAttachedValue", {"compare", "a.bmp", "-j12", "b.bmp"}, T, 12, Auto, kAB},
        CompareOptionsCase{"LongJobs", {"compare", "a.bmp", "b.bmp", "--jobs", "1"}, T, 1, Auto, kAB},
        CompareOptionsCase{"LongJobsEquals", {"--jobs=1024", "compare", "a.bmp", "b.bmp"}, T, 1024, Auto, kAB},
        CompareOptionsCase{"LastJobsWins", {"-j", "2", "compare", "a.bmp", "b.bmp", "-j", "5"}, T, 5, Auto, kAB},
        CompareOptionsCase{"JobsValueLooksLikeAFileName", {"compare", "-j", "007", "a.bmp", "b.bmp"}, T, 7, Auto,
                           kAB},
        CompareOptionsCase{"Progress", {"compare", "--progress", "a.bmp", "b.bmp"}, T, 0, ProgressMode::On, kAB},
        CompareOptionsCase{"LastProgressWins", {"--progress", "compare", "a.bmp", "b.bmp", "--no-progress"}, T, 0,
                           ProgressMode::Off, kAB},
        CompareOptionsCase{"JobsAfterDoubleDashIsAFile", {"compare", "a.bmp", "--", "-j", "2"}, T, 0, Auto,
                           {"a.bmp", "-j", "2"}},
        CompareOptionsCase{"CsvAndJsonNamesAfterDoubleDash", {"--csv", "compare", "--", "--json", "b.bmp"}, C, 0,
                           Auto, {"--json", "b.bmp"}}),
    [](const testing::TestParamInfo<CompareOptionsCase>& info) { return std::string(info.param.name); });

struct StudyOptionsCase {
    const char* name;
    std::vector<std::string> args;
    std::optional<Shard> shard;
    bool summary;
    std::string summaryFile;
    bool ssim = false;
};

void PrintTo(const StudyOptionsCase& c, std::ostream* os) { *os << c.name; }

class StudyOptions : public testing::TestWithParam<StudyOptionsCase> {};

TEST_P(StudyOptions, Parsed) {
    const StudyOptionsCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_FALSE(parsed.usageError) << *parsed.usageError;
    EXPECT_EQ(parsed.options.files, kAB);
    ASSERT_EQ(parsed.options.shard.has_value(), c.shard.has_value());
    if (c.shard) {
        EXPECT_EQ(parsed.options.shard->index, c.shard->index);
        EXPECT_EQ(parsed.options.shard->count, c.shard->count);
    }
    EXPECT_EQ(parsed.options.summary, c.summary);
    EXPECT_EQ(parsed.options.summaryFile, c.summaryFile);
    EXPECT_EQ(parsed.options.ssim, c.ssim);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StudyOptions,
    testing::Values(
        StudyOptionsCase{"Neither", {"compare", "a.bmp", "b.bmp"}, std::nullopt, false, ""},
        StudyOptionsCase{"ShardSeparateValue", {"compare", "--shard", "2/8", "a.bmp", "b.bmp"}, Shard{2, 8}, false, ""},
        StudyOptionsCase{"ShardEquals", {"--shard=8/8", "compare", "a.bmp", "b.bmp"}, Shard{8, 8}, false, ""},
        StudyOptionsCase{"OneShare", {"compare", "a.bmp", "b.bmp", "--shard=1/1"}, Shard{1, 1}, false, ""},
        StudyOptionsCase{"LeadingZeros", {"compare", "--shard=01/0003", "a.bmp", "b.bmp"}, Shard{1, 3}, false, ""},
        StudyOptionsCase{"MostShares", {"compare", "--shard=1000000/1000000", "a.bmp", "b.bmp"},
                         Shard{1000000, 1000000}, false, ""},
        StudyOptionsCase{"LastShardWins", {"compare", "--shard=1/2", "a.bmp", "b.bmp", "--shard", "3/4"},
                         Shard{3, 4}, false, ""},
        StudyOptionsCase{"Summary", {"compare", "--summary", "a.bmp", "b.bmp"}, std::nullopt, true, ""},
        StudyOptionsCase{"SummaryFile", {"compare", "a.bmp", "--summary=out/s.csv", "b.bmp"}, std::nullopt, true,
                         "out/s.csv"},
        StudyOptionsCase{"Ssim", {"compare", "a.bmp", "--ssim", "b.bmp"}, std::nullopt, false, "", true}),
    [](const testing::TestParamInfo<StudyOptionsCase>& info) { return std::string(info.param.name); });

// The facts the help must keep, found in the short help and the commands'
// help together (words wrapped across lines count as one).
TEST(HelpText, NamesEveryCommandOptionAndExitCode) {
    std::string help = HelpText(Options{});
    for (const char* command : {"info", "histogram", "compare", "diff", "report", "help"}) {
        Options options;
        options.helpTopic = command;
        help += HelpText(options);
    }
    std::string words;
    for (char c : help) {
        if (c == '\n' || c == ' ') {
            if (!words.empty() && words.back() != ' ') words += ' ';
        } else {
            words += c;
        }
    }
    for (const char* word : {"info FILE", "histogram FILE", "compare ORIGINAL MANIPULATED", "--json",
                             "--csv", "-j N, --jobs N", "--progress", "--no-progress", "folder",
                             "original,manipulated,mse,psnr,mse_text,psnr_text,error", "RFC 4180",
                             "full stop", "--help", "--version", "--", "\"mse_text\"", "\"error\"",
                             "0 when", "1 when", "2 for", "130 when", "COVERS",
                             "--shard K/N", "--summary[=FILE]", "sample standard deviation", "\"summary\"",
                             "pairs,failed,identical,metric", "No partner", "--ssim", "cropped by 5",
                             "below 11 x 11", "3 x the MSE", "4.7712 dB", "mse_unavailable"}) {
        EXPECT_NE(words.find(word), std::string::npos) << word;
    }
}

}  // namespace
