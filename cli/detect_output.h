#pragma once
// The results of `detect` as a text table, and its summary per group as
// text, JSON and CSV. JSON lines and CSV rows are engine/detect_images.h's,
// shared with the Python module.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "detect_images.h"
#include "detect_summary.h"

// A readable table: path, group (when any result has one), channel, rs,
// spa, ws, chi2 p; one line per channel with four decimals of the clamped
// estimate in the given decimal separator, "-" for none; a failed image's
// message in place of its figures. Under it, after an empty line, one line
// per missing estimate: "no estimate: <path> (<channel>) <estimator>: <reason>".
std::string DetectText(std::span<const DetectResult> results, std::string_view decimalSeparator);

// Per group: the heading "group <name>" ("(none)" for images without a
// group), "images: N  failed: M", and a table metric, count, mean, sd,
// median, min, max (six significant digits); blocks separated by an empty
// line, each line ending in LF.
std::string DetectSummaryText(const std::vector<DetectGroupSummary>& blocks, std::string_view decimalSeparator);

// {"summary":[{"group","images","failed","rs":{"count","mean","sd","median","min","max"},
// "spa":{...},"ws":{...},"chi2_p":{...}}]} without the line end; null where
// there is no value.
std::string DetectSummaryJson(const std::vector<DetectGroupSummary>& blocks);

// The header and one row per group and metric, each line ending in LF.
inline constexpr const char* kDetectSummaryCsvHeader = "group,images,failed,metric,count,mean,sd,median,min,max";
std::string DetectSummaryCsv(const std::vector<DetectGroupSummary>& blocks);
