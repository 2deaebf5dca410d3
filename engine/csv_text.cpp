#include "csv_text.h"

#include <cmath>

#include "engine_texts.h"
#include "json.h"

void AppendCsvNumber(std::string& out, double value) {
    if (std::isnan(value)) return;
    if (std::isinf(value)) out += std::string(value < 0 ? "-" : "") + text::kInfinity;
    else AppendJsonNumber(out, value);
}

void AppendCsvField(std::string& out, std::string_view bytes) {
    if (bytes.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(bytes);
        return;
    }
    out += '"';
    for (char c : bytes) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}
