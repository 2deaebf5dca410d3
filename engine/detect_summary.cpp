#include "detect_summary.h"

#include <algorithm>
#include <optional>

#include "engine_texts.h"

void DetectSummaryBuilder::Add(const DetectResult& result) {
    entries_.push_back({result.group, result.error.has_value(), OverallOf(result)});
}

std::vector<DetectGroupSummary> DetectSummaryBuilder::Build() const {
    struct Figure {
        const char* key;
        std::optional<double> DetectOverall::*value;
    };
    static constexpr Figure kFigures[] = {{text::kKeyRs, &DetectOverall::rs},
                                          {text::kKeySpa, &DetectOverall::spa},
                                          {text::kKeyWs, &DetectOverall::ws},
                                          {text::kKeyChi2P, &DetectOverall::chi2P}};
    std::vector<std::string> order;
    for (const Entry& e : entries_)
        if (std::find(order.begin(), order.end(), e.group) == order.end()) order.push_back(e.group);
    std::vector<DetectGroupSummary> blocks;
    for (const std::string& group : order) {
        DetectGroupSummary block;
        block.group = group;
        for (const Entry& e : entries_) {
            if (e.group != group) continue;
            ++block.images;
            if (e.failed) ++block.failed;
        }
        for (const Figure& figure : kFigures) {
            std::vector<double> values;
            for (const Entry& e : entries_)
                if (e.group == group && e.overall.*figure.value) values.push_back(*(e.overall.*figure.value));
            block.metrics.push_back(SummarizeMetric(figure.key, std::move(values)));
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}
