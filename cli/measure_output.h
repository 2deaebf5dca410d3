#pragma once
// The results of `measure` as JSON lines, CSV rows and a text table, all
// made from MeasureFields (engine/measure_pairs.h) alone: one list of keys
// and values, in MeasureColumns' order.
#include <span>
#include <string>
#include <string_view>

#include "measure_pairs.h"

// One flat JSON object, without the line end: every key of MeasureColumns
// in order; numbers in the shortest form that reads back as the same
// double, an infinite PSNR as null (identical true beside it), none as null.
// With `detect`, the columns of MeasureDetectColumns after them.
std::string MeasureJson(const MeasureResult& result, bool detect = false);

// The CSV header and rows: MeasureCsvHeader and MeasureCsv of
// engine/measure_pairs.h, shared with the Python module.

// A readable table: original, manipulated, group (when any result has one),
// width x height, channels, bits, mse, psnr, ssim, mae, nc, ber,
// change_rate; six significant digits with the given decimal separator,
// psnr inf when infinite, "-" for none, a failed pair's message in place of
// its figures. Per-channel figures are left to JSON and CSV. With `detect`,
// the columns of MeasureDetectColumns after change_rate.
std::string MeasureText(std::span<const MeasureResult> results, std::string_view decimalSeparator,
                        bool detect = false);
