#pragma once
// The pieces of CSV text the tool writes (RFC 4180 quoting, numbers as in
// JSON), shared by the tool's outputs and the Python module.
#include <string>
#include <string_view>

// The shortest round-trip form; inf (-inf) for an infinity; nothing for NaN.
void AppendCsvNumber(std::string& out, double value);

// Appends the bytes as one field: as they are, or enclosed in double quotes
// with inner quotes doubled when they hold a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view bytes);
