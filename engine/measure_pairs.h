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

#include "detect_images.h"
#include "measure.h"
#include "pair_list.h"

// measure --detect: the overall LSB estimates (detect_images.h) of both
// images of a pair; none for an image that is not 8 bits.
struct PairDetection {
    DetectOverall cover, stego;
};

struct MeasureResult {
    std::string original;
    std::string manipulated;
    std::string group;  // the stego folder, a folder beside one original, or the pairs file's third column
    std::optional<MeasureMetrics> metrics;
    std::optional<std::string> error;
    std::optional<PairDetection> detection;  // with --detect, for a pair that was measured
};

// Decodes both files (side by side when `options.threads` allows) and
// measures them; a file that fails or a refused pair gives a failed result.
// With `detect`, also the overall LSB estimates of both images.
MeasureResult MeasureListedPair(const ListedPair& pair, const MeasureOptions& options, bool detect = false);

// The overall LSB estimates of both images of a pair (none where an image
// is not 8 bits).
PairDetection DetectPair(const ImageView& cover, const ImageView& stego, unsigned threads);

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
// channel R, G, B, A, Y (R_mse, ...), ssim_unavailable and error; with
// `detect` then stego_rs, stego_spa, stego_ws, stego_chi2_p and the same
// four of the cover (cover_rs, ...).
const std::vector<std::string>& MeasureColumns(bool detect = false);

// The columns `detect` adds, in order.
const std::vector<std::string>& MeasureDetectColumns();

// Every column of MeasureColumns for this result, in that order: a failed
// pair has its paths, group and error, the rest none; a channel the images
// do not have is none.
std::vector<MeasureField> MeasureFields(const MeasureResult& result, bool detect = false);

// The CSV header, MeasureColumns joined by commas, without the line end:
// the same for every run.
std::string MeasureCsvHeader(bool detect = false);

// One CSV row of these fields, without the line end: numbers in the
// shortest round-trip form but an infinite PSNR as inf, none as an empty
// field, truth values as true or false, text quoted per RFC 4180.
std::string MeasureCsv(const std::vector<MeasureField>& fields);
inline std::string MeasureCsv(const MeasureResult& result, bool detect = false) {
    return MeasureCsv(MeasureFields(result, detect));
}
