#include "decimal_separator.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>

namespace {

struct Entry {
    std::string_view name;
    std::string_view point;
};

constexpr Entry kTable[] = {
#include "separator_table.inc"
};

static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Entry& a, const Entry& b) { return a.name < b.name; }));

std::optional<std::string_view> Tabulated(std::string_view name) {
    const Entry* found = std::lower_bound(std::begin(kTable), std::end(kTable), name,
                                          [](const Entry& e, std::string_view n) { return e.name < n; });
    if (found == std::end(kTable) || found->name != name) return std::nullopt;
    return found->point;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The C library's own answer when the locale is installed here. Its bytes
// are in the locale's codeset, so only UTF-8 or plain ASCII is taken.
std::optional<std::string> Installed(const std::string& name) {
    const locale_t locale = newlocale(LC_CTYPE_MASK | LC_NUMERIC_MASK, name.c_str(), static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return std::nullopt;
    const std::string point = nl_langinfo_l(RADIXCHAR, locale);
    const std::string_view codeset = nl_langinfo_l(CODESET, locale);
    const bool usable = !point.empty() && (IsAscii(point) || codeset == "UTF-8");
    freelocale(locale);
    if (!usable) return std::nullopt;
    return point;
}

}  // namespace

std::string DecimalSeparatorOf(std::string_view localeName) {
    if (localeName.empty() || localeName == "C" || localeName == "POSIX" || localeName.starts_with("C.")) return ".";
    if (std::optional<std::string> point = Installed(std::string(localeName))) return *point;

    // language[_territory][.codeset][@modifier]; the codeset does not
    // change the symbol, only how it is stored.
    const size_t at = localeName.find('@');
    const std::string_view modifier = at == std::string_view::npos ? "" : localeName.substr(at);
    const std::string_view base = localeName.substr(0, std::min(at, localeName.find('.')));
    const size_t underscore = base.find('_');
    std::string language(base.substr(0, underscore));
    std::transform(language.begin(), language.end(), language.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    std::string full = language;
    if (underscore != std::string_view::npos) {
        std::string territory(base.substr(underscore + 1));
        std::transform(territory.begin(), territory.end(), territory.begin(),
                       [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
        full += "_" + territory;
    }
    for (const std::string& candidate : {full + std::string(modifier), full, language}) {
        if (const std::optional<std::string_view> point = Tabulated(candidate)) return std::string(*point);
    }
    return ".";
}

std::string UserDecimalSeparator() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return DecimalSeparatorOf(value);
    }
    return ".";
}

std::vector<std::string_view> TabulatedLocaleNames() {
    std::vector<std::string_view> names;
    names.reserve(std::size(kTable));
    for (const Entry& e : kTable) names.push_back(e.name);
    return names;
}
