#include "summary.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "csv_output.h"
#include "json.h"
#include "text_table.h"
#include "texts.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string MetricJson(const MetricSummary& m) {
    JsonObject object;
    object.Integer(text::kKeyCount, static_cast<int64_t>(m.count))
        .Number(text::kKeyMean, m.mean)
        .Number(text::kKeyMedian, m.median)
        .Number(text::kKeyMin, m.min)
        .Number(text::kKeyMax, m.max);
    if (m.sampleStddev) object.Number(text::kKeySampleStddev, *m.sampleStddev);
    else object.Null(text::kKeySampleStddev);
    return object.Close();
}

std::string TextValue(double value, std::string_view decimalSeparator) {
    return std::isnan(value) ? text::kNoValue : FormatMetric(value, decimalSeparator);
}

}  // namespace

MetricSummary SummarizeValues(const char* key, const char* label, std::vector<double> values) {
    MetricSummary m;
    m.key = key;
    m.label = label;
    m.count = values.size();
    if (values.empty()) {
        m.mean = m.median = m.min = m.max = kNaN;
        return m;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    m.min = values.front();
    m.max = values.back();
    m.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    double sum = 0;
    for (double v : values) sum += v;
    m.mean = sum / static_cast<double>(n);
    if (n >= 2) {
        // Two passes: the deviations from the mean, not sum of squares minus
        // square of sums, which loses everything on large near-equal values.
        double squares = 0;
        for (double v : values) squares += (v - m.mean) * (v - m.mean);
        m.sampleStddev = std::sqrt(squares / static_cast<double>(n - 1));
    }
    return m;
}

void SummaryBuilder::Add(const PairResult& result) {
    ++pairs_;
    if (result.error) {
        ++failed_;
        return;
    }
    if (!result.metricsUnavailable) {
        mse_.push_back(result.metrics.MSE);
        psnr_.push_back(result.metrics.PSNR);
    }
    if (!result.standard) {
        if (result.metrics.MSE == 0) ++identical_;
        return;
    }
    standard_ = true;
    const StandardMetrics& s = *result.standard;
    if (s.identical) ++identical_;
    stdMse_.push_back(s.mse);
    if (std::isfinite(s.psnr)) stdPsnr_.push_back(s.psnr);
    if (s.ssim) stdSsim_.push_back(*s.ssim);
    ssimAsked_ = ssimAsked_ || s.ssim || s.ssimUnavailable;
}

RunSummary SummaryBuilder::Build() const {
    RunSummary summary{pairs_, failed_, identical_, {}};
    summary.metrics.push_back(SummarizeValues(text::kKeyMse, text::kColumnMse, mse_));
    summary.metrics.push_back(SummarizeValues(text::kKeyPsnr, text::kColumnPsnr, psnr_));
    if (standard_) {
        summary.metrics.push_back(SummarizeValues(text::kKeyStdMse, text::kRowStandardMse, stdMse_));
        summary.metrics.push_back(SummarizeValues(text::kKeyStdPsnr, text::kColumnStandardPsnr, stdPsnr_));
        if (ssimAsked_) summary.metrics.push_back(SummarizeValues(text::kKeyStdSsim, text::kColumnSsim, stdSsim_));
    }
    return summary;
}

std::string SummaryJson(const RunSummary& summary) {
    JsonObject inner;
    inner.Integer(text::kKeyPairs, static_cast<int64_t>(summary.pairs))
        .Integer(text::kKeyFailed, static_cast<int64_t>(summary.failed))
        .Integer(text::kKeyIdentical, static_cast<int64_t>(summary.identical));
    for (const MetricSummary& m : summary.metrics) inner.Raw(m.key, MetricJson(m));
    return JsonObject().Raw(text::kKeySummary, inner.Close()).Close();
}

std::string SummaryCsv(const RunSummary& summary) {
    std::string out = std::string(text::kCsvSummaryHeader) + "\n";
    const std::string counts = std::to_string(summary.pairs) + "," + std::to_string(summary.failed) + "," +
                               std::to_string(summary.identical) + ",";
    for (const MetricSummary& m : summary.metrics) {
        out += counts + m.key + "," + std::to_string(m.count);
        for (double value : {m.mean, m.median, m.min, m.max}) {
            out += ',';
            AppendCsvNumber(out, value);
        }
        out += ',';
        if (m.sampleStddev) AppendCsvNumber(out, *m.sampleStddev);
        out += '\n';
    }
    return out;
}

std::string SummaryText(const RunSummary& summary, std::string_view decimalSeparator) {
    std::vector<std::vector<std::string>> rows{{text::kColumnMetric, text::kColumnCount, text::kColumnMean,
                                                text::kColumnMedian, text::kColumnMin, text::kColumnMax,
                                                text::kColumnSampleSd}};
    for (const MetricSummary& m : summary.metrics) {
        rows.push_back({m.label, std::to_string(m.count), TextValue(m.mean, decimalSeparator),
                        TextValue(m.median, decimalSeparator), TextValue(m.min, decimalSeparator),
                        TextValue(m.max, decimalSeparator),
                        m.sampleStddev ? FormatMetric(*m.sampleStddev, decimalSeparator) : text::kNoValue});
    }
    return text::SummaryCounts(summary.pairs, summary.failed, summary.identical) +
           RenderTable({Align::Left, Align::Right, Align::Right, Align::Right, Align::Right, Align::Right,
                        Align::Right},
                       rows);
}
