// The summary of a measure run per group and peak (engine/measure_summary.h)
// and its text, JSON and CSV (cli/measure_summary_output.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "measure_summary.h"
#include "measure_summary_output.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A pair of the table: peak 0 is a failed pair.
struct Pair {
    std::string group;
    uint32_t peak;
    double mse = 0;
    double psnr = 0;
};

MeasureResult Result(const Pair& p) {
    MeasureResult r;
    r.original = "covers/" + p.group;
    r.manipulated = p.group + "/x";
    r.group = p.group;
    if (p.peak == 0) {
        r.error = "cannot read";
        return r;
    }
    MeasureMetrics m;
    m.peak = p.peak;
    m.overall.mse = p.mse;
    m.overall.psnr = p.psnr;
    m.overall.identical = p.mse == 0;
    r.metrics = m;
    return r;
}

// What one block must hold: its counts, the statistics of mse and how
// psnr's values were counted.
struct Block {
    std::string group;
    uint32_t peak;
    bool split;
    size_t pairs, failed, identical;
    size_t mseCount;
    double mseMean;
    std::optional<double> mseSd;
    double mseMedian, mseMin, mseMax;
    size_t psnrCount, psnrInfinite;
    double psnrMean;
};

struct Case {
    const char* name;
    std::vector<Pair> pairs;
    std::vector<Block> blocks;
};

const MetricStats& Metric(const GroupSummary& block, const std::string& name) {
    for (const MetricStats& m : block.metrics)
        if (m.metric == name) return m;
    throw std::runtime_error("no metric " + name);
}

