#pragma once
// CSV text of compare results (RFC 4180 quoting, lines ending in LF).
#include <string>
#include <string_view>

#include "results.h"

// The header line, without the line end.
std::string PairCsvHeader();

// One line per pair, without the line end. Numbers as in JSON: the shortest
// round-trip form and three-decimal texts with a full stop.
std::string PairCsv(const PairResult& result);

// Appends the bytes as one field: as they are, or enclosed in double quotes
// with inner quotes doubled when they hold a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view bytes);
