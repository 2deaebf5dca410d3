#include "text_output.h"

#include <algorithm>
#include <cmath>

#include "text_table.h"
#include "texts.h"

namespace {

// SSIM lies in [-1, 1] and papers compare it to the fourth decimal or
// finer: three would hide what tells two methods apart.
constexpr int kSsimPlaces = 6;

std::string ErrorCell(const std::string& message) { return text::kErrorCell + message; }

}  // namespace

std::string InfoText(std::span<const InfoResult> results) {
    std::vector<std::vector<std::string>> rows{{text::kColumnPath, text::kColumnKind, text::kColumnWidth,
                                                text::kColumnHeight, text::kColumnBpp, text::kColumnBytes}};
    for (const InfoResult& r : results) {
        if (r.error) {
            rows.push_back({r.path, ErrorCell(*r.error)});
        } else if (r.kind == PictureKind::Bitmap || r.channels > 0) {
            rows.push_back({r.path, InfoKindName(r), std::to_string(r.width), std::to_string(r.height),
                            std::to_string(r.bitsPerPixel), std::to_string(r.fileSize)});
        } else {
            rows.push_back({r.path, InfoKindName(r), text::kNoValue, text::kNoValue, text::kNoValue,
                            std::to_string(r.fileSize)});
        }
    }
    return RenderTable({Align::Left, Align::Left, Align::Right, Align::Right, Align::Right, Align::Right},
                       rows);
}

std::string HistogramText(const HistogramResult& result) {
    std::string out = OneLine(result.path) + "\n";
    if (result.error) return out + OneLine(ErrorCell(*result.error)) + "\n";
    if (result.decoded) {
        // A decoded file: a column per channel, a row per bin.
        const SampleHistogram& h = *result.decoded;
        std::vector<std::vector<std::string>> rows{{text::kColumnValue}};
        rows[0].insert(rows[0].end(), h.channels.begin(), h.channels.end());
        for (size_t i = 0; i < h.Bins(); ++i) {
            auto& row = rows.emplace_back(std::vector<std::string>{std::to_string(h.binStarts[i])});
            for (const auto& counts : h.counts) row.push_back(std::to_string(counts[i]));
        }
        return out + RenderTable(std::vector<Align>(rows[0].size(), Align::Right), rows);
    }
    std::vector<std::vector<std::string>> rows{
        {text::kColumnValue, text::kColumnRed, text::kColumnGreen, text::kColumnBlue}};
    for (size_t v = 0; v < 256; ++v) {
        rows.push_back({std::to_string(v), std::to_string(result.counts.Red[v]),
                        std::to_string(result.counts.Green[v]), std::to_string(result.counts.Blue[v])});
    }
    out += RenderTable({Align::Right, Align::Right, Align::Right, Align::Right}, rows);
    return out + text::kPeak + std::to_string(result.counts.Peak) + "\n";
}

std::string StandardMetricText(double value, std::string_view decimalSeparator) {
    return std::isinf(value) && value > 0 ? text::kInfinity : FormatMetric(value, decimalSeparator);
}

std::string PairText(std::span<const PairResult> results, std::string_view decimalSeparator) {
    // The field's PSNR gets a column of its own once a pair has it, SSIM
    // once it was asked for.
    const bool standard = std::any_of(results.begin(), results.end(),
                                      [](const PairResult& r) { return r.standard.has_value(); });
    const bool ssim = std::any_of(results.begin(), results.end(), [](const PairResult& r) {
        return r.standard && (r.standard->ssim || r.standard->ssimUnavailable);
    });
    std::vector<std::vector<std::string>> rows{
        {text::kColumnOriginal, text::kColumnManipulated, text::kColumnMse, text::kColumnPsnr}};
    if (standard) rows[0].push_back(text::kColumnStandardPsnr);
    if (ssim) rows[0].push_back(text::kColumnSsim);
    for (const PairResult& r : results) {
        if (r.error) {
            rows.push_back({r.original, r.manipulated, ErrorCell(*r.error)});
            continue;
        }
        auto& row = rows.emplace_back(std::vector<std::string>{r.original, r.manipulated});
        if (r.metricsUnavailable) {
            row.insert(row.end(), {text::kNoValue, text::kNoValue});
        } else {
            row.push_back(FormatMetric(r.metrics.MSE, decimalSeparator));
            row.push_back(FormatMetric(r.metrics.PSNR, decimalSeparator));
        }
        if (standard)
            row.push_back(r.standard ? StandardMetricText(r.standard->psnr, decimalSeparator) : text::kNoValue);
        if (ssim)
            row.push_back(r.standard && r.standard->ssim
                              ? FormatMetric(*r.standard->ssim, decimalSeparator, kSsimPlaces)
                              : text::kNoValue);
    }
    std::vector<Align> columns{Align::Left, Align::Left, Align::Right, Align::Right};
    if (standard) columns.push_back(Align::Right);
    if (ssim) columns.push_back(Align::Right);
    std::string out = RenderTable(columns, rows);
    for (const PairResult& r : results)
        if (r.warning && !r.error) out += text::kWarningLine + *r.warning + "\n";
    return out;
}