TEST(MeasureSummaryBuilder, BlocksPerGroupAndPeak) {
    const std::vector<Case> cases{
        {"split by peak; groups in first-seen order",
         {{"a", 255, 1, 48}, {"b", 255, 5, 41}, {"a", 65535, 10, 80}, {"a", 255, 3, 43}},
         {{"a", 255, true, 2, 0, 0, 2, 2, std::sqrt(2.0), 2, 1, 3, 2, 0, 45.5},
          {"a", 65535, true, 1, 0, 0, 1, 10, std::nullopt, 10, 10, 10, 1, 0, 80},
          {"b", 255, false, 1, 0, 0, 1, 5, std::nullopt, 5, 5, 5, 1, 0, 41}}},
        {"infinite psnr left out and counted; mse 0 kept",
         {{"g", 255, 0, kInf}, {"g", 255, 4, 42}, {"g", 255, 2, 45}},
         {{"g", 255, false, 3, 0, 1, 3, 2, 2, 2, 0, 4, 2, 1, 43.5}}},
        {"failed pairs in the group's first block; a group of failures only",
         {{"g", 0}, {"g", 65535, 6, 70}, {"h", 0}, {"g", 255, 8, 39}, {"g", 0}, {"h", 0}},
         {{"g", 255, true, 3, 2, 0, 1, 8, std::nullopt, 8, 8, 8, 1, 0, 39},
          {"g", 65535, true, 1, 0, 0, 1, 6, std::nullopt, 6, 6, 6, 1, 0, 70},
          {"h", 0, false, 2, 2, 0, 0, 0, std::nullopt, 0, 0, 0, 0, 0, 0}}},
        {"single pair: no sd",
         {{"s", 255, 7, 40}},
         {{"s", 255, false, 1, 0, 0, 1, 7, std::nullopt, 7, 7, 7, 1, 0, 40}}},
        {"median of an even count: the mean of the middle two",
         {{"e", 255, 4, 30}, {"e", 255, 1, 31}, {"e", 255, 3, 32}, {"e", 255, 2, 33}},
         {{"e", 255, false, 4, 0, 0, 4, 2.5, std::sqrt(5.0 / 3.0), 2.5, 1, 4, 4, 0, 31.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeasureSummaryBuilder builder;
        for (const Pair& p : c.pairs) builder.Add(Result(p));
        const std::vector<GroupSummary> blocks = builder.Build();
        ASSERT_EQ(blocks.size(), c.blocks.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            const GroupSummary& got = blocks[i];
            const Block& want = c.blocks[i];
            SCOPED_TRACE("block " + std::to_string(i));
            EXPECT_EQ(got.group, want.group);
            EXPECT_EQ(got.peak, want.peak);
            EXPECT_EQ(got.splitByPeak, want.split);
            EXPECT_EQ(got.pairs, want.pairs);
            EXPECT_EQ(got.failed, want.failed);
            EXPECT_EQ(got.identical, want.identical);
            const MetricStats& mse = Metric(got, "mse");
            EXPECT_EQ(mse.count, want.mseCount);
            EXPECT_EQ(mse.infinite, 0u);
            if (want.mseCount > 0) {
                EXPECT_DOUBLE_EQ(mse.mean, want.mseMean);
                EXPECT_DOUBLE_EQ(mse.median, want.mseMedian);
                EXPECT_DOUBLE_EQ(mse.min, want.mseMin);
                EXPECT_DOUBLE_EQ(mse.max, want.mseMax);
            }
            ASSERT_EQ(mse.sd.has_value(), want.mseSd.has_value());
            if (want.mseSd) {
                EXPECT_DOUBLE_EQ(*mse.sd, *want.mseSd);
            }
            const MetricStats& psnr = Metric(got, "psnr");
            EXPECT_EQ(psnr.count, want.psnrCount);
            EXPECT_EQ(psnr.infinite, want.psnrInfinite);
            if (want.psnrCount > 0) {
                EXPECT_DOUBLE_EQ(psnr.mean, want.psnrMean);
                EXPECT_TRUE(std::isfinite(psnr.max));
            }
        }
    }
}

// Every overall figure is its own series, in the columns' order; a figure
// a pair does not have (ssim not computed, ber of non-bilevel images) is
// left out of its count.
TEST(MeasureSummaryBuilder, EachMetricReadsItsOwnFigure) {
    MeasureSummaryBuilder builder;
    for (int i = 1; i <= 3; ++i) {
        MeasureResult r;
        r.group = "g";
        MeasureMetrics m;
        m.peak = 255;
        m.overall.mse = 1.0 * i;
        m.overall.psnr = 10.0 * i;
        if (i != 2) m.overall.ssim = 0.1 * i;
        m.overall.mae = 100.0 * i;
        m.overall.nc = 1000.0 * i;
        if (i == 3) m.overall.ber = 0.25;
        m.overall.changeRate = 0.01 * i;
        r.metrics = m;
        builder.Add(r);
    }
    const std::vector<GroupSummary> blocks = builder.Build();
    ASSERT_EQ(blocks.size(), 1u);
    const std::vector<std::string> order{"mse", "psnr", "ssim", "mae", "nc", "ber", "change_rate"};
    ASSERT_EQ(blocks[0].metrics.size(), order.size());
    struct Want {
        size_t count;
        double min, max;
    };
    const std::vector<Want> wants{{3, 1, 3}, {3, 10, 30}, {2, 0.1, 0.30000000000000004}, {3, 100, 300},
                                  {3, 1000, 3000}, {1, 0.25, 0.25}, {3, 0.01, 0.03}};
    for (size_t i = 0; i < order.size(); ++i) {
        const MetricStats& m = blocks[0].metrics[i];
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(m.metric, order[i]);
        EXPECT_EQ(m.count, wants[i].count);
        EXPECT_DOUBLE_EQ(m.min, wants[i].min);
        EXPECT_DOUBLE_EQ(m.max, wants[i].max);
    }
}

// Large values that differ little: the sd must not be lost to cancellation.
TEST(MeasureSummaryBuilder, SdOfLargeNearEqualValues) {
    const MetricStats s = SummarizeMetric("mse", {1e9 + 1, 1e9 + 2, 1e9 + 3});
    ASSERT_TRUE(s.sd);
    EXPECT_DOUBLE_EQ(*s.sd, 1.0);
    EXPECT_DOUBLE_EQ(s.mean, 1e9 + 2);
}

// Blocks for the renderers: a split group (its 255 block with a failed
// pair, an identical pair and SSIM near 1), its 65535 block with one pair,
// and a group of failures only whose name needs quoting in CSV.
std::vector<GroupSummary> RenderedBlocks() {
    const auto stats = [](const char* metric, std::vector<double> values, size_t infinite = 0) {
        return SummarizeMetric(metric, std::move(values), infinite);
    };
    GroupSummary a255{"stego a", 255, true, 3, 1, 1,
                      {stats("mse", {0, 0.1 + 0.2}), stats("psnr", {53.3}, 1), stats("ssim", {0.99988712, 1}),
                       stats("mae", {0, 0.25}), stats("nc", {1, 1}), stats("ber", {}),
                       stats("change_rate", {0, 0.5})}};
    GroupSummary a65535{"stego a", 65535, true, 1, 0, 0,
                        {stats("mse", {1234567.5}), stats("psnr", {40}), stats("ssim", {0.5}), stats("mae", {3}),
                         stats("nc", {0.9}), stats("ber", {}), stats("change_rate", {1})}};
    GroupSummary failed{"x,\"y\"", 0, false, 2, 2, 0, {}};
    for (const char* metric : {"mse", "psnr", "ssim", "mae", "nc", "ber", "change_rate"})
        failed.metrics.push_back(stats(metric, {}));
    return {a255, a65535, failed};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The words of a line, split at runs of spaces.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

const std::string* LineStarting(const std::vector<std::string>& lines, const std::string& start, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind(start, 0) == 0) return &lines[i];
    return nullptr;
}

TEST(MeasureSummaryText, BlocksHeadingsAndSixSignificantDigits) {
    const std::string text = MeasureSummaryText(RenderedBlocks(), ",");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const std::vector<std::string> lines = Lines(text);
    const std::vector<std::string> headings{"group stego a (peak 255), split by peak",
                                            "group stego a (peak 65535), split by peak",
                                            "group x,\"y\" (no pair succeeded)"};
    size_t at = 0;
    for (const std::string& heading : headings) {
        SCOPED_TRACE(heading);
        const auto it = std::find(lines.begin() + static_cast<long>(at), lines.end(), heading);
        ASSERT_NE(it, lines.end()) << text;
        at = static_cast<size_t>(it - lines.begin());
        // An empty line before every block but the first.
        if (at > 0) {
            EXPECT_EQ(lines[at - 1], "");
        }
        ASSERT_LT(at + 2, lines.size());
        EXPECT_EQ(Words(lines[at + 2]), (std::vector<std::string>{"metric", "count", "mean", "sd", "median", "min", "max"}));
    }
    EXPECT_EQ(lines[1], "pairs: 3  failed: 1  identical: 1");
    // ssim of the first block: mean, sd, median, min, max with six significant digits.
    const std::string* ssim = LineStarting(lines, "ssim");
    ASSERT_NE(ssim, nullptr);
    EXPECT_EQ(Words(*ssim), (std::vector<std::string>{"ssim", "2", "0,999944", "7,98182e-05", "0,999944",
                                                      "0,999887", "1"}));
    const std::string* mse65535 = LineStarting(lines, "mse", static_cast<size_t>(
        std::find(lines.begin(), lines.end(), headings[1]) - lines.begin()));
    ASSERT_NE(mse65535, nullptr);
    EXPECT_EQ(Words(*mse65535), (std::vector<std::string>{"mse", "1", "1,23457e+06", "1,23457e+06", "1,23457e+06",
                                                          "1,23457e+06"}));
    // No value: empty cells, not zeros.
    const std::string* ber = LineStarting(lines, "ber");
    ASSERT_NE(ber, nullptr);
    EXPECT_EQ(Words(*ber), (std::vector<std::string>{"ber", "0"}));
    EXPECT_NE(text.find("psnr: 1 infinite (identical) pairs left out"), std::string::npos) << text;
    EXPECT_EQ(text.find("infinite", text.find(headings[1])), std::string::npos) << "a note without infinite values";
    // The decimal separator is the one given.
    const std::vector<std::string> dotted = Lines(MeasureSummaryText(RenderedBlocks(), "."));
    const std::string* dottedSsim = LineStarting(dotted, "ssim");
    ASSERT_NE(dottedSsim, nullptr);
    EXPECT_EQ(Words(*dottedSsim), (std::vector<std::string>{"ssim", "2", "0.999944", "7.98182e-05", "0.999944",
                                                            "0.999887", "1"}));
}

TEST(MeasureSummaryJson, OneLineFullPrecisionNullWhereNoValue) {
    const std::string json = MeasureSummaryJson(RenderedBlocks());
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_EQ(json.rfind("{\"summary\":[{\"group\":\"stego a\",\"peak\":255,\"split_by_peak\":true,\"pairs\":3,"
                         "\"failed\":1,\"identical\":1,\"mse\":{\"count\":2,",
                         0),
              0u)
        << json;
    EXPECT_EQ(json.substr(json.size() - 2), "]}");
    // Shortest round-trip numbers: 0.1 + 0.2 is not 0.3.
    EXPECT_NE(json.find("\"max\":0.30000000000000004"), std::string::npos) << json;
    EXPECT_NE(json.find("\"psnr\":{\"count\":1,\"mean\":53.3,\"sd\":null,\"median\":53.3,\"min\":53.3,\"max\":53.3,"
                        "\"infinite\":1}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"ber\":{\"count\":0,\"mean\":null,\"sd\":null,\"median\":null,\"min\":null,\"max\":null,"
                        "\"infinite\":0}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("},{\"group\":\"stego a\",\"peak\":65535,\"split_by_peak\":true,"), std::string::npos);
    EXPECT_NE(json.find("{\"group\":\"x,\\\"y\\\"\",\"peak\":0,\"split_by_peak\":false,\"pairs\":2,\"failed\":2,"),
              std::string::npos)
        << json;
    EXPECT_EQ(MeasureSummaryJson({}), "{\"summary\":[]}");
}

std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
            else if (c == '"') quoted = false;
            else fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

TEST(MeasureSummaryCsv, OneRowPerBlockAndMetric) {
    const std::vector<GroupSummary> blocks = RenderedBlocks();
    const std::vector<std::string> lines = Lines(MeasureSummaryCsv(blocks));
    ASSERT_EQ(lines.size(), 1 + 3 * 7u);
    EXPECT_EQ(lines[0], "group,peak,split_by_peak,pairs,failed,identical,metric,count,mean,sd,median,min,max,infinite");
    const size_t columns = CsvFields(lines[0]).size();
    size_t row = 1;
    for (const GroupSummary& block : blocks) {
        for (const MetricStats& m : block.metrics) {
            SCOPED_TRACE(lines[row]);
            const std::vector<std::string> f = CsvFields(lines[row++]);
            ASSERT_EQ(f.size(), columns);
            EXPECT_EQ(f[0], block.group);
            EXPECT_EQ(f[1], std::to_string(block.peak));
            EXPECT_EQ(f[2], block.splitByPeak ? "true" : "false");
            EXPECT_EQ(f[3], std::to_string(block.pairs));
            EXPECT_EQ(f[4], std::to_string(block.failed));
            EXPECT_EQ(f[5], std::to_string(block.identical));
            EXPECT_EQ(f[6], m.metric);
            EXPECT_EQ(f[7], std::to_string(m.count));
            // Full precision: every number reads back as the same double.
            const auto same = [](const std::string& field, std::optional<double> value) {
                if (!value) return field.empty();
                return !field.empty() && std::stod(field) == *value;
            };
            const auto some = [&](double v) { return m.count ? std::optional<double>(v) : std::nullopt; };
            EXPECT_TRUE(same(f[8], some(m.mean)));
            EXPECT_TRUE(same(f[9], m.sd));
            EXPECT_TRUE(same(f[10], some(m.median)));
            EXPECT_TRUE(same(f[11], some(m.min)));
            EXPECT_TRUE(same(f[12], some(m.max)));
            EXPECT_EQ(f[13], std::to_string(m.infinite));
        }
    }
    EXPECT_EQ(lines[1].substr(0, 2), "st");
    EXPECT_EQ(lines[15].substr(0, 9), "\"x,\"\"y\"\"\"");
    EXPECT_NE(lines[1].find(",0.30000000000000004,"), std::string::npos) << lines[1];
}

}  // namespace
