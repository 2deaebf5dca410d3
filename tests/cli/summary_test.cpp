#include "summary.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct StatsCase {
    const char* name;
    std::vector<double> values;
    double mean, median, min, max;
    std::optional<double> sampleStddev;
};

void PrintTo(const StatsCase& c, std::ostream* os) { *os << c.name; }

class Stats : public testing::TestWithParam<StatsCase> {};

TEST_P(Stats, KnownValues) {
    const StatsCase& c = GetParam();
    const MetricSummary m = SummarizeValues("k", "K", c.values);
    EXPECT_EQ(m.count, c.values.size());
    EXPECT_DOUBLE_EQ(m.mean, c.mean);
    EXPECT_DOUBLE_EQ(m.median, c.median);
    EXPECT_EQ(m.min, c.min);
    EXPECT_EQ(m.max, c.max);
    ASSERT_EQ(m.sampleStddev.has_value(), c.sampleStddev.has_value());
    if (c.sampleStddev) {
        EXPECT_DOUBLE_EQ(*m.sampleStddev, *c.sampleStddev);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Stats,
    testing::Values(
        // Sample deviation: 32 / 7 under the root (population would be 2).
        StatsCase{"EvenCountUnsorted", {9, 4, 2, 4, 5, 7, 4, 5}, 5, 4.5, 2, 9, std::sqrt(32.0 / 7.0)},
        StatsCase{"OddCount", {3, 1, 2}, 2, 2, 1, 3, 1.0},
        StatsCase{"OneValueHasNoDeviation", {7.25}, 7.25, 7.25, 7.25, 7.25, std::nullopt},
        StatsCase{"AllEqual", {108.5, 108.5, 108.5}, 108.5, 108.5, 108.5, 108.5, 0.0},
        // Sum of squares minus square of sums gives 0 or garbage here.
        StatsCase{"LargeNearlyEqualValues", {1e9 + 1, 1e9 + 2, 1e9 + 3}, 1e9 + 2, 1e9 + 2, 1e9 + 1, 1e9 + 3, 1.0}),
    [](const testing::TestParamInfo<StatsCase>& info) { return std::string(info.param.name); });

TEST(Stats, NoValuesGiveNothing) {
    const MetricSummary m = SummarizeValues("k", "K", {});
    EXPECT_EQ(m.count, 0u);
    EXPECT_TRUE(std::isnan(m.mean) && std::isnan(m.median) && std::isnan(m.min) && std::isnan(m.max));
    EXPECT_FALSE(m.sampleStddev);
}

PairResult Pair(double mse, double psnr, std::optional<StandardMetrics> standard = std::nullopt) {
    PairResult r{"o.bmp", "m.bmp", {}, std::move(standard), std::nullopt, std::nullopt};
    r.metrics.MSE = mse;
    r.metrics.PSNR = psnr;
    return r;
}

PairResult Failed() {
    PairResult r{"o.bmp", "x.bmp", {}, std::nullopt, std::string("boom"), std::nullopt};
    r.metrics.MSE = 99;  // never counted: a failed result holds nothing of use
    return r;
}

StandardMetrics Standard(double psnr, std::optional<double> ssim, bool identical) {
    StandardMetrics s;
    s.mse = identical ? 0 : 1;
    s.psnr = psnr;
    s.ssim = ssim;
    s.identical = identical;
    return s;
}

TEST(SummaryBuilder, FailedPairsCountedNotMeasured) {
    SummaryBuilder builder;
    builder.Add(Pair(0, 100));
    builder.Add(Failed());
    builder.Add(Pair(2, 50));
    const RunSummary s = builder.Build();
    EXPECT_EQ(s.pairs, 3u);
    EXPECT_EQ(s.failed, 1u);
    EXPECT_EQ(s.identical, 1u);  // MSE 0
    ASSERT_EQ(s.metrics.size(), 2u);  // no std_* series without the field's metrics
    EXPECT_STREQ(s.metrics[0].key, "mse");
    EXPECT_EQ(s.metrics[0].count, 2u);
    EXPECT_EQ(s.metrics[0].max, 2);
    EXPECT_STREQ(s.metrics[1].key, "psnr");
    EXPECT_EQ(s.metrics[1].mean, 75);
}

TEST(SummaryBuilder, StandardPsnrOverFiniteValuesAndSsimWhereComputed) {
    SummaryBuilder builder;
    builder.Add(Pair(0, 108, Standard(INFINITY, 1.0, true)));
    builder.Add(Pair(3, 40, Standard(40, std::nullopt, false)));
    builder.Add(Pair(5, 30, Standard(30, 0.5, false)));
    builder.Add(Pair(0, 108));  // no field's metrics: MSE 0 decides
    const RunSummary s = builder.Build();
    EXPECT_EQ(s.identical, 2u);
    ASSERT_EQ(s.metrics.size(), 5u);
    EXPECT_STREQ(s.metrics[2].key, "std_mse");
    EXPECT_EQ(s.metrics[2].count, 3u);
    EXPECT_STREQ(s.metrics[3].key, "std_psnr");
    EXPECT_EQ(s.metrics[3].count, 2u);
    EXPECT_EQ(s.metrics[3].mean, 35);
    EXPECT_EQ(s.metrics[3].max, 40);
    EXPECT_STREQ(s.metrics[4].key, "std_ssim");
    EXPECT_EQ(s.metrics[4].count, 2u);
    EXPECT_EQ(s.metrics[4].mean, 0.75);
}

TEST(SummaryBuilder, PairsWithoutDesktopNumbersOnlyInTheStandardSeries) {
    SummaryBuilder builder;
    builder.Add(Pair(3, 40, Standard(40, 0.5, false)));
    PairResult grey16 = Pair(0, 0, Standard(20, 0.25, false));  // MSE 0 here means nothing
    grey16.metricsUnavailable = "8-bit RGB only";
    builder.Add(grey16);
    const RunSummary s = builder.Build();
    EXPECT_EQ(s.identical, 0u);
    ASSERT_EQ(s.metrics.size(), 5u);
    EXPECT_EQ(s.metrics[0].count, 1u);
    EXPECT_EQ(s.metrics[0].min, 3);
    EXPECT_EQ(s.metrics[1].count, 1u);
    EXPECT_EQ(s.metrics[1].min, 40);
    EXPECT_EQ(s.metrics[2].count, 2u);
    EXPECT_EQ(s.metrics[3].count, 2u);
    EXPECT_EQ(s.metrics[3].min, 20);
    EXPECT_EQ(s.metrics[4].mean, 0.375);
}

RunSummary TwoGoodOneFailed() {
    SummaryBuilder builder;
    builder.Add(Pair(0, 100));
    builder.Add(Failed());
    builder.Add(Pair(2, 50));
    return builder.Build();
}

TEST(SummaryOutput, Json) {
    EXPECT_EQ(SummaryJson(TwoGoodOneFailed()),
              R"({"summary":{"pairs":3,"failed":1,"identical":1,)"
              R"("mse":{"count":2,"mean":1,"median":1,"min":0,"max":2,"sample_stddev":1.4142135623730951},)"
              R"("psnr":{"count":2,"mean":75,"median":75,"min":50,"max":100,"sample_stddev":35.35533905932738}}})");
    SummaryBuilder none;
    none.Add(Failed());
    EXPECT_EQ(SummaryJson(none.Build()),
              R"({"summary":{"pairs":1,"failed":1,"identical":0,)"
              R"("mse":{"count":0,"mean":null,"median":null,"min":null,"max":null,"sample_stddev":null},)"
              R"("psnr":{"count":0,"mean":null,"median":null,"min":null,"max":null,"sample_stddev":null}}})");
}

TEST(SummaryOutput, CsvOneRowPerMetric) {
    EXPECT_EQ(SummaryCsv(TwoGoodOneFailed()),
              "pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev\n"
              "3,1,1,mse,2,1,1,0,2,1.4142135623730951\n"
              "3,1,1,psnr,2,75,75,50,100,35.35533905932738\n");
    SummaryBuilder one;
    one.Add(Pair(0.5, 60));
    EXPECT_EQ(SummaryCsv(one.Build()),
              "pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev\n"
              "1,0,0,mse,1,0.5,0.5,0.5,0.5,\n"
              "1,0,0,psnr,1,60,60,60,60,\n");
}

TEST(SummaryOutput, TextWithTheUsersSeparator) {
    EXPECT_EQ(SummaryText(TwoGoodOneFailed(), ","),
              "pairs: 3  failed: 1  identical: 1\n"
              "metric  count    mean  median     min      max  sample sd\n"
              "MSE         2   1,000   1,000   0,000    2,000      1,414\n"
              "PSNR        2  75,000  75,000  50,000  100,000     35,355\n");
    SummaryBuilder none;
    none.Add(Failed());
    EXPECT_EQ(SummaryText(none.Build(), "."),
              "pairs: 1  failed: 1  identical: 0\n"
              "metric  count  mean  median  min  max  sample sd\n"
              "MSE         0     -       -    -    -          -\n"
              "PSNR        0     -       -    -    -          -\n");
}

}  // namespace
