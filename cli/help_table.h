#pragma once
// The one table of what citra's help says: each command and each option
// written once, with its forms, summary, description and examples. The
// short help (citra --help), each command's help (citra help COMMAND) and
// the manual page citra(1) are all rendered from it (help.h).
//
// Texts are paragraphs separated by an empty line ("\n\n"). A paragraph
// whose lines all start with two spaces is shown as written (JSON keys,
// CSV headers); a paragraph starting with "- " is a list item; any other
// paragraph is filled to the width of the output. "{extensions}" stands
// for the extensions of the decoded formats of the format table.
#include <string_view>
#include <vector>

#include "options.h"

namespace help {

// An example: the command line as typed in a shell (from "citra "), what
// it does, and its exit status.
struct Example {
    std::string_view line;
    std::string_view says;
    int exitStatus = 0;
};

struct CommandHelp {
    Command command;                       // Command::None for "help"
    std::string_view name;
    std::vector<std::string_view> forms;  // after "citra ", one per synopsis line
    std::string_view summary;             // one line, for the command list
    std::string_view description;
    std::vector<std::string_view> topics;  // names of the topics shown with it
    std::vector<Example> examples;
};

struct OptionHelp {
    std::string_view flags;    // as shown: "-j N, --jobs N"
    std::string_view summary;  // one line
    std::string_view description;
    std::vector<Command> commands;  // the commands it applies to; empty: every one
    bool common = false;            // listed in the short help
};

// A section of the manual that more than one command refers to.
struct Topic {
    std::string_view name;  // the heading: "JSON OUTPUT"
    std::string_view text;
};

const std::vector<CommandHelp>& Commands();
const std::vector<OptionHelp>& Options();
const std::vector<Topic>& Topics();

// One line under the program's name, and the text after the command list.
std::string_view Tagline();
std::string_view Description();
std::string_view ExitStatus();
// Where the decimal separator of the text output comes from.
std::string_view Environment();

}  // namespace help
