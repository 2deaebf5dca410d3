#pragma once
// citra's help, rendered from the one table of help_table.h: the synopsis
// shown after a usage error, the short help, each command's help and the
// manual page citra(1) in roff. UsageText, HelpText and VersionText are
// declared in options.h.
#include <string>
#include <string_view>

#include "help_table.h"

namespace help {

// The command of the table named `name` ("info", ..., "help"), or null.
const CommandHelp* FindCommand(std::string_view name);

// The short help: synopsis, commands, common options, exit status.
std::string ShortHelp();
// One command's help: its forms, description, options, topics, examples.
std::string CommandHelpText(const CommandHelp& command);
// The manual page citra(1), in roff (man macros).
std::string ManualPage();

// The text with "{extensions}" replaced by the format table's extensions.
std::string Expand(std::string_view text);

// Paragraphs filled to `width` columns, each line indented by `indent`.
std::string Fill(std::string_view text, size_t indent, size_t width = 79);

}  // namespace help
