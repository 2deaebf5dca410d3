#include "csv_output.h"

#include "json.h"
#include "texts.h"

std::string PairCsvHeader() { return text::kCsvHeader; }

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

std::string PairCsv(const PairResult& result) {
    std::string line;
    AppendCsvField(line, result.original);
    line += ',';
    AppendCsvField(line, result.manipulated);
    line += ',';
    if (result.error) {
        line += ",,,,";
        AppendCsvField(line, *result.error);
        return line;
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
    return line;
}
