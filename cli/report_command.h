#pragma once
// citra report: a study as one self-contained HTML file.
#include <ostream>
#include <span>
#include <string>

#include "options.h"
#include "pair_list.h"

// Returns the exit code: 0 written and every pair succeeded, 1 a pair
// failed (it is a row with its message) or the report could not be written
// (nothing is left under its name then), 128 + the signal when stopped (130 Ctrl+C).
// `listing`: the pairs of the operands, listed as compare lists them.
int RunReport(const Options& options, const PairListing& listing, std::span<const std::string> arguments,
              std::ostream& out, std::ostream& err, bool showProgress, bool sharesTerminal);
