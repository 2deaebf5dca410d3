#pragma once
// Plain-text tables with columns aligned to their widest cell.
#include <string>
#include <string_view>
#include <vector>

enum class Align { Left, Right };

// Renders the rows, two spaces between columns, one line per row. A row with
// fewer cells than columns is allowed (e.g. a path and an error message): its
// last cell is written as it is and does not widen the columns. Widths count
// UTF-8 characters, not bytes; no line ends in blanks. Each cell is shown
// through OneLine, so a row stays one line.
std::string RenderTable(const std::vector<Align>& columns,
                        const std::vector<std::vector<std::string>>& rows);

// The text as it may stand on one line of a table: a line break (CR LF, a
// lone CR or LF) and a tab become one space, any other ASCII control
// character (and DEL) the escape \xNN, in capitals.
std::string OneLine(std::string_view text);
