#include "measure_pairs.h"

#include <iterator>
#include <type_traits>

#include "attempt.h"
#include "csv_text.h"
#include "decoded_pairs.h"
#include "engine_texts.h"

namespace {

// The figures' columns, overall and per channel (with "<C>_" before them).
constexpr const char* kFigureKeys[] = {"mse",           "psnr",        "ssim",         "mae",      "nc", "ber",
                                       "changed_samples", "change_rate", "max_abs_diff", "identical"};

constexpr const char* kLeadingKeys[] = {"original", "manipulated", "group", "width", "height", "channels", "bits",
                                        "peak"};

template <class T>
MeasureValue Optional(const std::optional<T>& value) {
    return value ? MeasureValue(*value) : MeasureValue();
}

// Values in kFigureKeys' order.
std::vector<MeasureValue> FigureValues(const MeasureFigures* f) {
    if (f == nullptr) return std::vector<MeasureValue>(std::size(kFigureKeys));
    return {f->mse,
            f->psnr,
            Optional(f->ssim),
            f->mae,
            Optional(f->nc),
            Optional(f->ber),
            static_cast<int64_t>(f->changedSamples),
            f->changeRate,
            static_cast<int64_t>(f->maxAbsDiff),
            f->identical};
}

}  // namespace

PairDetection DetectPair(const ImageView& cover, const ImageView& stego, unsigned threads) {
    DetectOptions options;
    options.threads = threads;
    // A refused image (not 8 bits) has no estimate: the pair is still measured.
    return {OverallOf(DetectDecodedImage(cover, "", "", options)), OverallOf(DetectDecodedImage(stego, "", "", options))};
}

MeasureResult MeasureListedPair(const ListedPair& pair, const MeasureOptions& options, bool detect) {
    MeasureResult result;
    result.original = pair.original;
    result.manipulated = pair.manipulated;
    result.group = pair.group;
    if (pair.error) {
        result.error = pair.error;
        return result;
    }
    result.error = Attempt([&] {
        const auto [original, manipulated] = DecodeBoth(pair.original, pair.manipulated, options.threads);
        result.metrics = ComputeMeasure(original, manipulated, options);
        if (detect) result.detection = DetectPair(original, manipulated, options.threads);
    });
    return result;
}

const std::vector<std::string>& MeasureDetectColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> out;
        for (const char* image : {"stego_", "cover_"})
            for (const char* key : {text::kKeyRs, text::kKeySpa, text::kKeyWs, text::kKeyChi2P})
                out.push_back(std::string(image) + key);
        return out;
    }();
    return columns;
}

const std::vector<std::string>& MeasureColumns(bool detect) {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> out(std::begin(kLeadingKeys), std::end(kLeadingKeys));
        for (const char* key : kFigureKeys) out.emplace_back(key);
        for (const char* channel : kMeasureChannelNames)
            for (const char* key : kFigureKeys) out.push_back(std::string(channel) + "_" + key);
        out.emplace_back("ssim_unavailable");
        out.emplace_back("error");
        return out;
    }();
    static const std::vector<std::string> withDetect = [] {
        std::vector<std::string> out = columns;
        out.insert(out.end(), MeasureDetectColumns().begin(), MeasureDetectColumns().end());
        return out;
    }();
    return detect ? withDetect : columns;
}

std::vector<MeasureField> MeasureFields(const MeasureResult& result, bool detect) {
    std::vector<MeasureValue> values{result.original, result.manipulated, result.group};
    const MeasureMetrics* m = result.error ? nullptr : (result.metrics ? &*result.metrics : nullptr);
    if (m) {
        values.insert(values.end(), {int64_t{m->width}, int64_t{m->height}, int64_t{m->channels}, int64_t{m->bits},
                                     int64_t{m->peak}});
    } else {
        values.resize(values.size() + 5);
    }
    const auto add = [&](const MeasureFigures* f) {
        const std::vector<MeasureValue> figures = FigureValues(f);
        values.insert(values.end(), figures.begin(), figures.end());
    };
    add(m ? &m->overall : nullptr);
    for (const char* name : kMeasureChannelNames) {
        const MeasureFigures* channel = nullptr;
        if (m)
            for (const MeasureChannel& c : m->perChannel)
                if (c.name == name) channel = &c.figures;
        add(channel);
    }
    values.push_back(m ? Optional(m->ssimUnavailable) : MeasureValue());
    values.push_back(Optional(result.error));
    if (detect) {
        const PairDetection* d = result.detection && !result.error ? &*result.detection : nullptr;
        for (const DetectOverall* o : {d ? &d->stego : nullptr, d ? &d->cover : nullptr}) {
            for (const std::optional<double> DetectOverall::*value :
                 {&DetectOverall::rs, &DetectOverall::spa, &DetectOverall::ws, &DetectOverall::chi2P})
                values.push_back(o ? Optional(o->*value) : MeasureValue());
        }
    }

    const std::vector<std::string>& columns = MeasureColumns(detect);
    std::vector<MeasureField> fields;
    fields.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) fields.push_back({columns[i], std::move(values[i])});
    return fields;
}

std::string MeasureCsvHeader(bool detect) {
    std::string header;
    for (const std::string& column : MeasureColumns(detect)) {
        if (!header.empty()) header += ',';
        AppendCsvField(header, column);
    }
    return header;
}

std::string MeasureCsv(const std::vector<MeasureField>& fields) {
    std::string row;
    bool first = true;
    for (const MeasureField& field : fields) {
        if (!first) row += ',';
        first = false;
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, int64_t>) row += std::to_string(v);
                else if constexpr (std::is_same_v<T, double>) AppendCsvNumber(row, v);
                else if constexpr (std::is_same_v<T, bool>) row += v ? "true" : "false";
                else if constexpr (std::is_same_v<T, std::string>) AppendCsvField(row, v);
            },
            field.value);
    }
    return row;
}
