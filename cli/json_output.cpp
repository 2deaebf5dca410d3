#include "json_output.h"

#include <array>
#include <cstdint>

#include "json.h"
#include "texts.h"

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
    object.String(text::kKeyPath, result.path);
    if (result.error) return object.String(text::kKeyError, *result.error).Close();
    object.String(text::kKeyKind, PictureKindName(result.kind));
    if (result.kind == PictureKind::Bitmap) {
        object.Integer(text::kKeyWidth, result.width)
            .Integer(text::kKeyHeight, result.height)
            .Integer(text::kKeyBitsPerPixel, result.bitsPerPixel);
    }
    return object.Integer(text::kKeyFileSize, result.fileSize).Close();
}

std::string HistogramJson(const HistogramResult& result) {
    JsonObject object;
    object.String(text::kKeyPath, result.path);
    if (result.error) return object.String(text::kKeyError, *result.error).Close();
    return object.Counts(text::kKeyRed, result.counts.Red)
        .Counts(text::kKeyGreen, result.counts.Green)
        .Counts(text::kKeyBlue, result.counts.Blue)
        .Integer(text::kKeyPeak, result.counts.Peak)
        .Close();
}

std::string PairJson(const PairResult& result) {
    JsonObject object;
    object.String(text::kKeyOriginal, result.original).String(text::kKeyManipulated, result.manipulated);
    if (result.error) return object.String(text::kKeyError, *result.error).Close();
    return object.Number(text::kKeyMse, result.metrics.MSE)
        .Number(text::kKeyPsnr, result.metrics.PSNR)
        .String(text::kKeyMseText, FormatMetric(result.metrics.MSE, "."))
        .String(text::kKeyPsnrText, FormatMetric(result.metrics.PSNR, "."))
        .Close();
}
