#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "csv_output.h"
#include "result_writer.h"

namespace {

using namespace std::string_literals;

struct FieldCase {
    const char* name;
    std::string bytes;
    std::string expected;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

class CsvField : public testing::TestWithParam<FieldCase> {};

TEST_P(CsvField, QuotedOnlyWhenNeeded) {
    std::string out = "x,";  // appends, never replaces
    AppendCsvField(out, GetParam().bytes);
    EXPECT_EQ(out, "x," + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvField,
    testing::Values(FieldCase{"Plain", "gambar/hasil 01.bmp", "gambar/hasil 01.bmp"},
                    FieldCase{"Empty", "", ""},
                    FieldCase{"Comma", "a,b.bmp", "\"a,b.bmp\""},
                    FieldCase{"Quote", "say \"hi\".bmp", "\"say \"\"hi\"\".bmp\""},
                    FieldCase{"OnlyAQuote", "\"", "\"\"\"\""},
                    FieldCase{"LineFeed", "a\nb", "\"a\nb\""},
                    FieldCase{"CarriageReturn", "a\rb", "\"a\rb\""},
                    FieldCase{"SystemErrorText", "System Error.  Code: 12.\r\nCannot allocate memory",
                              "\"System Error.  Code: 12.\r\nCannot allocate memory\""},
                    FieldCase{"BlanksKept", "  a  ", "  a  "},
                    FieldCase{"SemicolonAndTabNotSpecial", "a;b\tc", "a;b\tc"},
                    FieldCase{"NulAndNonUtf8BytesAsTheyAre", "a\0\xe9"s, "a\0\xe9"s},
                    FieldCase{"QuoteAndCommaTogether", "\",\"", "\"\"\",\"\"\""}),
    [](const testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

PairResult Pair(std::string manipulated, double mse, double psnr) {
    PairResult r;
    r.original = "asli.bmp";
    r.manipulated = std::move(manipulated);
    r.metrics = {mse, psnr};
    return r;
}

PairResult FailedPair(std::string manipulated, std::string message) {
    PairResult r;
    r.original = "asli.bmp";
    r.manipulated = std::move(manipulated);
    r.error = std::move(message);
    return r;
}

// Today's seven columns open the header and every line; the field's
// metrics follow (their own tests are with the field's metrics).
TEST(CsvLines, HeaderSuccessAndFailure) {
    const auto todays = [](const std::string& line, const std::string& want) {
        EXPECT_EQ(line.substr(0, want.size()), want);
        EXPECT_EQ(line.substr(want.size(), 1), ",") << line;
    };
    todays(PairCsvHeader(), "original,manipulated,mse,psnr,mse_text,psnr_text,error");
    todays(PairCsv(Pair("b.bmp", 0.0625, 60.171933872017)), "asli.bmp,b.bmp,0.0625,60.171933872017,0.063,60.172,");
    todays(PairCsv(Pair("d.bmp", 195075.0, -4.771212547196624)),
           "asli.bmp,d.bmp,195075,-4.771212547196624,195075.000,-4.771,");
    todays(PairCsv(FailedPair("e,1.bmp", "Cannot open file \"/x/e,1.bmp\". No such file or directory")),
           "asli.bmp,\"e,1.bmp\",,,,,\"Cannot open file \"\"/x/e,1.bmp\"\". No such file or directory\"");
}

TEST(CsvLines, WriterStartsWithTheHeaderAndEndsEveryLine) {
    std::ostringstream out;
    {
        // A comma as the user's separator must not reach the numbers.
        const auto writer = MakeResultWriter(OutputFormat::Csv, out, ",");
        EXPECT_EQ(out.str(), PairCsvHeader() + "\n");
        writer->Write(Pair("b.bmp", 1.5, 46.37));
        writer->Write(FailedPair("c.bmp", "Stream read error"));
        writer->Finish();
    }
    EXPECT_EQ(out.str(), PairCsvHeader() + "\n" + PairCsv(Pair("b.bmp", 1.5, 46.37)) + "\n" +
                             PairCsv(FailedPair("c.bmp", "Stream read error")) + "\n");
    EXPECT_NE(out.str().find("\nasli.bmp,b.bmp,1.5,46.37,1.500,46.370,"), std::string::npos) << out.str();
}

}  // namespace
