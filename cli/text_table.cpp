#include "text_table.h"

#include <algorithm>

namespace {

size_t DisplayWidth(const std::string& text) {
    return std::count_if(text.begin(), text.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

// How many leading cells of the row take part in the alignment: all of a
// full row; of a short row all but the last, which spans the rest.
size_t AlignedCells(const std::vector<std::string>& row, size_t columns) {
    if (row.size() >= columns) return columns;
    return row.empty() ? 0 : row.size() - 1;
}

}  // namespace

std::string OneLine(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else if (c == '\r' || c == '\n' || c == '\t') {
            out += ' ';
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string RenderTable(const std::vector<Align>& columns,
                        const std::vector<std::vector<std::string>>& shownRows) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(shownRows.size());
    for (const auto& row : shownRows) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (const std::string& cell : row) cells.push_back(OneLine(cell));
    }
    std::vector<size_t> widths(columns.size(), 0);
    for (const auto& row : rows) {
        const size_t aligned = AlignedCells(row, columns.size());
        for (size_t c = 0; c < aligned; ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }

    std::string out;
    for (const auto& row : rows) {
        const size_t aligned = AlignedCells(row, columns.size());
        size_t written = row.size();  // trailing empty cells are left out
        while (written > 0 && row[written - 1].empty()) --written;
        for (size_t c = 0; c < written; ++c) {
            if (c > 0) out += "  ";
            const size_t fill = c < aligned ? widths[c] - DisplayWidth(row[c]) : 0;
            const bool last = c + 1 == written;
            if (c < aligned && columns[c] == Align::Right) out.append(fill, ' ');
            out += row[c];
            if (c < aligned && columns[c] == Align::Left && !last) out.append(fill, ' ');
        }
        out += '\n';
    }
    return out;
}
