#pragma once
// Plain-text tables with columns aligned to their widest cell.
#include <string>
#include <vector>

enum class Align { Left, Right };

// Renders the rows, two spaces between columns, one line per row. A row with
// fewer cells than columns is allowed (e.g. a path and an error message): its
// last cell is written as it is and does not widen the columns. Widths count
// UTF-8 characters, not bytes; no line ends in blanks.
std::string RenderTable(const std::vector<Align>& columns,
                        const std::vector<std::vector<std::string>>& rows);
