#pragma once
// The summary of a compare run: how many pairs, how many failed, how many
// were identical, and for each metric count, mean, median, minimum, maximum
// and sample standard deviation (divided by count - 1) over the pairs that
// succeeded.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results.h"

struct MetricSummary {
    const char* key = "";    // JSON key and CSV metric name
    const char* label = "";  // row of the text summary
    size_t count = 0;
    // NaN when count is 0.
    double mean = 0;
    double median = 0;
    double min = 0;
    double max = 0;
    std::optional<double> sampleStddev;  // from two values on
};

struct RunSummary {
    size_t pairs = 0;
    size_t failed = 0;
    size_t identical = 0;  // MSE 0 (with the field's metrics: their verdict)
    std::vector<MetricSummary> metrics;
};

// The statistics of the values (any order).
MetricSummary SummarizeValues(const char* key, const char* label, std::vector<double> values);

// Collects the results as they are delivered. Series: mse and psnr over the
// pairs that have the desktop program's numbers (today's PSNR is finite for
// identical pairs too, so it counts them); once a pair
// carries the field's metrics also std_mse, std_psnr over the finite values
// (identical pairs left out and counted in `identical`) and, once a pair
// was asked for SSIM, std_ssim over the pairs that have it.
class SummaryBuilder {
public:
    void Add(const PairResult& result);
    RunSummary Build() const;

private:
    size_t pairs_ = 0;
    size_t failed_ = 0;
    size_t identical_ = 0;
    bool standard_ = false;
    bool ssimAsked_ = false;
    std::vector<double> mse_, psnr_, stdMse_, stdPsnr_, stdSsim_;
};

// {"summary":{"pairs","failed","identical","mse":{"count","mean","median",
// "min","max","sample_stddev"},"psnr":{...},...}}, without the line end;
// null for a value there is none of.
std::string SummaryJson(const RunSummary& summary);
// The header kCsvSummaryHeader and one row per metric, each line ending in LF.
std::string SummaryCsv(const RunSummary& summary);
// A line of counts and a table, three decimals with the given separator.
std::string SummaryText(const RunSummary& summary, std::string_view decimalSeparator);
