#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "report_html.h"
#include "csv_output.h"
#include "json.h"
#include "json_output.h"
#include "result_writer.h"
#include "text_output.h"
#include "text_table.h"

namespace {

InfoResult Bitmap24(std::string path, int32_t w, int32_t h, int64_t size) {
    InfoResult r;
    r.path = std::move(path);
    r.kind = PictureKind::Bitmap;
    r.width = w;
    r.height = h;
    r.bitsPerPixel = 24;
    r.fileSize = size;
    return r;
}

InfoResult Other(std::string path, PictureKind kind, int64_t size) {
    InfoResult r;
    r.path = std::move(path);
    r.kind = kind;
    r.width = 16;  // a size the loader may know; not part of the output
    r.height = 16;
    r.fileSize = size;
    return r;
}

InfoResult FailedInfo(std::string path, std::string message) {
    InfoResult r;
    r.path = std::move(path);
    r.error = std::move(message);
    return r;
}

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

struct JsonCase {
    const char* name;
    std::string actual;
    std::string expected;
};

void PrintTo(const JsonCase& c, std::ostream* os) { *os << c.name; }

class JsonFormatting : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonFormatting, ExactObject) { EXPECT_EQ(GetParam().actual, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonFormatting,
    testing::Values(
        JsonCase{"InfoBitmap", InfoJson(Bitmap24("a.bmp", 2, 3, 78)),
                 R"({"path":"a.bmp","kind":"bitmap","width":2,"height":3,"bits_per_pixel":24,"file_size":78})"},
        JsonCase{"InfoEmptyBitmap", InfoJson([] { auto r = Bitmap24("e.bmp", 0, 0, 0); r.bitsPerPixel = 0; return r; }()),
                 R"({"path":"e.bmp","kind":"bitmap","width":0,"height":0,"bits_per_pixel":0,"file_size":0})"},
        JsonCase{"InfoJpegHasNoSize", InfoJson(Other("x.jpg", PictureKind::Jpeg, 1234)),
                 R"({"path":"x.jpg","kind":"jpeg","file_size":1234})"},
        JsonCase{"InfoIcon", InfoJson(Other("i.ico", PictureKind::Icon, 6)),
                 R"({"path":"i.ico","kind":"icon","file_size":6})"},
        JsonCase{"InfoMetafile", InfoJson(Other("m.wmf", PictureKind::Metafile, 40)),
                 R"({"path":"m.wmf","kind":"metafile","file_size":40})"},
        JsonCase{"InfoBeyond4GiB", InfoJson(Bitmap24("big.bmp", 1, 1, 5000000000LL)),
                 R"({"path":"big.bmp","kind":"bitmap","width":1,"height":1,"bits_per_pixel":24,"file_size":5000000000})"},
        JsonCase{"InfoError", InfoJson(FailedInfo("t.bmp", "Stream read error")),
                 R"({"path":"t.bmp","error":"Stream read error"})"},
        JsonCase{"InfoErrorEscaped",
                 InfoJson(FailedInfo("q\".bmp", "System Error.  Code: 12.\r\nCannot allocate memory")),
                 R"({"path":"q\".bmp","error":"System Error.  Code: 12.\r\nCannot allocate memory"})"},
        JsonCase{"PairIdentical", PairJson(Pair("b.bmp", 0.0, 108.13080360867909)),
                 R"({"original":"asli.bmp","manipulated":"b.bmp","mse":0,"psnr":108.13080360867909,"mse_text":"0.000","psnr_text":"108.131"})"},
        JsonCase{"PairHalfRoundsAway", PairJson(Pair("c.bmp", 0.0625, 60.171933872017)),
                 R"({"original":"asli.bmp","manipulated":"c.bmp","mse":0.0625,"psnr":60.171933872017,"mse_text":"0.063","psnr_text":"60.172"})"},
        JsonCase{"PairNegativePsnr", PairJson(Pair("d.bmp", 195075.0, -4.771212547196624)),
                 R"({"original":"asli.bmp","manipulated":"d.bmp","mse":195075,"psnr":-4.771212547196624,"mse_text":"195075.000","psnr_text":"-4.771"})"},
        JsonCase{"PairError", PairJson(FailedPair("e.bmp", "Luas citra asli dan Luas citra hasil manipulasi tidak sama!")),
                 R"({"original":"asli.bmp","manipulated":"e.bmp","error":"Luas citra asli dan Luas citra hasil manipulasi tidak sama!"})"},
        JsonCase{"HistogramError",
                 HistogramJson(HistogramResult{"g.bmp", {}, "Program ini hanya untuk citra dengan format pixel 24 bit"}),
                 R"({"path":"g.bmp","error":"Program ini hanya untuk citra dengan format pixel 24 bit"})"}),
    [](const testing::TestParamInfo<JsonCase>& info) { return std::string(info.param.name); });

