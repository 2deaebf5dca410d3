#include "json_output.h"

#include <array>
#include <cstdint>

#include "json.h"

namespace {

// Builds {"key":value,...} in the order the members are added.
class JsonObject {
public:
    JsonObject& String(const char* key, std::string_view value) {
        Key(key);
        AppendJsonString(text_, value);
        return *this;
    }
    JsonObject& Integer(const char* key, int64_t value) {
        Key(key);
        text_ += std::to_string(value);
        return *this;
    }
    JsonObject& Number(const char* key, double value) {
        Key(key);
        AppendJsonNumber(text_, value);
        return *this;
    }
    JsonObject& Counts(const char* key, const std::array<int32_t, 256>& counts) {
        Key(key);
        text_ += '[';
        for (size_t v = 0; v < counts.size(); ++v) {
            if (v > 0) text_ += ',';
            text_ += std::to_string(counts[v]);
        }
        text_ += ']';
        return *this;
    }
    std::string Close() { return text_ + '}'; }

private:
    void Key(const char* key) {
        text_ += text_.size() > 1 ? "," : "";
        AppendJsonString(text_, key);
        text_ += ':';
    }
    std::string text_ = "{";
};

}  // namespace

std::string InfoJson(const InfoResult& result) {
    JsonObject object;
    object.String("path", result.path);
    if (result.error) return object.String("error", *result.error).Close();
    object.String("kind", PictureKindName(result.kind));
    if (result.kind == PictureKind::Bitmap) {
        object.Integer("width", result.width)
            .Integer("height", result.height)
            .Integer("bits_per_pixel", result.bitsPerPixel);
    }
    return object.Integer("file_size", result.fileSize).Close();
}

std::string HistogramJson(const HistogramResult& result) {
    JsonObject object;
    object.String("path", result.path);
    if (result.error) return object.String("error", *result.error).Close();
    return object.Counts("red", result.counts.Red)
        .Counts("green", result.counts.Green)
        .Counts("blue", result.counts.Blue)
        .Integer("peak", result.counts.Peak)
        .Close();
}

std::string PairJson(const PairResult& result) {
    JsonObject object;
    object.String("original", result.original).String("manipulated", result.manipulated);
    if (result.error) return object.String("error", *result.error).Close();
    return object.Number("mse", result.metrics.MSE)
        .Number("psnr", result.metrics.PSNR)
        .String("mse_text", FormatMetric(result.metrics.MSE, "."))
        .String("psnr_text", FormatMetric(result.metrics.PSNR, "."))
        .Close();
}
