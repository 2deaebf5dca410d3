#pragma once
// The summary of a `measure` run a paper can use: one block per group (the
// stego folder, a folder beside one original, or a pairs file's group),
// never pooling pictures of different peak: a group whose pairs have
// several peaks is split by peak, and says so.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "measure_pairs.h"

struct MetricStats {
    std::string metric;    // a key of MeasureColumns: "mse", "psnr", "ssim", ...
    size_t count = 0;      // pairs with a finite value
    double mean = 0;
    std::optional<double> sd;  // sample standard deviation; none below two values
    double median = 0;
    double min = 0;
    double max = 0;
    size_t infinite = 0;   // psnr: pairs whose value is infinite, left out of the statistics
};

struct GroupSummary {
    std::string group;
    uint32_t peak = 0;          // 0 for a block of failed pairs only
    bool splitByPeak = false;   // the group holds pairs of several peaks
    size_t pairs = 0;           // pairs of the group (of this peak) including failed ones
    size_t failed = 0;
    size_t identical = 0;
    // In MeasureColumns' order of the overall figures; with --detect then
    // the estimates of MeasureDetectColumns.
    std::vector<MetricStats> metrics;
};

// The statistics of the finite values (any order); `infinite` is stored as
// given. mean, median, min and max mean something only when count > 0.
MetricStats SummarizeMetric(std::string metric, std::vector<double> values, size_t infinite = 0);

class MeasureSummaryBuilder {
public:
    void Add(const MeasureResult& result);
    // Groups in the order they first came, each split by peak in increasing order.
    std::vector<GroupSummary> Build() const;

private:
    std::vector<MeasureResult> results_;
};
