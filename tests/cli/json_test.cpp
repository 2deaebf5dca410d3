#include "json.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

struct EscapeCase {
    const char* name;
    std::string input;
    std::string expected;  // including the quotes
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }

class JsonStringEscaping : public testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStringEscaping, WritesQuotedText) {
    std::string out = "x";
    AppendJsonString(out, GetParam().input);
    EXPECT_EQ(out, "x" + GetParam().expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonStringEscaping,
    testing::Values(
        EscapeCase{"Empty", "", R"("")"},
        EscapeCase{"Plain", "/tmp/a b.bmp", R"("/tmp/a b.bmp")"},
        EscapeCase{"QuoteAndBackslash", R"(C:\dir\"x".bmp)", R"("C:\\dir\\\"x\".bmp")"},
        EscapeCase{"CarriageReturnLineFeed", "System Error.  Code: 12.\r\nCannot allocate memory",
                   R"("System Error.  Code: 12.\r\nCannot allocate memory")"},
        EscapeCase{"ShortEscapes", "\b\f\n\r\t", R"("\b\f\n\r\t")"},
        EscapeCase{"OtherControls", "\x01\x1f\x7f", R"("\u0001\u001f\u007f")"},
        EscapeCase{"NulByte", "a\0b"s, R"("a\u0000b")"},
        EscapeCase{"ValidUtf8Kept", "gambar-\xc3\xb1-\xe2\x82\xac-\xf0\x9f\x98\x80.bmp",
                   "\"gambar-\xc3\xb1-\xe2\x82\xac-\xf0\x9f\x98\x80.bmp\""},
        EscapeCase{"Latin1Byte", "caf\xe9.bmp", R"("caf\udce9.bmp")"},
        EscapeCase{"LoneContinuation", "\x80", R"("\udc80")"},
        EscapeCase{"TruncatedSequence", "\xe2\x82", R"("\udce2\udc82")"},
        EscapeCase{"TruncatedThenAscii", "\xe2\x82z", R"("\udce2\udc82z")"},
        EscapeCase{"Overlong", "\xc0\xaf", R"("\udcc0\udcaf")"},
        EscapeCase{"OverlongThreeBytes", "\xe0\x80\xaf", R"("\udce0\udc80\udcaf")"},
        EscapeCase{"EncodedSurrogate", "\xed\xa0\x80", R"("\udced\udca0\udc80")"},
        EscapeCase{"AboveUnicode", "\xf4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"},
        EscapeCase{"HighestCodePointKept", "\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},
        EscapeCase{"InvalidLeadByte", "\xff\xfe", R"("\udcff\udcfe")"}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.name); });

struct NumberCase {
    double value;
    const char* expected;
};

class JsonNumbers : public testing::TestWithParam<NumberCase> {};

TEST_P(JsonNumbers, ShortestForm) {
    std::string out;
    AppendJsonNumber(out, GetParam().value);
    EXPECT_EQ(out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, JsonNumbers,
                         testing::Values(NumberCase{0.0, "0"}, NumberCase{3.0, "3"},
                                         NumberCase{0.0625, "0.0625"}, NumberCase{195075.0, "195075"},
                                         NumberCase{-4.75, "-4.75"}, NumberCase{0.1, "0.1"},
                                         NumberCase{1e-300, "1e-300"},
                                         NumberCase{std::numeric_limits<double>::quiet_NaN(), "null"},
                                         NumberCase{std::numeric_limits<double>::infinity(), "null"}));

TEST(JsonNumbers, ReadBackAsTheSameDouble) {
    for (double mse : {0.0, 1.0, 3.0, 0.0625, 1.0 / 3.0, 65025.0, 195075.0, 12345.678901234567}) {
        const double psnr = 10.0 * std::log10(65025.0 / (mse + 1.0E-6));
        for (double value : {mse, psnr}) {
            std::string text;
            AppendJsonNumber(text, value);
            double back = -1;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
            ASSERT_EQ(ec, std::errc()) << text;
            EXPECT_EQ(end, text.data() + text.size()) << text;
            EXPECT_EQ(back, value) << text;
        }
    }
}

}  // namespace
