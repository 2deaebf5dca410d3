#include "measure_summary_output.h"

#include <charconv>
#include <cstdint>

#include "csv_output.h"
#include "json.h"
#include "text_table.h"

namespace {

constexpr int kTextDigits = 6;  // significant digits of the text table

}  // namespace

std::string MeasureSummaryNumber(double value, std::string_view decimalSeparator) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, kTextDigits);
    if (ec != std::errc()) return "";
    std::string out;
    for (const char* c = buffer; c != end; ++c) {
        if (*c == '.') out += decimalSeparator;
        else out += *c;
    }
    return out;
}

namespace {

std::string Heading(const GroupSummary& block) {
    std::string heading = "group " + (block.group.empty() ? std::string("(none)") : OneLine(block.group));
    if (block.peak == 0) return heading + " (no pair succeeded)\n";
    heading += " (peak " + std::to_string(block.peak) + ")";
    if (block.splitByPeak) heading += ", split by peak";
    return heading + "\n";
}

std::string Counts(const GroupSummary& block) {
    return "pairs: " + std::to_string(block.pairs) + "  failed: " + std::to_string(block.failed) +
           "  identical: " + std::to_string(block.identical) + "\n";
}

std::string MetricJson(const MetricStats& m) {
    JsonObject object;
    AddMetricStatsJson(object, m);
    object.Integer("infinite", static_cast<int64_t>(m.infinite));
    return object.Close();
}

}  // namespace

void AddMetricStatsJson(JsonObject& object, const MetricStats& m) {
    object.Integer("count", static_cast<int64_t>(m.count));
    const auto number = [&](const char* key, double value) {
        if (m.count > 0) object.Number(key, value);
        else object.Null(key);
    };
    number("mean", m.mean);
    if (m.sd) object.Number("sd", *m.sd);
    else object.Null("sd");
    number("median", m.median);
    number("min", m.min);
    number("max", m.max);
}

std::string MetricStatsTable(const std::vector<MetricStats>& metrics, std::string_view decimalSeparator) {
    std::vector<std::vector<std::string>> rows{{"metric", "count", "mean", "sd", "median", "min", "max"}};
    for (const MetricStats& m : metrics) {
        const auto cell = [&](double value) {
            return m.count > 0 ? MeasureSummaryNumber(value, decimalSeparator) : std::string();
        };
        rows.push_back({m.metric, std::to_string(m.count), cell(m.mean),
                        m.sd ? MeasureSummaryNumber(*m.sd, decimalSeparator) : std::string(), cell(m.median),
                        cell(m.min), cell(m.max)});
    }
    return RenderTable({Align::Left, Align::Right, Align::Right, Align::Right, Align::Right, Align::Right, Align::Right},
                       rows);
}

std::string MeasureSummaryText(const std::vector<GroupSummary>& blocks, std::string_view decimalSeparator) {
    std::string out;
    for (const GroupSummary& block : blocks) {
        if (!out.empty()) out += '\n';
        out += Heading(block) + Counts(block);
        out += MetricStatsTable(block.metrics, decimalSeparator);
        for (const MetricStats& m : block.metrics)
            if (m.infinite > 0)
                out += m.metric + ": " + std::to_string(m.infinite) +
                       " infinite (identical) pairs left out of the statistics\n";
    }
    return out;
}

std::string MeasureSummaryJson(const std::vector<GroupSummary>& blocks) {
    std::string list = "[";
    for (const GroupSummary& block : blocks) {
        if (list.size() > 1) list += ',';
        JsonObject object;
        object.String("group", block.group)
            .Integer("peak", block.peak)
            .Bool("split_by_peak", block.splitByPeak)
            .Integer("pairs", static_cast<int64_t>(block.pairs))
            .Integer("failed", static_cast<int64_t>(block.failed))
            .Integer("identical", static_cast<int64_t>(block.identical));
        for (const MetricStats& m : block.metrics) object.Raw(m.metric.c_str(), MetricJson(m));
        list += object.Close();
    }
    list += ']';
    return JsonObject().Raw("summary", list).Close();
}

std::string MeasureSummaryCsv(const std::vector<GroupSummary>& blocks) {
    std::string out = std::string(kMeasureSummaryCsvHeader) + "\n";
    for (const GroupSummary& block : blocks) {
        std::string lead;
        AppendCsvField(lead, block.group);
        lead += ',' + std::to_string(block.peak) + ',' + (block.splitByPeak ? "true" : "false") + ',' +
                std::to_string(block.pairs) + ',' + std::to_string(block.failed) + ',' +
                std::to_string(block.identical) + ',';
        for (const MetricStats& m : block.metrics) {
            out += lead;
            AppendCsvField(out, m.metric);
            AppendMetricStatsCsv(out, m);
            out += ',' + std::to_string(m.infinite) + '\n';
        }
    }
    return out;
}

void AppendMetricStatsCsv(std::string& out, const MetricStats& m) {
    out += ',' + std::to_string(m.count);
    const auto number = [&](const std::optional<double>& value) {
        out += ',';
        if (value) AppendCsvNumber(out, *value);
    };
    const auto some = [&](double value) { return m.count > 0 ? std::optional<double>(value) : std::nullopt; };
    number(some(m.mean));
    number(m.sd);
    number(some(m.median));
    number(some(m.min));
    number(some(m.max));
}