// The numbers of the JSON array that follows "key":[ in the text.
std::vector<long> JsonArray(const std::string& text, const std::string& key) {
    std::vector<long> values;
    size_t pos = text.find("\"" + key + "\":[");
    if (pos == std::string::npos) return values;
    pos = text.find('[', pos) + 1;
    const size_t end = text.find(']', pos);
    std::istringstream items(text.substr(pos, end - pos));
    for (std::string item; std::getline(items, item, ',');) values.push_back(std::stol(item));
    return values;
}

TEST(JsonFormatting, HistogramHoldsThreeArraysOf256AndPeak) {
    HistogramResult result{"h.bmp", {}, std::nullopt};
    result.counts.Red[48] = 5;
    result.counts.Green[32] = 7;
    result.counts.Blue[16] = 9;
    result.counts.Blue[255] = 2;
    result.counts.Peak = 9;
    const std::string json = HistogramJson(result);

    ASSERT_EQ(json.rfind(R"({"path":"h.bmp","red":[)", 0), 0u) << json;
    EXPECT_LT(json.find("\"red\""), json.find("\"green\""));
    EXPECT_LT(json.find("\"green\""), json.find("\"blue\""));
    EXPECT_TRUE(json.ends_with("],\"peak\":9}")) << json;
    const auto red = JsonArray(json, "red"), green = JsonArray(json, "green"), blue = JsonArray(json, "blue");
    ASSERT_EQ(red.size(), 256u);
    ASSERT_EQ(green.size(), 256u);
    ASSERT_EQ(blue.size(), 256u);
    for (size_t v = 0; v < 256; ++v) {
        EXPECT_EQ(red[v], result.counts.Red[v]) << v;
        EXPECT_EQ(green[v], result.counts.Green[v]) << v;
        EXPECT_EQ(blue[v], result.counts.Blue[v]) << v;
    }
}

TEST(TextTable, AlignsColumnsAndLetsShortRowsSpan) {
    const std::string table = RenderTable(
        {Align::Left, Align::Right, Align::Left},
        {{"name", "n", "note"},
         {"a", "12345", "x"},
         {"longer name", "7", ""},
         {"b", "an error message wider than the columns"},
         {"\xc3\xa9t\xc3\xa9", "1", "y"}});
    EXPECT_EQ(table,
              "name             n  note\n"
              "a            12345  x\n"
              "longer name      7\n"
              "b            an error message wider than the columns\n"
              "\xc3\xa9t\xc3\xa9              1  y\n");
}

TEST(TextTable, KeepsBlanksThatBelongToACell) {
    EXPECT_EQ(RenderTable({Align::Left, Align::Left}, {{"a", "b  "}, {"ccc", "d"}}), "a    b  \nccc  d\n");
}

TEST(TextFormatting, InfoTable) {
    const std::vector<InfoResult> results{
        Bitmap24("a.bmp", 2, 3, 78), Other("foto.jpg", PictureKind::Jpeg, 123456),
        FailedInfo("hilang.bmp", "Cannot open file \"/tmp/hilang.bmp\". No such file or directory"),
        Bitmap24("besar.bmp", 12000, 800, 28800054)};
    EXPECT_EQ(InfoText(results),
              "path        kind    width  height  bpp     bytes\n"
              "a.bmp       bitmap      2       3   24        78\n"
              "foto.jpg    jpeg        -       -    -    123456\n"
              "hilang.bmp  error: Cannot open file \"/tmp/hilang.bmp\". No such file or directory\n"
              "besar.bmp   bitmap  12000     800   24  28800054\n");
}

