#include "help.h"

#include <algorithm>
#include <vector>

#include "citra_version.h"
#include "formats.h"
#include "options.h"

namespace help {

namespace {

constexpr size_t kWidth = 79;
constexpr size_t kOptionColumn = 22;  // where an option's text starts
constexpr size_t kCommandColumn = 13;  // where a command's summary starts
constexpr std::string_view kUsagePrefix = "usage: citra ";
constexpr std::string_view kSynopsisPrefix = "       citra ";
constexpr std::string_view kExamplesHeading = "Examples:";

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + separator.size();
    }
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::string_view word : Split(text, " "))
        for (std::string_view part : Split(word, "\n"))
            if (!part.empty()) words.push_back(part);
    return words;
}

// A paragraph of lines that all start with two spaces: shown as written.
bool IsVerbatim(std::string_view paragraph) {
    for (std::string_view line : Split(paragraph, "\n"))
        if (!line.starts_with("  ")) return false;
    return true;
}

bool IsListItem(std::string_view paragraph) { return paragraph.starts_with("- "); }

// Words filled into lines of `width` columns: the first line starts after
// `first` (already written), the others after `indent` spaces.
std::string FillWords(const std::vector<std::string_view>& words, size_t firstColumn, size_t indent,
                      size_t width) {
    std::string out;
    size_t column = firstColumn;
    bool lineEmpty = true;
    for (std::string_view word : words) {
        if (!lineEmpty && column + 1 + word.size() > width) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineEmpty = false;
    }
    return out + '\n';
}

// The words of a synopsis, a bracketed group ("[--mode abs|heat]") kept
// as one.
std::vector<std::string_view> SynopsisWords(std::string_view form) {
    std::vector<std::string_view> words;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i <= form.size(); ++i) {
        const char c = i < form.size() ? form[i] : ' ';
        if (c == '[') ++depth;
        if (c == ']') --depth;
        if (c != ' ' || depth > 0) continue;
        if (i > start) words.push_back(form.substr(start, i - start));
        start = i + 1;
    }
    return words;
}

// A synopsis line: "citra " and the form, continued under the form.
std::string SynopsisLine(std::string_view prefix, std::string_view form) {
    return std::string(prefix) + FillWords(SynopsisWords(form), prefix.size(), prefix.size(), kWidth);
}

// "- text" as a list item under `indent`, continued two columns further in.
std::string ListItem(std::string_view paragraph, size_t indent) {
    return std::string(indent, ' ') + "- " + FillWords(Words(paragraph.substr(2)), indent + 2, indent + 2, kWidth);
}

// A term and its text in two columns; the text on the next line when the
// term does not leave it room.
std::string TwoColumns(std::string_view term, std::string_view text, size_t indent, size_t column) {
    std::string out(indent, ' ');
    out += term;
    if (text.empty()) return out + '\n';
    const std::string body = Fill(text, column);
    if (indent + term.size() + 2 > column) return out + '\n' + body;
    return out + body.substr(indent + term.size());
}

std::string ExampleSays(const Example& example) {
    std::string says(example.says);
    if (example.exitStatus != 0) says += " (exit status " + std::to_string(example.exitStatus) + ")";
    return says;
}

bool Applies(const OptionHelp& option, Command command) {
    return std::find(option.commands.begin(), option.commands.end(), command) != option.commands.end();
}

const Topic* FindTopic(std::string_view name) {
    for (const Topic& topic : Topics())
        if (topic.name == name) return &topic;
    return nullptr;
}

std::string CommonOptions() {
    std::string out = "Common options:\n";
    for (const OptionHelp& option : Options())
        if (option.common) out += TwoColumns(option.flags, option.summary, 2, kOptionColumn);
    return out;
}

std::string ExitStatusLine() { return FillWords(Words("Exit status: " + std::string(ExitStatus())), 0, 0, kWidth); }

// roff: a text escaped for the man macros (backslashes, minus signs, and a
// control character at the start of a line).
std::string Roff(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
        lineStart = c == '\n';
    }
    return out;
}

std::string RoffBold(std::string_view text) { return "\\fB" + Roff(text) + "\\fR"; }

// The paragraphs of a text as roff: filled paragraphs, list items and
// blocks shown as written. Inside an item (.TP) the paragraphs keep its
// indentation.
std::string RoffParagraphs(std::string_view text, bool inItem = false) {
    std::string out;
    const std::string expanded = Expand(text);
    bool first = true;
    for (std::string_view paragraph : Split(expanded, "\n\n")) {
        const std::string start = inItem ? (first ? "" : ".IP\n") : ".PP\n";
        first = false;
        if (IsVerbatim(paragraph)) {
            out += start + ".nf\n";
            for (std::string_view line : Split(paragraph, "\n")) out += Roff(line) + "\n";
            out += ".fi\n";
        } else if (IsListItem(paragraph)) {
            out += ".IP \\(bu 2\n" + Roff(paragraph.substr(2)) + "\n";
        } else {
            out += start + Roff(paragraph) + "\n";
        }
    }
    return out;
}

// Synopsis lines, each continued under its operands when it is too long.
std::string RoffSynopsis(const std::vector<std::string_view>& forms) {
    std::string out = ".PP\n.ad l\n.in +6n\n";
    for (std::string_view form : forms) {
        out += ".ti -6n\n" + RoffBold("citra");
        for (std::string_view word : SynopsisWords(form)) {
            std::string unbroken = Roff(word);
            for (size_t at = unbroken.find(' '); at != std::string::npos; at = unbroken.find(' ', at + 2))
                unbroken.replace(at, 1, "\\ ");
            out += " " + unbroken;
        }
        out += "\n.br\n";
    }
    return out + ".in\n.ad\n";
}

std::string Capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

}  // namespace

