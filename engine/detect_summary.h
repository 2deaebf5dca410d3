#pragma once
// The summary of a `detect` run: per group (a folder, a pairs file's group,
// "cover" for its originals), in the order the groups first came, the
// images, the failed ones, and the statistics of each overall estimate.
#include <cstddef>
#include <string>
#include <vector>

#include "detect_images.h"
#include "measure_summary.h"

struct DetectGroupSummary {
    std::string group;
    size_t images = 0;  // failed ones included
    size_t failed = 0;
    std::vector<MetricStats> metrics;  // rs, spa, ws, chi2_p: over the images that have the value
};

class DetectSummaryBuilder {
public:
    void Add(const DetectResult& result);
    std::vector<DetectGroupSummary> Build() const;

private:
    struct Entry {
        std::string group;
        bool failed = false;
        DetectOverall overall;
    };
    std::vector<Entry> entries_;  // the overall estimates only: a run's images may be many
};