TEST(TextFormatting, PairTableUsesTheDecimalSeparator) {
    const std::vector<PairResult> results{
        Pair("sama.bmp", 0.0, 108.13080360867909),
        FailedPair("kecil.bmp", "Luas citra asli dan Luas citra hasil manipulasi tidak sama!"),
        Pair("terbalik.bmp", 195075.0, -4.771212547196624)};
    EXPECT_EQ(PairText(results, "."),
              "original  manipulated          MSE     PSNR\n"
              "asli.bmp  sama.bmp           0.000  108.131\n"
              "asli.bmp  kecil.bmp     error: Luas citra asli dan Luas citra hasil manipulasi tidak sama!\n"
              "asli.bmp  terbalik.bmp  195075.000   -4.771\n");
    const std::string comma = PairText(results, ",");
    EXPECT_NE(comma.find("asli.bmp  sama.bmp           0,000  108,131\n"), std::string::npos) << comma;
    EXPECT_NE(comma.find("195075,000   -4,771\n"), std::string::npos) << comma;
}

TEST(TextFormatting, HistogramOneLinePerValueThenPeak) {
    HistogramResult result{"h.bmp", {}, std::nullopt};
    result.counts.Red[0] = 1;
    result.counts.Green[128] = 1234567;
    result.counts.Blue[255] = 3;
    result.counts.Peak = 1234567;
    const std::string text = HistogramText(result);

    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u + 1u + 256u + 1u);
    EXPECT_EQ(lines[0], "h.bmp");
    EXPECT_EQ(lines[1], "value  red    green  blue");
    EXPECT_EQ(lines[2], "    0    1        0     0");
    EXPECT_EQ(lines[2 + 128], "  128    0  1234567     0");
    EXPECT_EQ(lines[2 + 255], "  255    0        0     3");
    EXPECT_EQ(lines.back(), "peak: 1234567");
}

TEST(TextFormatting, HistogramFailureNamesFileAndMessage) {
    const HistogramResult result{"g.bmp", {}, "Program ini hanya untuk citra dengan format pixel 24 bit"};
    EXPECT_EQ(HistogramText(result), "g.bmp\nerror: Program ini hanya untuk citra dengan format pixel 24 bit\n");
}

TEST(ResultWriter, JsonWritesEachResultAsItArrives) {
    std::ostringstream out;
    auto writer = MakeResultWriter(OutputFormat::Json, out, ",");
    writer->Write(Pair("b.bmp", 1.0, 48.130799318049775));
    EXPECT_EQ(out.str(),
              R"({"original":"asli.bmp","manipulated":"b.bmp","mse":1,"psnr":48.130799318049775,"mse_text":"1.000","psnr_text":"48.131"})"
              "\n");
    writer->Write(FailedPair("c.bmp", "Stream read error"));
    writer->Finish();
    EXPECT_TRUE(out.str().ends_with(R"({"original":"asli.bmp","manipulated":"c.bmp","error":"Stream read error"})"
                                    "\n"));
}

TEST(ResultWriter, TextWritesTheAlignedTableAtFinish) {
    std::ostringstream out;
    auto writer = MakeResultWriter(OutputFormat::Text, out, ",");
    writer->Write(Pair("b.bmp", 1.0, 48.130799318049775));
    writer->Write(Pair("panjang.bmp", 3.0, 43.359589636));
    EXPECT_EQ(out.str(), "");
    writer->Finish();
    EXPECT_EQ(out.str(),
              "original  manipulated    MSE    PSNR\n"
              "asli.bmp  b.bmp        1,000  48,131\n"
              "asli.bmp  panjang.bmp  3,000  43,360\n");
}

