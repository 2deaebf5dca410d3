#include "csv_output.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "json.h"
#include "texts.h"

namespace {

constexpr const char* kChannelOrder[] = {"R", "G", "B", "A", "Y"};
constexpr size_t kStandardFields = 7;

void AppendStandardFields(std::string& line, const std::optional<StandardMetrics>& metrics,
                          const std::optional<std::string>& metricsUnavailable) {
    if (!metrics) {
        line.append(kStandardFields + 3 * std::size(kChannelOrder) + 2, ',');
        return;
    }
    const auto field = [&](auto append) {
        line += ',';
        append();
    };
    field([&] { AppendCsvNumber(line, metrics->mse); });
    field([&] { AppendCsvNumber(line, metrics->psnr); });
    field([&] { if (metrics->ssim) AppendCsvNumber(line, *metrics->ssim); });
    field([&] { line += metrics->identical ? "true" : "false"; });
    field([&] { line += std::to_string(metrics->peak); });
    field([&] { line += std::to_string(metrics->changedSamples); });
    field([&] { line += std::to_string(metrics->maxAbsDiff); });
    for (const char* name : kChannelOrder) {
        const auto channel = std::find_if(metrics->channels.begin(), metrics->channels.end(),
                                          [&](const ChannelMetrics& c) { return c.name == name; });
        if (channel == metrics->channels.end()) {
            line.append(3, ',');
            continue;
        }
        field([&] { AppendCsvNumber(line, channel->mse); });
        field([&] { AppendCsvNumber(line, channel->psnr); });
        field([&] { if (channel->ssim) AppendCsvNumber(line, *channel->ssim); });
    }
    line += ',';
    if (metricsUnavailable) AppendCsvField(line, *metricsUnavailable);
    line += ',';
    if (metrics->ssimUnavailable) AppendCsvField(line, *metrics->ssimUnavailable);
}

}  // namespace

std::string PairCsvHeader() {
    std::string header = text::kCsvHeader;
    header += text::kCsvStandardColumns;
    for (const char* name : kChannelOrder) {
        for (const char* metric : {"_mse", "_psnr", "_ssim"}) header += std::string(",") + name + metric;
    }
    return header + text::kCsvReasonColumns;
}

std::string PairCsv(const PairResult& result) {
    std::string line;
    AppendCsvField(line, result.original);
    line += ',';
    AppendCsvField(line, result.manipulated);
    line += ',';
    if (result.error) {
        line += ",,,,";
        AppendCsvField(line, *result.error);
        AppendStandardFields(line, std::nullopt, std::nullopt);
        return line + ',';
    }
    if (result.metricsUnavailable) {
        line += ",,,,";
        AppendStandardFields(line, result.standard, result.metricsUnavailable);
        return line + ',';
    }
    // Finite numbers in shortest form contain no comma or quote.
    AppendJsonNumber(line, result.metrics.MSE);
    line += ',';
    AppendJsonNumber(line, result.metrics.PSNR);
    line += ',';
    line += FormatMetric(result.metrics.MSE, ".");
    line += ',';
    line += FormatMetric(result.metrics.PSNR, ".");
    line += ',';
    AppendStandardFields(line, result.standard, std::nullopt);
    line += ',';
    if (result.warning) AppendCsvField(line, *result.warning);
    return line;
}
