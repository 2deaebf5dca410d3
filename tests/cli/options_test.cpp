#include "options.h"

#include <gtest/gtest.h>

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
        UsageCase{"OnlyOptions", {"--json"}, "no command given"},
        UsageCase{"UnknownCommand", {"frobnicate", "a.bmp"}, "unknown command 'frobnicate'"},
        UsageCase{"CommandIsCaseSensitive", {"INFO", "a.bmp"}, "unknown command 'INFO'"},
        UsageCase{"InfoWithoutFile", {"info", "--json"}, "info needs at least one FILE"},
        UsageCase{"HistogramWithoutFile", {"histogram"}, "histogram needs exactly one FILE"},
        UsageCase{"HistogramWithTwoFiles", {"histogram", "a.bmp", "b.bmp"},
                  "histogram needs exactly one FILE"},
        UsageCase{"CompareWithOneFile", {"compare", "a.bmp"},
                  "compare needs an ORIGINAL and at least one MANIPULATED file"},
        UsageCase{"UnknownLongOption", {"info", "a.bmp", "--csv"}, "unknown option '--csv'"},
        UsageCase{"UnknownShortOption", {"-j", "info", "a.bmp"}, "unknown option '-j'"},
        UsageCase{"JsonTakesNoValue", {"--json=yes", "info", "a.bmp"}, "unknown option '--json=yes'"},
        UsageCase{"FirstProblemIsReported", {"--bogus", "frobnicate"}, "unknown option '--bogus'"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST(HelpText, NamesEveryCommandOptionAndExitCode) {
    const std::string help = HelpText();
    for (const char* word : {"info FILE", "histogram FILE", "compare ORIGINAL MANIPULATED", "--json",
                             "--help", "--", "\"mse_text\"", "\"bits_per_pixel\"", "\"error\"",
                             "0 when", "1 when", "2 for"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

}  // namespace