// A message or path holding line breaks or other control characters: the
// text output keeps one line per row, JSON and CSV keep the bytes exactly.
struct ControlCase {
    const char* name;
    std::string raw;
    std::string shown;  // as the text table shows it
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

class ControlCharacters : public testing::TestWithParam<ControlCase> {};

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_P(ControlCharacters, TextRowsStayOneLine) {
    const ControlCase& c = GetParam();
    const std::vector<InfoResult> infos{FailedInfo("a.bmp", c.raw), Bitmap24("b" + c.raw + ".bmp", 1, 1, 58)};
    const auto infoLines = TextLines(InfoText(infos));
    ASSERT_EQ(infoLines.size(), 3u) << InfoText(infos);
    EXPECT_EQ(infoLines[1].rfind("a.bmp ", 0), 0u) << infoLines[1];
    EXPECT_TRUE(infoLines[1].ends_with("  error: " + c.shown)) << infoLines[1];
    EXPECT_EQ(infoLines[2].rfind("b" + c.shown + ".bmp  bitmap", 0), 0u) << infoLines[2];

    const std::vector<PairResult> pairs{FailedPair("c.bmp", c.raw), Pair("d.bmp", 1.0, 48.130799318049775)};
    const auto pairLines = TextLines(PairText(pairs, "."));
    ASSERT_EQ(pairLines.size(), 3u) << PairText(pairs, ".");
    EXPECT_EQ(pairLines[1], "asli.bmp  c.bmp        error: " + c.shown);

    const HistogramResult histogram{"h" + c.raw + ".bmp", {}, c.raw};
    EXPECT_EQ(HistogramText(histogram), "h" + c.shown + ".bmp\nerror: " + c.shown + "\n");
}

TEST_P(ControlCharacters, JsonAndCsvKeepTheMessageExactly) {
    const ControlCase& c = GetParam();
    const PairResult failed = FailedPair("c.bmp", c.raw);
    std::string json = R"({"original":"asli.bmp","manipulated":"c.bmp","error":)";
    AppendJsonString(json, c.raw);
    EXPECT_EQ(PairJson(failed), json + "}");
    EXPECT_EQ(PairJson(failed).find('\n'), std::string::npos);
    std::string csv = "asli.bmp,c.bmp,,,,,";
    AppendCsvField(csv, c.raw);
    // The message, then the empty fields of the field's metrics.
    EXPECT_EQ(PairCsv(failed).substr(0, csv.size() + 1), csv + ",");
    EXPECT_EQ(PairCsv(failed).find_first_not_of(',', csv.size()), std::string::npos);
    EXPECT_NE(PairCsv(failed).find(c.raw), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ControlCharacters,
    testing::Values(
        ControlCase{"OutOfMemory", "System Error.  Code: 12.\r\nCannot allocate memory",
                    "System Error.  Code: 12. Cannot allocate memory"},
        ControlCase{"LoneLf", "first\nsecond", "first second"},
        ControlCase{"LoneCr", "first\rsecond", "first second"},
        ControlCase{"CrCrLf", "a\r\r\nb", "a  b"},
        ControlCase{"LfCr", "a\n\rb", "a  b"},
        ControlCase{"TrailingBreak", "a\r\n", "a "},
        ControlCase{"Tab", "a\tb", "a b"},
        ControlCase{"Escape", "a\x1b[2Jb", "a\\x1B[2Jb"},
        ControlCase{"NulAndBell", std::string("a\0\x07z", 4), "a\\x00\\x07z"},
        ControlCase{"Delete", "a\x7f", "a\\x7F"},
        ControlCase{"Utf8Kept", "caf\xc3\xa9", "caf\xc3\xa9"}),
    [](const testing::TestParamInfo<ControlCase>& info) { return std::string(info.param.name); });

}  // namespace

// RFC 4648's own vectors, and bytes of every value (the report's pictures
// are binary): decoding the text gives the bytes back.
TEST(Base64, RfcVectorsAndEveryByte) {
    const std::pair<const char*, const char*> vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},  {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, coded] : vectors) EXPECT_EQ(Base64(plain), coded) << plain;
    std::string bytes;
    for (int i = 0; i < 256 * 3 + 1; ++i) bytes += static_cast<char>((i * 7) & 0xFF);
    const std::string text = Base64(bytes);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string back;
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') break;
        bits = (bits << 6) | static_cast<uint32_t>(alphabet.find(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            back += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(text.size() % 4, 0u);
}
