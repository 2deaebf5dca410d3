#pragma once
// The research face's pairs: each pair decoded whole and measured with the
// field's numbers (measure.h), and the one list of named fields a result
// is written as: the JSON object, the CSV row and Python's dict all come
// from MeasureFields, so their keys, order and values cannot drift apart.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "measure.h"
#include "pair_list.h"

struct MeasureResult {
    std::string original;
    std::string manipulated;
    std::string group;  // the stego folder, a folder beside one original, or the pairs file's third column
    std::optional<MeasureMetrics> metrics;
    std::optional<std::string> error;
};

// Decodes both files (side by side when `options.threads` allows) and
// measures them; a file that fails or a refused pair gives a failed result.
MeasureResult MeasureListedPair(const ListedPair& pair, const MeasureOptions& options);

// A field's value: none (JSON null, an empty CSV field), an integer, a
// number (an infinite PSNR stays infinite: JSON writes null beside
// identical true, CSV inf), a truth value, or text.
using MeasureValue = std::variant<std::monostate, int64_t, double, bool, std::string>;

struct MeasureField {
    std::string key;
    MeasureValue value;
};

// The columns of `measure`, in order: original, manipulated, group, width,
// height, channels, bits, peak, the overall figures, the same for each
// channel R, G, B, A, Y (R_mse, ...), ssim_unavailable and error.
const std::vector<std::string>& MeasureColumns();

// Every column of MeasureColumns for this result, in that order: a failed
// pair has its paths, group and error, the rest none; a channel the images
// do not have is none.
std::vector<MeasureField> MeasureFields(const MeasureResult& result);

// The CSV header, MeasureColumns joined by commas, without the line end:
// the same for every run.
std::string MeasureCsvHeader();

// One CSV row of these fields, without the line end: numbers in the
// shortest round-trip form but an infinite PSNR as inf, none as an empty
// field, truth values as true or false, text quoted per RFC 4180.
std::string MeasureCsv(const std::vector<MeasureField>& fields);
inline std::string MeasureCsv(const MeasureResult& result) { return MeasureCsv(MeasureFields(result)); }
