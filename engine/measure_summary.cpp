#include "measure_summary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>

namespace {

// The overall figures a block summarises, in MeasureColumns' order, and
// how each is read from a pair's figures (none: the pair has no value).
struct SummarisedFigure {
    const char* key;
    std::function<std::optional<double>(const MeasureFigures&)> value;
};

const std::vector<SummarisedFigure>& SummarisedFigures() {
    static const std::vector<SummarisedFigure> figures{
        {"mse", [](const MeasureFigures& f) -> std::optional<double> { return f.mse; }},
        {"psnr", [](const MeasureFigures& f) -> std::optional<double> { return f.psnr; }},
        {"ssim", [](const MeasureFigures& f) { return f.ssim; }},
        {"mae", [](const MeasureFigures& f) -> std::optional<double> { return f.mae; }},
        {"nc", [](const MeasureFigures& f) { return f.nc; }},
        {"ber", [](const MeasureFigures& f) { return f.ber; }},
        {"change_rate", [](const MeasureFigures& f) -> std::optional<double> { return f.changeRate; }},
    };
    return figures;
}

bool Succeeded(const MeasureResult& r) { return !r.error && r.metrics; }

}  // namespace

MetricStats SummarizeMetric(std::string metric, std::vector<double> values, size_t infinite) {
    MetricStats s;
    s.metric = std::move(metric);
    s.infinite = infinite;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    s.min = values.front();
    s.max = values.back();
    s.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    double sum = 0;
    for (const double v : values) sum += v;
    s.mean = sum / static_cast<double>(n);
    if (n >= 2) {
        // Two passes: the deviations from the mean (sum of squares minus the
        // square of the sum loses everything on large, near-equal values).
        double squares = 0;
        for (const double v : values) squares += (v - s.mean) * (v - s.mean);
        s.sd = std::sqrt(squares / static_cast<double>(n - 1));
    }
    return s;
}

void MeasureSummaryBuilder::Add(const MeasureResult& result) { results_.push_back(result); }

std::vector<GroupSummary> MeasureSummaryBuilder::Build() const {
    // measure --detect: the estimates of both images, after the figures.
    const bool detect = std::any_of(results_.begin(), results_.end(),
                                    [](const MeasureResult& r) { return r.detection.has_value(); });
    // Groups in first-seen order, each with its results in delivery order.
    std::vector<std::pair<std::string, std::vector<const MeasureResult*>>> groups;
    for (const MeasureResult& r : results_) {
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == r.group; });
        if (it == groups.end()) {
            groups.push_back({r.group, {}});
            it = groups.end() - 1;
        }
        it->second.push_back(&r);
    }

    std::vector<GroupSummary> blocks;
    for (const auto& [name, members] : groups) {
        std::vector<uint32_t> peaks;
        size_t failed = 0;
        for (const MeasureResult* r : members) {
            if (Succeeded(*r)) peaks.push_back(r->metrics->peak);
            else ++failed;
        }
        std::sort(peaks.begin(), peaks.end());
        peaks.erase(std::unique(peaks.begin(), peaks.end()), peaks.end());
        if (peaks.empty()) peaks.push_back(0);  // failed pairs only

        for (size_t p = 0; p < peaks.size(); ++p) {
            GroupSummary block;
            block.group = name;
            block.peak = peaks[p];
            block.splitByPeak = peaks.size() > 1;
            // A failed pair has no peak: the group's failed pairs go to its first block.
            if (p == 0) block.failed = block.pairs = failed;
            std::vector<const MeasureFigures*> figures;
            for (const MeasureResult* r : members) {
                if (!Succeeded(*r) || r->metrics->peak != block.peak) continue;
                ++block.pairs;
                if (r->metrics->overall.identical) ++block.identical;
                figures.push_back(&r->metrics->overall);
            }
            for (const SummarisedFigure& figure : SummarisedFigures()) {
                std::vector<double> values;
                size_t infinite = 0;
                for (const MeasureFigures* f : figures) {
                    const std::optional<double> v = figure.value(*f);
                    if (!v || std::isnan(*v)) continue;
                    if (std::isinf(*v)) ++infinite;
                    else values.push_back(*v);
                }
                block.metrics.push_back(SummarizeMetric(figure.key, std::move(values), infinite));
            }
            if (detect) {
                const std::vector<std::string>& keys = MeasureDetectColumns();
                for (size_t k = 0; k < keys.size(); ++k) {
                    std::vector<double> values;
                    for (const MeasureResult* r : members) {
                        if (!Succeeded(*r) || r->metrics->peak != block.peak || !r->detection) continue;
                        const DetectOverall& o = k < 4 ? r->detection->stego : r->detection->cover;
                        const std::optional<double> v = std::array{o.rs, o.spa, o.ws, o.chi2P}[k % 4];
                        if (v) values.push_back(*v);
                    }
                    block.metrics.push_back(SummarizeMetric(keys[k], std::move(values)));
                }
            }
            blocks.push_back(std::move(block));
        }
    }
    return blocks;
}
