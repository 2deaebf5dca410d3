#pragma once
#include <string>
#include <string_view>
#include <vector>

// The user's decimal symbol as UTF-8 for the locale named by LC_ALL, else
// LC_NUMERIC, else LANG (empty variables skipped); a full stop for none,
// "C" or "POSIX". Read afresh on every call, without Qt.
std::string UserDecimalSeparator();

// The decimal symbol of a locale name as users write it: ll_CC,
// ll_CC.UTF-8, ll_CC.utf8, ll_CC@modifier, ll. An installed locale answers
// first; otherwise a table built from glibc's locale sources does, so the
// name need not be generated on this machine. A full stop when unknown.
std::string DecimalSeparatorOf(std::string_view localeName);

// The names the built-in table knows (without codeset), sorted.
std::vector<std::string_view> TabulatedLocaleNames();
