// The help rendered from the one table: every command, option and example
// of the table reaches the texts it belongs in, and the parser routes
// "help", --help and --version.
#include "help.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "formats.h"
#include "options.h"
#include "run.h"

namespace {

// The text with every run of spaces and line breaks made one space.
std::string Words(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\n') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

bool Contains(const std::string& text, std::string_view part) {
    return Words(text).find(Words(std::string(part))) != std::string::npos;
}

std::string CommandHelpOf(std::string_view name) {
    Options options;
    options.helpTopic = name;
    return HelpText(options);
}

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(ShortHelp, ListsEveryCommandAndCommonOptionInAboutSixtyLines) {
    const std::string text = HelpText(Options{});
    EXPECT_LE(LineCount(text), 60u) << text;
    EXPECT_EQ(text.rfind(UsageText(), 0), 0u) << "starts with the synopsis";
    for (const help::CommandHelp& command : help::Commands()) {
        EXPECT_TRUE(Contains(text, "  " + std::string(command.name) + " ")) << command.name;
        EXPECT_TRUE(Contains(text, command.summary)) << command.name;
    }
    for (const help::OptionHelp& option : help::Options()) {
        EXPECT_EQ(Contains(text, std::string(option.flags) + " " + std::string(option.summary)), option.common)
            << option.flags;
    }
}

TEST(ShortHelp, ListsTheFormatTablesExtensions) {
    EXPECT_TRUE(Contains(HelpText(Options{}), ImageExtensionList()));
    EXPECT_TRUE(Contains(help::Expand("a {extensions} b {extensions}"), "a " + ImageExtensionList() + " b " +
                                                                             ImageExtensionList()));
}

TEST(Usage, IsEveryFormOfEveryCommand) {
    const std::string usage = UsageText();
    EXPECT_EQ(usage.rfind("usage: citra ", 0), 0u);
    for (const help::CommandHelp& command : help::Commands())
        for (std::string_view form : command.forms) EXPECT_TRUE(Contains(usage, "citra " + std::string(form))) << form;
    for (std::string_view line : {std::string_view(usage)}) EXPECT_EQ(line.back(), '\n');
}

class CommandHelp : public testing::TestWithParam<std::string> {};

TEST_P(CommandHelp, HoldsItsFormsOptionsAndExamplesOnly) {
    const help::CommandHelp* command = help::FindCommand(GetParam());
    ASSERT_NE(command, nullptr);
    const std::string text = CommandHelpOf(GetParam());
    EXPECT_EQ(text.rfind("usage: citra " + std::string(command->forms.front().substr(0, 10)), 0), 0u) << text;
    for (std::string_view form : command->forms) EXPECT_TRUE(Contains(text, "citra " + std::string(form))) << form;
    EXPECT_FALSE(command->examples.empty());
    for (const help::Example& example : command->examples) {
        EXPECT_EQ(example.line.rfind("citra ", 0), 0u) << example.line;
        EXPECT_NE(text.find("\n  " + std::string(example.line) + "\n"), std::string::npos) << example.line;
    }
    for (const help::OptionHelp& option : help::Options()) {
        const bool applies =
            std::find(option.commands.begin(), option.commands.end(), command->command) != option.commands.end();
        EXPECT_EQ(text.find("\n  " + std::string(option.flags) + " ") != std::string::npos ||
                      text.find("\n  " + std::string(option.flags) + "\n") != std::string::npos,
                  applies)
            << option.flags;
    }
    for (std::string_view topic : command->topics) EXPECT_NE(text.find("\n" + std::string(topic) + ":\n"), std::string::npos);
    EXPECT_NE(text.find("Exit status: "), std::string::npos);
    for (const std::string& line : [&] {
             std::vector<std::string> lines;
             std::istringstream in(text);
             for (std::string line; std::getline(in, line);) lines.push_back(line);
             return lines;
         }()) {
        // Filled text keeps to 79 columns; only blocks shown as written
        // (a JSON key list, a CSV header) may be longer.
        if (line.find('{') == std::string::npos && line.find(',') == line.rfind(',')) {
            EXPECT_LE(line.size(), 79u) << line;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandHelp,
                         testing::Values("info", "histogram", "compare", "measure", "detect", "diff", "report", "help"));

TEST(CommandHelp, EveryCommandOfTheParserHasOne) {
    for (Command command :
         {Command::Info, Command::Histogram, Command::Compare, Command::Measure, Command::Detect, Command::Diff,
          Command::Report}) {
        const auto found = std::find_if(help::Commands().begin(), help::Commands().end(),
                                        [&](const help::CommandHelp& entry) { return entry.command == command; });
        ASSERT_NE(found, help::Commands().end());
        const std::string argument(found->name);
        const std::vector<std::string> args{argument, "--help"};
        const ParsedArguments parsed = ParseArguments(args);
        EXPECT_EQ(parsed.options.helpTopic, found->name);
    }
}

TEST(ManualPage, HoldsEveryCommandOptionTopicAndExample) {
    const std::string page = help::ManualPage();
    const auto roff = [](std::string_view text) {
        std::string out;
        for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
        return out;
    };
    EXPECT_EQ(page.find(".TH CITRA 1 "), page.find('\n') + 1);
    EXPECT_NE(page.find("\"citra " + VersionText().substr(6, VersionText().find_first_of(" \n", 6) - 6) + "\""),
              std::string::npos);
    for (const help::CommandHelp& command : help::Commands()) {
        EXPECT_NE(page.find(".SS " + std::string(command.name) + "\n"), std::string::npos) << command.name;
        for (const help::Example& example : command.examples)
            EXPECT_NE(page.find("\\fB" + roff(example.line) + "\\fR"), std::string::npos) << example.line;
    }
    for (const help::OptionHelp& option : help::Options())
        EXPECT_NE(page.find(".TP\n\\fB" + roff(option.flags) + "\\fR\n"), std::string::npos) << option.flags;
    for (const help::Topic& topic : help::Topics())
        EXPECT_NE(page.find(".SH \"" + roff(topic.name) + "\"\n"), std::string::npos) << topic.name;
    EXPECT_NE(page.find(ImageExtensionList()), std::string::npos);
    // No text line starts with a control character by accident.
    std::istringstream in(page);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        const bool request = line[0] == '.';
        if (request) {
            EXPECT_TRUE(line.size() > 1 && (std::isupper(static_cast<unsigned char>(line[1])) || line[1] == '\\' ||
                                            std::islower(static_cast<unsigned char>(line[1]))))
                << line;
        }
        EXPECT_NE(line[0], '\'') << line;
    }
}

TEST(Version, IsTheProjectsAndTheRevision) {
    const std::string version = VersionText();
    EXPECT_EQ(version.rfind("citra ", 0), 0u);
    EXPECT_EQ(version.back(), '\n');
    const size_t revision = version.find(" (git ");
    if (revision != std::string::npos) {
        EXPECT_EQ(version.substr(version.size() - 2), ")\n");
    }
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(version[6]))) << version;
}

struct HelpParseCase {
    const char* name;
    std::vector<std::string> args;
    bool help;
    bool version;
    std::string topic;
    std::optional<std::string> error;
};

void PrintTo(const HelpParseCase& c, std::ostream* os) { *os << c.name; }

class HelpParse : public testing::TestWithParam<HelpParseCase> {};

TEST_P(HelpParse, RoutesHelpAndVersion) {
    const HelpParseCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    EXPECT_EQ(parsed.usageError, c.error);
    EXPECT_EQ(parsed.options.help, c.help);
    EXPECT_EQ(parsed.options.version, c.version);
    EXPECT_EQ(parsed.options.helpTopic, c.topic);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HelpParse,
    testing::Values(
        HelpParseCase{"HelpCommand", {"help"}, true, false, "", std::nullopt},
        HelpParseCase{"HelpOfCompare", {"help", "compare"}, true, false, "compare", std::nullopt},
        HelpParseCase{"HelpOfHelp", {"help", "help"}, true, false, "help", std::nullopt},
        HelpParseCase{"HelpWithOptions", {"--json", "help", "diff", "--bogus"}, true, false, "diff", std::nullopt},
        HelpParseCase{"CommandThenHelp", {"report", "a", "b", "--help"}, true, false, "report", std::nullopt},
        HelpParseCase{"HelpThenCommand", {"-h", "histogram"}, true, false, "histogram", std::nullopt},
        HelpParseCase{"UnknownCommandHelp", {"frobnicate", "--help"}, true, false, "", std::nullopt},
        HelpParseCase{"HelpOfNothingKnown", {"help", "frobnicate"}, false, false, "", "unknown command 'frobnicate'"},
        HelpParseCase{"HelpOfTwo", {"help", "info", "diff"}, false, false, "", "help takes at most one COMMAND"},
        HelpParseCase{"Version", {"--version"}, false, true, "", std::nullopt},
        HelpParseCase{"VersionWinsOverUsageErrors", {"compare", "--bogus", "--version"}, false, true, "",
                      std::nullopt},
        HelpParseCase{"VersionAfterDoubleDashIsAFile", {"info", "--", "--version"}, false, false, "", std::nullopt}),
    [](const testing::TestParamInfo<HelpParseCase>& info) { return std::string(info.param.name); });

// What RunCitra writes for help, version and a help usage error.
struct RunCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string (*out)();  // computed when the test runs
    std::string (*errStart)();
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

std::string Nothing() { return ""; }

class HelpRun : public testing::TestWithParam<RunCase> {};

TEST_P(HelpRun, WritesTheTextAndStatus) {
    const RunCase& c = GetParam();
    std::ostringstream out, err;
    EXPECT_EQ(RunCitra(c.args, out, err, {false, false}), c.exitCode);
    EXPECT_EQ(out.str(), c.out());
    EXPECT_EQ(err.str(), c.errStart());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HelpRun,
    testing::Values(RunCase{"Short", {"--help"}, 0, [] { return HelpText(Options{}); }, Nothing},
                    RunCase{"HelpWord", {"help"}, 0, [] { return HelpText(Options{}); }, Nothing},
                    RunCase{"CompareBothWays", {"compare", "--help"}, 0, [] { return CommandHelpOf("compare"); }, Nothing},
                    RunCase{"HelpCompare", {"help", "compare"}, 0, [] { return CommandHelpOf("compare"); }, Nothing},
                    RunCase{"Version", {"--version", "info"}, 0, VersionText, Nothing},
                    RunCase{"HelpOfUnknown", {"help", "xyz"}, 2, Nothing,
                            [] {
                                return "citra: unknown command 'xyz'\n" + UsageText() +
                                       "Try 'citra --help' for more information.\n";
                            }}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

}  // namespace
