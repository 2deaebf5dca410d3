#include "text_output.h"

#include "text_table.h"
#include "texts.h"

namespace {

std::string ErrorCell(const std::string& message) { return text::kErrorCell + message; }

}  // namespace

std::string InfoText(std::span<const InfoResult> results) {
    std::vector<std::vector<std::string>> rows{{text::kColumnPath, text::kColumnKind, text::kColumnWidth,
                                                text::kColumnHeight, text::kColumnBpp, text::kColumnBytes}};
    for (const InfoResult& r : results) {
        if (r.error) {
            rows.push_back({r.path, ErrorCell(*r.error)});
        } else if (r.kind == PictureKind::Bitmap) {
            rows.push_back({r.path, PictureKindName(r.kind), std::to_string(r.width),
                            std::to_string(r.height), std::to_string(r.bitsPerPixel),
                            std::to_string(r.fileSize)});
        } else {
            rows.push_back({r.path, PictureKindName(r.kind), text::kNoValue, text::kNoValue, text::kNoValue,
                            std::to_string(r.fileSize)});
        }
    }
    return RenderTable({Align::Left, Align::Left, Align::Right, Align::Right, Align::Right, Align::Right},
                       rows);
}

std::string HistogramText(const HistogramResult& result) {
    std::string out = OneLine(result.path) + "\n";
    if (result.error) return out + OneLine(ErrorCell(*result.error)) + "\n";
    std::vector<std::vector<std::string>> rows{
        {text::kColumnValue, text::kColumnRed, text::kColumnGreen, text::kColumnBlue}};
    for (size_t v = 0; v < 256; ++v) {
        rows.push_back({std::to_string(v), std::to_string(result.counts.Red[v]),
                        std::to_string(result.counts.Green[v]), std::to_string(result.counts.Blue[v])});
    }
    out += RenderTable({Align::Right, Align::Right, Align::Right, Align::Right}, rows);
    return out + text::kPeak + std::to_string(result.counts.Peak) + "\n";
}

std::string PairText(std::span<const PairResult> results, std::string_view decimalSeparator) {
    std::vector<std::vector<std::string>> rows{
        {text::kColumnOriginal, text::kColumnManipulated, text::kColumnMse, text::kColumnPsnr}};
    for (const PairResult& r : results) {
        if (r.error) {
            rows.push_back({r.original, r.manipulated, ErrorCell(*r.error)});
        } else {
            rows.push_back({r.original, r.manipulated, FormatMetric(r.metrics.MSE, decimalSeparator),
                            FormatMetric(r.metrics.PSNR, decimalSeparator)});
        }
    }
    return RenderTable({Align::Left, Align::Left, Align::Right, Align::Right}, rows);
}
