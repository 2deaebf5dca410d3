// The field's metrics in JSON, CSV and the text table, from hand-made values.
#include <gtest/gtest.h>

#include <cmath>

#include "csv_output.h"
#include "json_output.h"
#include "text_output.h"

namespace {

// Identical RGB images, SSIM not asked for: PSNR infinite everywhere.
StandardMetrics IdenticalRgb() {
    StandardMetrics s;
    s.identical = true;
    s.psnr = INFINITY;
    for (const char* name : {"R", "G", "B"}) s.channels.push_back({name, 0, INFINITY, std::nullopt});
    return s;
}

// A 16-bit grey pair with alpha and SSIM.
StandardMetrics GreyAlpha16() {
    StandardMetrics s;
    s.mse = 2.5;
    s.psnr = 70.25;
    s.ssim = 0.875;
    s.peak = 65535;
    s.changedSamples = 5000000000;  // beyond 32 bits
    s.maxAbsDiff = 4;
    s.channels = {{"Y", 4.5, 65.5, 0.875}, {"A", 0.5, INFINITY, std::nullopt}};
    return s;
}

PairResult Pair(const char* manipulated, double mse, double psnr, std::optional<StandardMetrics> standard) {
    PairResult r{"o.bmp", manipulated, {}, std::move(standard), std::nullopt, std::nullopt};
    r.metrics.MSE = mse;
    r.metrics.PSNR = psnr;
    return r;
}

PairResult Failed(const char* manipulated) {
    return PairResult{"o.bmp", manipulated, {}, std::nullopt, std::string("boom"), std::nullopt};
}

// The desktop numbers of a bitmap cut short, without the field's.
PairResult CutShort(const char* manipulated) {
    PairResult r = Pair(manipulated, 2, 45.5, std::nullopt);
    r.warning = std::string(manipulated) + ": file cut short";
    return r;
}

// The warning follows the numbers in every format, and only beside numbers.
TEST(PairWarning, WrittenAfterTheNumbersInEveryFormat) {
    EXPECT_EQ(PairJson(CutShort("e.bmp")),
              R"({"original":"o.bmp","manipulated":"e.bmp","mse":2,"psnr":45.5,"mse_text":"2.000",)"
              R"("psnr_text":"45.500","warning":"e.bmp: file cut short"})");
    EXPECT_EQ(PairText(std::vector<PairResult>{Pair("a.png", 0, 108.5, std::nullopt), CutShort("e.bmp")}, "."),
              "original  manipulated    MSE     PSNR\n"
              "o.bmp     a.png        0.000  108.500\n"
              "o.bmp     e.bmp        2.000   45.500\n"
              "warning: e.bmp: file cut short\n");
    PairResult failed = Failed("c.png");
    failed.warning = "never shown";
    EXPECT_EQ(PairText(std::vector<PairResult>{failed}, ".").find("never shown"), std::string::npos);
}

TEST(StandardJson, InfinityAndMissingSsimAreNull) {
    EXPECT_EQ(PairJson(Pair("a.png", 0, 108.5, IdenticalRgb())),
              R"({"original":"o.bmp","manipulated":"a.png","mse":0,"psnr":108.5,"mse_text":"0.000",)"
              R"("psnr_text":"108.500","standard":{"mse":0,"psnr":null,"ssim":null,"identical":true,"peak":255,)"
              R"("changed_samples":0,"max_abs_diff":0,"channels":{"R":{"mse":0,"psnr":null,"ssim":null},)"
              R"("G":{"mse":0,"psnr":null,"ssim":null},"B":{"mse":0,"psnr":null,"ssim":null}}}})");
    EXPECT_EQ(StandardJson(GreyAlpha16()),
              R"({"mse":2.5,"psnr":70.25,"ssim":0.875,"identical":false,"peak":65535,)"
              R"("changed_samples":5000000000,"max_abs_diff":4,)"
              R"("channels":{"Y":{"mse":4.5,"psnr":65.5,"ssim":0.875},"A":{"mse":0.5,"psnr":null,"ssim":null}}})");
}

TEST(StandardJson, FailedPairHasNoStandardMember) {
    PairResult failed = Failed("c.png");
    failed.standard = IdenticalRgb();  // never written beside an error
    EXPECT_EQ(PairJson(failed), R"({"original":"o.bmp","manipulated":"c.png","error":"boom"})");
}

// Fields of a CSV line without quoted fields.
size_t FieldCount(const std::string& line) { return static_cast<size_t>(std::count(line.begin(), line.end(), ',')) + 1; }

TEST(StandardCsv, FlatColumnsAfterTodaysInTheHeadersOrder) {
    const std::string header = PairCsvHeader();
    EXPECT_EQ(header,
              "original,manipulated,mse,psnr,mse_text,psnr_text,error,"
              "std_mse,std_psnr,std_ssim,std_identical,std_peak,std_changed_samples,std_max_abs_diff,"
              "R_mse,R_psnr,R_ssim,G_mse,G_psnr,G_ssim,B_mse,B_psnr,B_ssim,A_mse,A_psnr,A_ssim,Y_mse,Y_psnr,Y_ssim,mse_unavailable,ssim_unavailable,warning");

    const std::vector<std::pair<PairResult, std::string>> rows{
        {Pair("a.png", 0, 108.5, IdenticalRgb()),
         "o.bmp,a.png,0,108.5,0.000,108.500,,0,inf,,true,255,0,0,0,inf,,0,inf,,0,inf,,,,,,,,,,"},
        {Pair("b.png", 7.5, 39.25, GreyAlpha16()),
         "o.bmp,b.png,7.5,39.25,7.500,39.250,,2.5,70.25,0.875,false,65535,5000000000,4,,,,,,,,,,0.5,inf,,4.5,65.5,0.875,,,"},
        {Failed("c.png"), "o.bmp,c.png,,,,,boom,,,,,,,,,,,,,,,,,,,,,,,,,"},
        {Pair("d.png", 1, 48.5, std::nullopt), "o.bmp,d.png,1,48.5,1.000,48.500,,,,,,,,,,,,,,,,,,,,,,,,,,"},
        {CutShort("e.bmp"), "o.bmp,e.bmp,2,45.5,2.000,45.500,,,,,,,,,,,,,,,,,,,,,,,,,,e.bmp: file cut short"},
    };
    for (const auto& [result, line] : rows) {
        EXPECT_EQ(PairCsv(result), line);
        EXPECT_EQ(FieldCount(PairCsv(result)), FieldCount(header)) << line;
    }
}

// A 16-bit pair: the desktop program's numbers do not apply.
PairResult WithoutDesktopMetrics() {
    PairResult r = Pair("b.pgm", 99, 99, GreyAlpha16());
    r.metricsUnavailable = "why, \"so\"";
    return r;
}

TEST(UnavailableDesktopMetrics, NullOrEmptyWithTheReasonAfterTheStandardColumns) {
    EXPECT_EQ(PairJson(WithoutDesktopMetrics()),
              R"({"original":"o.bmp","manipulated":"b.pgm","mse":null,"psnr":null,"mse_text":null,"psnr_text":null,)"
              R"("standard":)" + StandardJson(GreyAlpha16()) + R"(,"mse_unavailable":"why, \"so\""})");
    const std::string line = PairCsv(WithoutDesktopMetrics());
    EXPECT_EQ(line,
              "o.bmp,b.pgm,,,,,,2.5,70.25,0.875,false,65535,5000000000,4,,,,,,,,,,0.5,inf,,4.5,65.5,0.875,"
              "\"why, \"\"so\"\"\",,");
    EXPECT_EQ(PairText(std::vector<PairResult>{WithoutDesktopMetrics()}, "."),
              "original  manipulated  MSE  PSNR  PSNR (per sample)      SSIM\n"
              "o.bmp     b.pgm          -     -             70.250  0.875000\n");
}

TEST(StandardText, ColumnsBesideTodaysOnlyWhenAPairHasThem) {
    const std::vector<PairResult> results{Pair("a.png", 0, 108.5, IdenticalRgb()),
                                          Pair("b.png", 7.5, 39.25, GreyAlpha16()), Failed("c.png"),
                                          Pair("d.png", 1, 48.5, std::nullopt)};
    EXPECT_EQ(PairText(results, ","),
              "original  manipulated    MSE     PSNR  PSNR (per sample)      SSIM\n"
              "o.bmp     a.png        0,000  108,500                inf         -\n"
              "o.bmp     b.png        7,500   39,250             70,250  0,875000\n"
              "o.bmp     c.png        error: boom\n"
              "o.bmp     d.png        1,000   48,500                  -         -\n");
    const std::vector<PairResult> without{Pair("d.png", 1, 48.5, std::nullopt), Failed("c.png")};
    EXPECT_EQ(PairText(without, "."),
              "original  manipulated    MSE    PSNR\n"
              "o.bmp     d.png        1.000  48.500\n"
              "o.bmp     c.png        error: boom\n");
}

}  // namespace
