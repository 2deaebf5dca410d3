#include "measure_output.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "csv_output.h"
#include "json.h"
#include "measure_summary_output.h"
#include "text_table.h"
#include "texts.h"

namespace {

// The table's columns after the paths and the group: each a key of
// MeasureColumns, but the first, which shows width and height together.
constexpr const char* kSizeColumn = "width x height";
constexpr const char* kTextFigures[] = {"channels", "bits", "mse", "psnr", "ssim",
                                        "mae",      "nc",   "ber", "change_rate"};

const MeasureValue* Find(const std::vector<MeasureField>& fields, std::string_view key) {
    const auto it =
        std::find_if(fields.begin(), fields.end(), [&](const MeasureField& field) { return field.key == key; });
    return it == fields.end() ? nullptr : &it->value;
}

std::string TextValue(const MeasureValue* value, std::string_view decimalSeparator) {
    if (value == nullptr) return text::kNoValue;
    return std::visit(
        [&](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) return text::kNoValue;
            else if constexpr (std::is_same_v<T, int64_t>) return std::to_string(v);
            else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
            else if constexpr (std::is_same_v<T, std::string>) return v;
            else if (std::isinf(v)) return std::string(v < 0 ? "-" : "") + text::kInfinity;
            else return MeasureSummaryNumber(v, decimalSeparator);
        },
        *value);
}

std::string TextOf(const std::vector<MeasureField>& fields, std::string_view key) {
    const MeasureValue* value = Find(fields, key);
    return value && std::holds_alternative<std::string>(*value) ? std::get<std::string>(*value) : std::string();
}

}  // namespace

std::string MeasureJson(const MeasureResult& result, bool detect) {
    JsonObject object;
    for (const MeasureField& field : MeasureFields(result, detect)) {
        const char* key = field.key.c_str();
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::monostate>) object.Null(key);
                else if constexpr (std::is_same_v<T, int64_t>) object.Integer(key, v);
                else if constexpr (std::is_same_v<T, double>) object.Number(key, v);
                else if constexpr (std::is_same_v<T, bool>) object.Bool(key, v);
                else object.String(key, v);
            },
            field.value);
    }
    return object.Close();
}

std::string MeasureText(std::span<const MeasureResult> results, std::string_view decimalSeparator, bool detect) {
    std::vector<std::vector<MeasureField>> fields;
    fields.reserve(results.size());
    for (const MeasureResult& result : results) fields.push_back(MeasureFields(result, detect));
    std::vector<std::string> figures(std::begin(kTextFigures), std::end(kTextFigures));
    if (detect) figures.insert(figures.end(), MeasureDetectColumns().begin(), MeasureDetectColumns().end());
    const bool groups = std::any_of(fields.begin(), fields.end(),
                                    [](const std::vector<MeasureField>& f) { return !TextOf(f, "group").empty(); });

    std::vector<std::string> heading{text::kColumnOriginal, text::kColumnManipulated};
    if (groups) heading.emplace_back("group");
    heading.emplace_back(kSizeColumn);
    heading.insert(heading.end(), figures.begin(), figures.end());
    std::vector<Align> columns(heading.size(), Align::Right);
    columns[0] = columns[1] = Align::Left;
    if (groups) columns[2] = Align::Left;

    std::vector<std::vector<std::string>> rows{heading};
    for (const std::vector<MeasureField>& f : fields) {
        std::vector<std::string>& row = rows.emplace_back();
        row.push_back(TextOf(f, "original"));
        row.push_back(TextOf(f, "manipulated"));
        if (groups) row.push_back(TextOf(f, "group"));
        const std::string error = TextOf(f, "error");
        if (!error.empty()) {
            row.push_back(text::kErrorCell + error);
            continue;
        }
        row.push_back(TextValue(Find(f, "width"), decimalSeparator) + " x " +
                      TextValue(Find(f, "height"), decimalSeparator));
        for (const std::string& key : figures) row.push_back(TextValue(Find(f, key), decimalSeparator));
    }
    return RenderTable(columns, rows);
}
