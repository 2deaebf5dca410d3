#include "detect_output.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "csv_output.h"
#include "json.h"
#include "measure_summary_output.h"
#include "text_table.h"
#include "texts.h"

namespace {

constexpr const char* kTextHeading[] = {"channel", "rs", "spa", "ws", "chi2 p"};

std::string Decimals4(const std::optional<double>& value, std::string_view decimalSeparator) {
    if (!value) return text::kNoValue;
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%.4f", *value);
    std::string out;
    for (int i = 0; i < n && i < static_cast<int>(sizeof buffer); ++i) {
        if (buffer[i] == '.') out += decimalSeparator;
        else out += buffer[i];
    }
    return out;
}

std::string StatsJson(const MetricStats& m) {
    JsonObject object;
    AddMetricStatsJson(object, m);
    return object.Close();
}
}  // namespace

std::string DetectText(std::span<const DetectResult> results, std::string_view decimalSeparator) {
    const bool groups =
        std::any_of(results.begin(), results.end(), [](const DetectResult& r) { return !r.group.empty(); });
    std::vector<std::string> heading{text::kKeyPath};
    if (groups) heading.emplace_back(text::kKeyGroup);
    heading.insert(heading.end(), std::begin(kTextHeading), std::end(kTextHeading));
    std::vector<Align> columns(heading.size(), Align::Right);
    columns[0] = columns[1] = Align::Left;
    if (groups) columns[2] = Align::Left;

    std::vector<std::vector<std::string>> rows{heading};
    std::string notes;
    for (const DetectResult& r : results) {
        const auto lead = [&] {
            std::vector<std::string>& row = rows.emplace_back();
            row.push_back(r.path);
            if (groups) row.push_back(r.group);
            return &row;
        };
        if (r.error) {
            lead()->push_back(text::kErrorCell + *r.error);
            continue;
        }
        for (const ChannelDetection& c : r.channels) {
            std::vector<std::string>& row = *lead();
            row.emplace_back(c.name);
            const std::optional<double> chi2 = c.chiSquare.whole.probability;
            for (const std::optional<double>& v : {c.rs.clamped, c.spa.clamped, c.ws.clamped, chi2})
                row.push_back(Decimals4(v, decimalSeparator));
            const auto note = [&](const char* estimator, std::string_view reason) {
                notes += "no estimate: " + OneLine(r.path) + " (" + std::string(c.name) + ") " + estimator + ": " +
                         std::string(reason) + "\n";
            };
            if (!c.rs.HasEstimate()) note(text::kKeyRs, c.rs.reason);
            if (!c.spa.HasEstimate()) note(text::kKeySpa, c.spa.reason);
            if (!c.ws.HasEstimate()) note(text::kKeyWs, c.ws.reason);
            if (!chi2) note("chi2 p", c.chiSquare.whole.reason);
        }
    }
    std::string out = RenderTable(columns, rows);
    if (!notes.empty()) out += "\n" + notes;
    return out;
}

std::string DetectSummaryText(const std::vector<DetectGroupSummary>& blocks, std::string_view decimalSeparator) {
    std::string out;
    for (const DetectGroupSummary& block : blocks) {
        if (!out.empty()) out += '\n';
        out += "group " + (block.group.empty() ? std::string("(none)") : OneLine(block.group)) + "\n";
        out += "images: " + std::to_string(block.images) + "  failed: " + std::to_string(block.failed) + "\n";
        out += MetricStatsTable(block.metrics, decimalSeparator);
    }
    return out;
}

std::string DetectSummaryJson(const std::vector<DetectGroupSummary>& blocks) {
    std::string list = "[";
    for (const DetectGroupSummary& block : blocks) {
        if (list.size() > 1) list += ',';
        JsonObject object;
        object.String(text::kKeyGroup, block.group)
            .Integer(text::kKeyImages, static_cast<int64_t>(block.images))
            .Integer(text::kKeyFailed, static_cast<int64_t>(block.failed));
        for (const MetricStats& m : block.metrics) object.Raw(m.metric.c_str(), StatsJson(m));
        list += object.Close();
    }
    list += ']';
    return JsonObject().Raw(text::kKeySummary, list).Close();
}

std::string DetectSummaryCsv(const std::vector<DetectGroupSummary>& blocks) {
    std::string out = std::string(kDetectSummaryCsvHeader) + "\n";
    for (const DetectGroupSummary& block : blocks) {
        for (const MetricStats& m : block.metrics) {
            AppendCsvField(out, block.group);
            out += ',' + std::to_string(block.images) + ',' + std::to_string(block.failed) + ',';
            AppendCsvField(out, m.metric);
            AppendMetricStatsCsv(out, m);
            out += '\n';
        }
    }
    return out;
}
