// Build-time tool: reads the decimal point of every locale source in a
// folder of glibc locale definitions (/usr/share/i18n/locales), following
// their "copy" lines, and writes a sorted C++ table of locale name ->
// decimal point in UTF-8.
//
//   make_separator_table LOCALES_DIR OUTPUT_FILE
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What a source says in its LC_NUMERIC section: a decimal point of its
// own or the name of the locale it copies.
struct Numeric {
    std::optional<std::string> decimalPoint;
    std::optional<std::string> copy;
};

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The text of the first quoted string in `line` ("<U066B>", ",", "/""), or
// nullopt when there is none or it does not close.
std::optional<std::string> QuotedText(const std::string& line, char escape) {
    const size_t open = line.find('"');
    if (open == std::string::npos) return std::nullopt;
    std::string text;
    for (size_t i = open + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') return text;
        if (c == escape && i + 1 < line.size()) {
            text += line[++i];
        } else if (c == '<' && line.compare(i, 2, "<U") == 0) {
            const size_t close = line.find('>', i);
            if (close == std::string::npos) return std::nullopt;
            const std::string hex = line.substr(i + 2, close - i - 2);
            if (hex.empty() || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return std::nullopt;
            AppendUtf8(text, std::stoul(hex, nullptr, 16));
            i = close;
        } else {
            text += c;
        }
    }
    return std::nullopt;
}

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// nullopt: the file has no LC_NUMERIC section (translit tables and the like).
std::optional<Numeric> ReadNumeric(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    char comment = '#', escape = '\\';
    bool inSection = false;
    bool sawSection = false;
    Numeric numeric;
    std::string line, pending;
    while (std::getline(in, line)) {
        // A line ending in the escape character goes on in the next one.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A comment ends with its line, whatever its last character.
        if (pending.empty() && Trimmed(line).starts_with(comment)) continue;
        if (!line.empty() && line.back() == escape) {
            pending += line.substr(0, line.size() - 1);
            continue;
        }
        line = Trimmed(pending + line);
        pending.clear();
        if (line.empty() || line[0] == comment) continue;

        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (!inSection) {
            std::string value;
            words >> value;
            if (keyword == "comment_char" && value.size() == 1) comment = value[0];
            if (keyword == "escape_char" && value.size() == 1) escape = value[0];
            if (keyword == "LC_NUMERIC") inSection = sawSection = true;
            continue;
        }
        if (keyword == "END") break;
        if (keyword == "decimal_point") numeric.decimalPoint = QuotedText(line, escape);
        if (keyword == "copy") numeric.copy = QuotedText(line, escape);
    }
    if (!sawSection) return std::nullopt;
    return numeric;
}

std::string CppString(const std::string& bytes) {
    std::string out = "\"";
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
            out += static_cast<char>(c);
        } else {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            out += octal;
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_separator_table LOCALES_DIR OUTPUT_FILE\n");
        return 2;
    }
    const fs::path sources = argv[1];
    const fs::path output = argv[2];

    std::map<std::string, Numeric> numeric;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sources, error)) {
        if (!entry.is_regular_file()) continue;
        if (std::optional<Numeric> n = ReadNumeric(entry.path())) numeric[entry.path().filename().string()] = *n;
    }
    if (error) {
        std::fprintf(stderr, "make_separator_table: cannot read %s: %s\n", sources.c_str(), error.message().c_str());
        return 1;
    }

    // Follows the copies; a chain that breaks or loops leaves the locale out.
    std::map<std::string, std::string> table;
    for (const auto& [name, first] : numeric) {
        const Numeric* n = &first;
        for (int hops = 0; n != nullptr && !n->decimalPoint && n->copy && hops < 32; ++hops) {
            const auto next = numeric.find(*n->copy);
            n = next == numeric.end() ? nullptr : &next->second;
        }
        if (n == nullptr || !n->decimalPoint || n->decimalPoint->empty()) {
            std::fprintf(stderr, "make_separator_table: no decimal point for %s, left out\n", name.c_str());
            continue;
        }
        // Only locales: ll_CC..., C and POSIX; not shared definitions (i18n).
        if (name.find('_') != std::string::npos || name == "C" || name == "POSIX") table[name] = *n->decimalPoint;
    }
    // A language alone ("de") reads as its main country (de_DE), else as
    // most of its countries do (en: the full stop).
    std::map<std::string, std::map<std::string, int>> votes;
    for (const auto& [name, point] : table) {
        const size_t underscore = name.find('_');
        if (underscore == std::string::npos || name.find_first_of(".@") != std::string::npos) continue;
        ++votes[name.substr(0, underscore)][point];
    }
    for (const auto& [language, counts] : votes) {
        if (table.contains(language)) continue;
        std::string country = language;
        std::transform(country.begin(), country.end(), country.begin(), [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
        if (const auto main = table.find(language + "_" + country); main != table.end()) {
            table[language] = main->second;
            continue;
        }
        const auto most = std::max_element(counts.begin(), counts.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        table[language] = most->first;
    }
    if (table.size() < 2) {
        std::fprintf(stderr, "make_separator_table: no locale definitions in %s\n", sources.c_str());
        return 1;
    }

    // Written next to the target and renamed, so a failed run leaves no
    // half table behind.
    const fs::path temporary = output.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << "// Generated by make_separator_table from " << sources.string() << ".\n"
            << "// Locale name -> decimal point in UTF-8, sorted by name.\n";
        for (const auto& [name, point] : table) out << "{" << CppString(name) << ", " << CppString(point) << "},\n";
        out.close();
        if (!out) {
            std::fprintf(stderr, "make_separator_table: cannot write %s\n", temporary.c_str());
            fs::remove(temporary, error);
            return 1;
        }
    }
    fs::rename(temporary, output, error);
    if (error) {
        std::fprintf(stderr, "make_separator_table: cannot write %s: %s\n", output.c_str(), error.message().c_str());
        fs::remove(temporary, error);
        return 1;
    }
    return 0;
}
