#pragma once
#include <string>

// The user's decimal symbol as UTF-8, from the system locale (LC_ALL,
// LC_NUMERIC, LANG). A full stop when the symbol is not one character.
std::string UserDecimalSeparator();
