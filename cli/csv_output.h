#pragma once
// CSV text of compare results (RFC 4180 quoting, lines ending in LF).
#include <string>
#include <string_view>

#include "csv_text.h"
#include "results.h"

// The header line, without the line end: today's columns, then those of
// the field's metrics (kCsvStandardColumns, then
// <channel>_mse, <channel>_psnr, <channel>_ssim for R, G, B, A, Y, then
// mse_unavailable, ssim_unavailable).
std::string PairCsvHeader();

// One line per pair, without the line end. Numbers as in JSON: the shortest
// round-trip form and three-decimal texts with a full stop. The fields of
// the field's metrics follow today's: an infinite PSNR
// as inf, identical as true or false, and empty fields for a value not
// computed, a channel the images do not have, or a pair without them.
// Without the desktop program's MSE and PSNR, their four fields are empty
// and mse_unavailable says why; ssim_unavailable says why SSIM was not
// computed when it was asked for.
std::string PairCsv(const PairResult& result);


