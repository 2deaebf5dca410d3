#include "result_writer.h"

#include <utility>

#include "csv_output.h"
#include "json_output.h"
#include "text_output.h"

namespace {

class JsonLinesWriter : public ResultWriter {
public:
    explicit JsonLinesWriter(std::ostream& out) : out_(out) {}
    void Write(const InfoResult& result) override { Line(InfoJson(result)); }
    void Write(const HistogramResult& result) override { Line(HistogramJson(result)); }
    void Write(const PairResult& result) override { Line(PairJson(result)); }

private:
    void Line(const std::string& text) { out_ << text << '\n' << std::flush; }
    std::ostream& out_;
};

// Compare only: the header at once, then one line per pair.
class CsvWriter : public ResultWriter {
public:
    explicit CsvWriter(std::ostream& out) : out_(out) { Line(PairCsvHeader()); }
    void Write(const InfoResult&) override {}
    void Write(const HistogramResult&) override {}
    void Write(const PairResult& result) override { Line(PairCsv(result)); }

private:
    void Line(const std::string& text) { out_ << text << '\n' << std::flush; }
    std::ostream& out_;
};

class TextWriter : public ResultWriter {
public:
    TextWriter(std::ostream& out, std::string decimalSeparator)
        : out_(out), decimalSeparator_(std::move(decimalSeparator)) {}
    void Write(const InfoResult& result) override { infos_.push_back(result); }
    void Write(const HistogramResult& result) override { out_ << HistogramText(result); }
    void Write(const PairResult& result) override { pairs_.push_back(result); }
    void Finish() override {
        if (!infos_.empty()) out_ << InfoText(infos_);
        if (!pairs_.empty()) out_ << PairText(pairs_, decimalSeparator_);
        infos_.clear();
        pairs_.clear();
        out_.flush();
    }

private:
    std::ostream& out_;
    std::string decimalSeparator_;
    std::vector<InfoResult> infos_;
    std::vector<PairResult> pairs_;
};

}  // namespace

std::unique_ptr<ResultWriter> MakeResultWriter(OutputFormat format, std::ostream& out,
                                               std::string decimalSeparator) {
    if (format == OutputFormat::Json) return std::make_unique<JsonLinesWriter>(out);
    if (format == OutputFormat::Csv) return std::make_unique<CsvWriter>(out);
    return std::make_unique<TextWriter>(out, std::move(decimalSeparator));
}