std::string Expand(std::string_view text) {
    static constexpr std::string_view kExtensions = "{extensions}";
    std::string out(text);
    for (size_t at = out.find(kExtensions); at != std::string::npos; at = out.find(kExtensions, at))
        out.replace(at, kExtensions.size(), ImageExtensionList());
    return out;
}

std::string Fill(std::string_view text, size_t indent, size_t width) {
    std::string out;
    const std::string expanded = Expand(text);
    for (std::string_view paragraph : Split(expanded, "\n\n")) {
        if (!out.empty()) out += '\n';
        if (IsVerbatim(paragraph)) {
            for (std::string_view line : Split(paragraph, "\n")) out += std::string(indent, ' ') + std::string(line) + '\n';
        } else if (IsListItem(paragraph)) {
            out += ListItem(paragraph, indent);
        } else {
            out += std::string(indent, ' ') + FillWords(Words(paragraph), indent, indent, width);
        }
    }
    return out;
}

const CommandHelp* FindCommand(std::string_view name) {
    for (const CommandHelp& command : Commands())
        if (command.name == name) return &command;
    return nullptr;
}

std::string ShortHelp() {
    std::string out = UsageText() + "\n";
    out += Fill("citra: " + std::string(Tagline()) + ". " + std::string(Description()), 0) + "\n";
    out += "Commands:\n";
    for (const CommandHelp& command : Commands())
        out += TwoColumns(command.name, command.summary, 2, kCommandColumn);
    out += "\n" + CommonOptions() + "\n";
    out += ExitStatusLine() + "\n";
    out += Fill("'citra help COMMAND' or 'citra COMMAND --help' tells a command's forms, options and examples; "
                "'man citra' tells everything.",
                0);
    return out;
}

std::string CommandHelpText(const CommandHelp& command) {
    std::string out;
    for (size_t i = 0; i < command.forms.size(); ++i)
        out += SynopsisLine(i == 0 ? kUsagePrefix : kSynopsisPrefix, command.forms[i]);
    out += "\n" + Fill("citra " + std::string(command.name) + ": " + std::string(command.summary) + ".", 0);
    out += "\n" + Fill(command.description, 0);
    std::string options;
    for (const OptionHelp& option : Options())
        if (Applies(option, command.command))
            options += TwoColumns(option.flags, option.description.empty() ? option.summary : option.description, 2,
                                  kOptionColumn);
    if (!options.empty()) out += "\nOptions:\n" + options;
    for (std::string_view name : command.topics) {
        if (const Topic* topic = FindTopic(name)) {
            out += '\n';
            out += topic->name;
            out += ":\n";
            out += Fill(topic->text, 2);
        }
    }
    if (!command.examples.empty()) {
        out += '\n';
        out += kExamplesHeading;
        out += '\n';
        for (const Example& example : command.examples)
            out += "  " + std::string(example.line) + "\n" + Fill(ExampleSays(example), 6);
    }
    out += "\n" + ExitStatusLine();
    return out;
}

std::string ManualPage() {
    std::string out = ".\\\" citra(1), generated from the help table of the citra tool (cli/help_table.cpp).\n";
    out += ".TH CITRA 1 \"\" \"" + Roff("citra " CITRA_VERSION) + "\" \"User Commands\"\n";
    out += ".nh\n";  // no hyphenation: option and key names stay whole
    out += ".SH NAME\ncitra \\- " + Roff(Tagline()) + "\n";
    std::vector<std::string_view> forms;
    for (const CommandHelp& command : Commands()) forms.insert(forms.end(), command.forms.begin(), command.forms.end());
    out += ".SH SYNOPSIS\n" + RoffSynopsis(forms);
    out += ".SH DESCRIPTION\n" + RoffParagraphs(Description());
    out += ".SH COMMANDS\n";
    for (const CommandHelp& command : Commands()) {
        out += ".SS " + Roff(command.name) + "\n" + RoffSynopsis(command.forms);
        out += RoffParagraphs(Capitalised(command.summary) + ".\n\n" + std::string(command.description));
    }
    out += ".SH OPTIONS\n";
    for (const OptionHelp& option : Options())
        out += ".TP\n" + RoffBold(option.flags) + "\n" +
               RoffParagraphs(option.description.empty() ? Capitalised(option.summary) + "." : option.description, true);
    for (const Topic& topic : Topics()) out += ".SH \"" + Roff(topic.name) + "\"\n" + RoffParagraphs(topic.text);
    out += ".SH EXAMPLES\n";
    for (const CommandHelp& command : Commands())
        for (const Example& example : command.examples)
            out += ".TP\n" + RoffBold(example.line) + "\n" + Roff(Capitalised(ExampleSays(example))) + ".\n";
    out += ".SH \"EXIT STATUS\"\n" + RoffParagraphs(ExitStatus());
    out += ".SH ENVIRONMENT\n" + RoffParagraphs(Environment());
    out += ".SH VERSION\n" + RoffParagraphs(std::string("This page describes citra ") + CITRA_VERSION + ".");
    return out;
}

}  // namespace help

std::string UsageText() {
    std::string out;
    bool first = true;
    for (const help::CommandHelp& command : help::Commands())
        for (std::string_view form : command.forms) {
            out += help::SynopsisLine(first ? help::kUsagePrefix : help::kSynopsisPrefix, form);
            first = false;
        }
    return out;
}

std::string HelpText(const Options& options) {
    if (const help::CommandHelp* command = help::FindCommand(options.helpTopic)) return help::CommandHelpText(*command);
    return help::ShortHelp();
}

std::string VersionText() {
    const std::string revision = CITRA_GIT_REVISION;
    return std::string("citra ") + CITRA_VERSION + (revision.empty() ? "" : " (git " + revision + ")") + "\n";
}
