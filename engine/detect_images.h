#pragma once
// `detect`: the estimators of LSB replacement (core/detect/detect.h) on
// image files, one result per image, and the one way a result is written:
// the JSON object (which Python's citra.detect returns as a dict) and the
// CSV rows (which citra.dask.detect reads back) both come from here.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "detect.h"

// One image of a run and the group it is summarised in.
struct ListedImage {
    std::string path;
    std::string group;                 // the folder it was found in, a pairs file's group, or empty
    std::optional<std::string> error;  // a folder that gave no image, a bad line of a pairs file
};

struct ImageListing {
    std::vector<ListedImage> images;
    std::optional<std::string> readError;  // a pairs file that cannot be read or holds no pair
};

// FILE and FOLDER operands: a file as given (no group), a folder as every
// image file directly inside it, in byte order, its group the folder as
// given (the listing of compare's folders); a folder that cannot be listed
// or holds no image is one failed entry.
ImageListing ListImageOperands(std::span<const std::string> operands);

// Every file of a pairs file (lines original,manipulated[,group]) once, in
// the order of first mention: an original with the group "cover", a
// manipulated file with its line's group. A file named twice keeps its
// first group; a bad line is a failed entry naming the file and the line.
ImageListing ListImagesOfPairsFile(const std::string& pairsFile);

struct DetectResult {
    std::string path;
    std::string group;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<ChannelDetection> channels;  // colour channels, in stored order
    std::optional<std::string> error;
};

// The estimators on an image already decoded; a refusal (not 8 bits) is
// the result's error, prefixed with "<path>: " when a path is given.
DetectResult DetectDecodedImage(const ImageView& image, std::string path, std::string group,
                                const DetectOptions& options);

// Reads the file (ReadImage, every format of the table) and runs the
// estimators; every failure names the file.
DetectResult DetectListedImage(const ListedImage& image, const DetectOptions& options);

// The image's overall estimates: the mean over its colour channels of each
// clamped estimate (chi2_p: of the whole channel's probability), none
// unless every channel has one.
struct DetectOverall {
    std::optional<double> rs, spa, ws, chi2P;
};
DetectOverall OverallOf(const DetectResult& result);

// One JSON object without the line end. Every key always present, in this
// order: path, group, width, height, rs, spa, ws, chi2_p (the overall),
// channels (a list, per channel: channel, rs, rs_clamped, spa, spa_clamped,
// ws, ws_clamped, ws_plain, ws_plain_clamped, chi2_p, chi2_statistic,
// chi2_categories, chi2_profile [{percent, p}], reasons {estimator: why}
// for the estimators without an estimate), error. None is null.
std::string DetectJson(const DetectResult& result);

// The CSV columns, the same for every run: path, group, width, height,
// channel, the per-channel keys of the JSON (the profile as chi2_p_1,
// chi2_p_5, ... chi2_p_100), the reasons as rs_reason, spa_reason,
// ws_reason, ws_plain_reason, chi2_reason, then error.
const std::vector<std::string>& DetectCsvColumns();
std::string DetectCsvHeader();

// The CSV rows of a result, without line ends: one per channel; a failed
// image one row with its path, group and error.
std::vector<std::string> DetectCsvRows(const DetectResult& result);
