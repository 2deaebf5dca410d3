#include "json_output.h"

#include "json.h"
#include "engine_texts.h"

namespace {

void NumberOrNull(JsonObject& object, const char* key, const std::optional<double>& value) {
    if (value) object.Number(key, *value);
    else object.Null(key);
}

}  // namespace

std::string InfoJson(const InfoResult& result) {
    JsonObject object;
    object.String(text::kKeyPath, result.path);
    if (result.error) return object.String(text::kKeyError, *result.error).Close();
    object.String(text::kKeyKind, InfoKindName(result));
    if (result.kind == PictureKind::Bitmap || result.channels > 0) {
        object.Integer(text::kKeyWidth, result.width)
            .Integer(text::kKeyHeight, result.height)
            .Integer(text::kKeyBitsPerPixel, result.bitsPerPixel);
    }
    object.Integer(text::kKeyFileSize, result.fileSize);
    if (!result.format.empty()) object.String(text::kKeyFormat, result.format);
    if (result.channels > 0) {
        object.Integer(text::kKeyChannels, result.channels)
            .Integer(text::kKeyBitsPerSample, result.bitsPerSample)
            .Integer(text::kKeyPeak, result.peak);
    }
    return object.Close();
}

std::string HistogramJson(const HistogramResult& result) {
    JsonObject object;
    object.String(text::kKeyPath, result.path);
    if (result.error) return object.String(text::kKeyError, *result.error).Close();
    if (result.decoded) {
        // A decoded file: the first value of each bin, then each channel's
        // counts under its name, and the largest value a sample can take.
        const SampleHistogram& h = *result.decoded;
        const auto array = [](const auto& values) {
            std::string json = "[";
            for (size_t i = 0; i < values.size(); ++i) {
                if (i) json += ',';
                json += std::to_string(values[i]);
            }
            return json + "]";
        };
        object.Raw(text::kKeyBinStarts, array(h.binStarts));
        for (size_t c = 0; c < h.channels.size(); ++c) object.Raw(h.channels[c].c_str(), array(h.counts[c]));
        return object.Integer(text::kKeyMaxValue, h.peak).Close();
    }
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
    if (result.metricsUnavailable) {
        object.Null(text::kKeyMse).Null(text::kKeyPsnr).Null(text::kKeyMseText).Null(text::kKeyPsnrText);
    } else {
        object.Number(text::kKeyMse, result.metrics.MSE)
            .Number(text::kKeyPsnr, result.metrics.PSNR)
            .String(text::kKeyMseText, FormatMetric(result.metrics.MSE, "."))
            .String(text::kKeyPsnrText, FormatMetric(result.metrics.PSNR, "."));
    }
    if (result.standard) object.Raw(text::kKeyStandard, StandardJson(*result.standard));
    if (result.metricsUnavailable) object.String(text::kKeyMseUnavailable, *result.metricsUnavailable);
    if (result.warning) object.String(text::kKeyWarning, *result.warning);
    return object.Close();
}

std::string StandardJson(const StandardMetrics& metrics) {
    JsonObject channels;
    for (const ChannelMetrics& channel : metrics.channels) {
        JsonObject values;
        values.Number(text::kKeyMse, channel.mse).Number(text::kKeyPsnr, channel.psnr);
        NumberOrNull(values, text::kKeySsim, channel.ssim);
        channels.Raw(channel.name.c_str(), values.Close());
    }
    JsonObject object;
    // An infinite PSNR (identical images) is written as null.
    object.Number(text::kKeyMse, metrics.mse).Number(text::kKeyPsnr, metrics.psnr);
    NumberOrNull(object, text::kKeySsim, metrics.ssim);
    object.Bool(text::kKeyIdentical, metrics.identical)
        .Integer(text::kKeyPeak, metrics.peak)
        .Integer(text::kKeyChangedSamples, static_cast<int64_t>(metrics.changedSamples))
        .Integer(text::kKeyMaxAbsDiff, metrics.maxAbsDiff)
        .Raw(text::kKeyChannels, channels.Close());
    if (metrics.ssimUnavailable) object.String(text::kKeySsimUnavailable, *metrics.ssimUnavailable);
    return object.Close();
}
