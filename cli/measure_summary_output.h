#pragma once
// The summary of a `measure` run (engine/measure_summary.h) as text, JSON
// and CSV: one block per group and peak.
#include <string>
#include <string_view>
#include <vector>

#include "measure_summary.h"

// The value with six significant digits (0.999887, 108.131, 1.23457e+06)
// and the given decimal separator.
std::string MeasureSummaryNumber(double value, std::string_view decimalSeparator);

// Per block: the heading "group <name> (peak <p>)" (name "(none)" for pairs
// without a group; ", split by peak" when
// the group holds several peaks; "(no pair succeeded)" for a block of
// failed pairs only), the line of counts, and a table metric, count, mean,
// sd, median, min, max with six significant digits and the given decimal
// separator (empty where there is no value); under it, when PSNR had
// infinite values, how many identical pairs were left out. Blocks are
// separated by an empty line; each line ends in LF.
std::string MeasureSummaryText(const std::vector<GroupSummary>& blocks, std::string_view decimalSeparator);

// One line without the line end:
// {"summary":[{"group","peak","split_by_peak","pairs","failed","identical",
// "mse":{"count","mean","sd","median","min","max","infinite"},"psnr":{...},...}]}
// with the shortest numbers that read back as the same doubles; null where
// there is no value (count 0, sd below two values).
std::string MeasureSummaryJson(const std::vector<GroupSummary>& blocks);

// The header kMeasureSummaryCsvHeader and one row per block and metric,
// each line ending in LF: full precision, empty fields where there is no
// value, split_by_peak as true or false, peak 0 for a block of failed pairs.
inline constexpr const char* kMeasureSummaryCsvHeader =
    "group,peak,split_by_peak,pairs,failed,identical,metric,count,mean,sd,median,min,max,infinite";
std::string MeasureSummaryCsv(const std::vector<GroupSummary>& blocks);

class JsonObject;

// A metric's statistics as members of a JSON object: count, mean, sd,
// median, min, max, null where there is no value (count 0, sd below two
// values).
void AddMetricStatsJson(JsonObject& object, const MetricStats& m);

// The text table of metrics' statistics: a heading row (metric, count, mean,
// sd, median, min, max), then a row a metric, empty cells where there is no
// value.
std::string MetricStatsTable(const std::vector<MetricStats>& metrics, std::string_view decimalSeparator);

// A metric's statistics as CSV fields: ",count,mean,sd,median,min,max",
// empty where there is no value (count 0, sd below two values).
void AppendMetricStatsCsv(std::string& out, const MetricStats& m);
