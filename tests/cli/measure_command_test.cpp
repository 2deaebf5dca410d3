// citra measure: its options, the JSON, CSV and text made from
// MeasureFields, and through the built executable its pairs files, summary
// file, shares and exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "../core/scratch_dir.h"
#include "measure_output.h"
#include "measure_summary_output.h"
#include "options.h"
#include "run_process.h"
#include "texts.h"

namespace {

namespace fs = std::filesystem;

// --- options ----------------------------------------------------------------

struct MeasureParseCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> files;
    std::string pairsFile;
    bool noSsim;
    OutputFormat format;
};

void PrintTo(const MeasureParseCase& c, std::ostream* os) { *os << c.name; }

class MeasureParse : public testing::TestWithParam<MeasureParseCase> {};

TEST_P(MeasureParse, GivesTheOperandsAndOptions) {
    const MeasureParseCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_FALSE(parsed.usageError) << *parsed.usageError;
    EXPECT_EQ(parsed.options.command, Command::Measure);
    EXPECT_EQ(parsed.options.files, c.files);
    EXPECT_EQ(parsed.options.pairsFile, c.pairsFile);
    EXPECT_EQ(parsed.options.noSsim, c.noSsim);
    EXPECT_EQ(parsed.options.format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeasureParse,
    testing::Values(
        MeasureParseCase{"OneOriginal", {"measure", "a.png", "b.png", "c/"}, {"a.png", "b.png", "c/"}, "", false,
                         OutputFormat::Text},
        MeasureParseCase{"PairsFileSpaced", {"--csv", "measure", "--pairs", "p.csv"}, {}, "p.csv", false,
                         OutputFormat::Csv},
        MeasureParseCase{"PairsFileJoined", {"measure", "--pairs=my pairs.csv", "--json"}, {}, "my pairs.csv",
                         false, OutputFormat::Json},
        MeasureParseCase{"EveryPairOption",
                         {"--no-ssim", "-j2", "--shard", "1/3", "--summary=s.csv", "--no-progress", "measure",
                          "covers/", "stego/"},
                         {"covers/", "stego/"}, "", true, OutputFormat::Text}),
    [](const testing::TestParamInfo<MeasureParseCase>& info) { return std::string(info.param.name); });

struct MeasureUsageCase {
    const char* name;
    std::vector<std::string> args;
    std::string message;
};

void PrintTo(const MeasureUsageCase& c, std::ostream* os) { *os << c.name; }

class MeasureRefuses : public testing::TestWithParam<MeasureUsageCase> {};

TEST_P(MeasureRefuses, WithMessage) {
    const ParsedArguments parsed = ParseArguments(GetParam().args);
    ASSERT_TRUE(parsed.usageError);
    EXPECT_EQ(*parsed.usageError, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeasureRefuses,
    testing::Values(
        MeasureUsageCase{"OneOperand", {"measure", "a.png"}, text::kMeasureNeedsTwo},
        MeasureUsageCase{"NoOperand", {"--json", "measure"}, text::kMeasureNeedsTwo},
        MeasureUsageCase{"PairsAndOperands", {"measure", "--pairs", "p.csv", "a.png"}, text::kPairsTakeNoOperand},
        MeasureUsageCase{"PairsWithoutValue", {"measure", "--pairs"}, "option '--pairs' needs a value"},
        MeasureUsageCase{"PairsEmpty", {"measure", "--pairs="}, "option '--pairs=' needs a value"},
        MeasureUsageCase{"PairsForCompare", {"compare", "a.png", "b.png", "--pairs", "p.csv"},
                         text::kPairsOnlyForMeasure},
        MeasureUsageCase{"NoSsimForCompare", {"compare", "a.png", "b.png", "--no-ssim"}, text::kNoSsimOnlyForMeasure},
        MeasureUsageCase{"NoSsimForInfo", {"--no-ssim", "info", "a.png"}, text::kNoSsimOnlyForMeasure},
        MeasureUsageCase{"SsimStaysCompares", {"measure", "a.png", "b.png", "--ssim"}, "--ssim is only for compare"},
        MeasureUsageCase{"OutputIsNotMeasures", {"measure", "a.png", "b.png", "-o", "x.png"},
                         "-o is only for diff and report"},
        MeasureUsageCase{"SummaryFileEmpty", {"measure", "a.png", "b.png", "--summary="},
                         "option '--summary=' needs a file name"},
        MeasureUsageCase{"ShardStillRefusedForInfo", {"--shard", "1/2", "info", "a.png"},
                         "--shard is only for compare, measure and detect"},
        MeasureUsageCase{"JsonAndCsv", {"measure", "a.png", "b.png", "--json", "--csv"},
                         "--json and --csv cannot be used together"}),
    [](const testing::TestParamInfo<MeasureUsageCase>& info) { return std::string(info.param.name); });

// --- output made from MeasureFields -----------------------------------------

// The fields of one CSV line (RFC 4180).
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : ",") + part;
    return out;
}

size_t ColumnIndex(const std::string& key) {
    const auto& columns = MeasureColumns();
    return static_cast<size_t>(std::find(columns.begin(), columns.end(), key) - columns.begin());
}

// A grey pair of 5 x 4 with an infinite PSNR, no nc, an SSIM and a BER; its
// paths hold a comma and a quote.
MeasureResult GreyResult() {
    MeasureResult result;
    result.original = "covers/a,1.pgm";
    result.manipulated = "stego/\"q\".pgm";
    MeasureMetrics m;
    m.width = 5;
    m.height = 4;
    m.channels = 1;
    m.bits = 16;
    m.peak = 1023;
    m.overall.mse = 0;
    m.overall.psnr = std::numeric_limits<double>::infinity();
    m.overall.ssim = 1.0 / 3.0;
    m.overall.mae = 2.0 / 3.0;
    m.overall.ber = 0.1234567891;
    m.overall.changeRate = 1e-7;
    m.overall.identical = true;
    m.perChannel.push_back({"Y", m.overall});
    result.metrics = m;
    return result;
}

MeasureResult FailedResult() {
    MeasureResult result;
    result.original = "o.png";
    result.manipulated = "m.png";
    result.group = "lsb";
    result.error = "m.png: cannot be read";
    return result;
}

TEST(MeasureCsv, HeaderIsTheColumnsAndEveryRowHasEachOnce) {
    EXPECT_EQ(MeasureCsvHeader(), Joined(MeasureColumns()));
    for (const MeasureResult& result : {GreyResult(), FailedResult()})
        EXPECT_EQ(CsvFields(MeasureCsv(result)).size(), MeasureColumns().size()) << MeasureCsv(result);
}

// Each key's CSV field and JSON value for the grey pair.
struct KeyCase {
    const char* key;
    std::string csv;
    std::string json;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.key; }

class MeasureValues : public testing::TestWithParam<KeyCase> {};

TEST_P(MeasureValues, AreWrittenByTheirKind) {
    const KeyCase& c = GetParam();
    const MeasureResult result = GreyResult();
    EXPECT_EQ(CsvFields(MeasureCsv(result)).at(ColumnIndex(c.key)), c.csv);
    const std::string json = MeasureJson(result);
    EXPECT_NE(json.find("\"" + std::string(c.key) + "\":" + c.json + (c.key == MeasureColumns().back() ? "}" : ",")),
              std::string::npos)
        << json;
}

std::string Shortest(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

INSTANTIATE_TEST_SUITE_P(
    Grey, MeasureValues,
    testing::Values(KeyCase{"original", "covers/a,1.pgm", R"("covers/a,1.pgm")"},
                    KeyCase{"manipulated", "stego/\"q\".pgm", R"("stego/\"q\".pgm")"},
                    KeyCase{"group", "", R"("")"}, KeyCase{"peak", "1023", "1023"}, KeyCase{"bits", "16", "16"},
                    KeyCase{"psnr", "inf", "null"}, KeyCase{"identical", "true", "true"},
                    KeyCase{"ssim", Shortest(1.0 / 3.0), Shortest(1.0 / 3.0)},
                    KeyCase{"mae", Shortest(2.0 / 3.0), Shortest(2.0 / 3.0)}, KeyCase{"nc", "", "null"},
                    KeyCase{"ber", Shortest(0.1234567891), Shortest(0.1234567891)},
                    KeyCase{"Y_psnr", "inf", "null"}, KeyCase{"R_mse", "", "null"},
                    KeyCase{"ssim_unavailable", "", "null"}, KeyCase{"error", "", "null"}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.key); });

TEST(MeasureJson, HoldsEveryColumnInOrder) {
    for (const MeasureResult& result : {GreyResult(), FailedResult()}) {
        const std::string json = MeasureJson(result);
        size_t at = 0;
        for (const std::string& key : MeasureColumns()) {
            const size_t found = json.find("\"" + key + "\":", at);
            ASSERT_NE(found, std::string::npos) << key << " in " << json;
            at = found + key.size();
        }
        EXPECT_EQ(json.front(), '{');
        EXPECT_EQ(json.back(), '}');
        EXPECT_EQ(json.find('\n'), std::string::npos);
    }
}

TEST(MeasureText, ShowsSixDigitsWithTheSeparatorAndTheErrorInPlace) {
    const std::vector<MeasureResult> results{GreyResult(), FailedResult()};
    const std::vector<std::string> lines = AllLines(MeasureText(results, ","));
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<std::string> heading{"original", "manipulated",      "group", "width", "x",   "height",
                                           "channels", "bits",             "mse",   "psnr",  "ssim", "mae",
                                           "nc",       "ber",              "change_rate"};
    std::istringstream words(lines[0]);
    EXPECT_EQ(std::vector<std::string>(std::istream_iterator<std::string>(words), {}), heading);
    for (const std::string cell : {"5 x 4", " 1 ", " 16 ", " inf ", " 0,333333 ", " 0,666667 ", " - ",
                                   " 0,123457 ", " 1e-07"})
        EXPECT_NE(lines[1].find(cell), std::string::npos) << cell << " in " << lines[1];
    EXPECT_TRUE(lines[2].ends_with("  error: m.png: cannot be read")) << lines[2];
    EXPECT_NE(lines[2].find("  lsb  "), std::string::npos) << lines[2];
    // The group column only when a pair has a group.
    const std::vector<MeasureResult> ungrouped{GreyResult()};
    EXPECT_EQ(AllLines(MeasureText(ungrouped, ".")).front().find("group"), std::string::npos);
}

// --- the executable ---------------------------------------------------------

// A binary PGM (P5): 8-bit samples up to maxval 255, else big-endian 16-bit.
void WritePgm(const std::string& path, int width, int height, int maxval, const std::vector<int>& samples) {
    std::string bytes = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
                        std::to_string(maxval) + "\n";
    for (int s : samples) {
        if (maxval > 255) bytes += static_cast<char>(s >> 8);
        bytes += static_cast<char>(s & 0xFF);
    }
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<int> Ramp(int count, int offset) {
    std::vector<int> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) samples[static_cast<size_t>(i)] = (i * 7 + offset) % 256;
    return samples;
}

class MeasureExe : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        for (const char* folder : {"covers", "lsb", "pm1"}) fs::create_directory(dir_->Path(folder));
        for (int i = 0; i < 7; ++i) {
            const std::string name = "0" + std::to_string(i) + ".pgm";
            WritePgm(dir_->Path("covers/" + name), 12, 12, 255, Ramp(144, i));
            WritePgm(dir_->Path("lsb/" + name), 12, 12, 255, Ramp(144, i + (i % 3 == 0 ? 0 : 1)));
            WritePgm(dir_->Path("pm1/" + name), 12, 12, 255, Ramp(144, i + 2));
        }
        WritePgm(dir_->Path("a b.pgm"), 4, 3, 255, Ramp(12, 0));
        WritePgm(dir_->Path("c,d.pgm"), 4, 3, 255, Ramp(12, 1));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string Path(const std::string& name) { return dir_->Path(name); }
    static ProcessOutput Citra(const std::vector<std::string>& args) {
        return RunProcess({.program = CITRA_EXE, .args = args, .env = kPlainEnv});
    }
    static inline ScratchDir* dir_ = nullptr;
};

TEST_F(MeasureExe, PairsFileTakesQuotedNamesGroupsAndNamesItsBadLines) {
    const std::string pairs = Path("pairs.csv");
    const std::string a = Path("a b.pgm"), c = Path("c,d.pgm");
    WriteText(pairs, "original,manipulated,group\r\n" + a + ",\"" + c + "\",first group\r\n" +
                         "\"unclosed," + a + "\n" + a + "\n\n" + a + "," + a + "\n");
    const auto run = Citra({"--csv", "measure", "--pairs", pairs});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[0], MeasureCsvHeader());
    const auto field = [&](size_t line, const char* key) { return CsvFields(lines[line]).at(ColumnIndex(key)); };
    EXPECT_EQ(field(1, "original"), a);
    EXPECT_EQ(field(1, "manipulated"), c);
    EXPECT_EQ(field(1, "group"), "first group");
    EXPECT_EQ(field(1, "error"), "");
    EXPECT_EQ(field(1, "identical"), "false");
    // Lines 3 and 4 of the file are of another shape; line 5 is empty.
    EXPECT_EQ(field(2, "error"), text::BadPairsLine(pairs, 3));
    EXPECT_EQ(field(3, "error"), text::BadPairsLine(pairs, 4));
    EXPECT_EQ(field(2, "mse"), "");
    EXPECT_EQ(field(4, "identical"), "true");
    EXPECT_EQ(field(4, "psnr"), "inf");
}

struct UnreadableCase {
    const char* name;
    const char* file;     // in the scratch folder
    const char* content;  // nullptr: not created
};

void PrintTo(const UnreadableCase& c, std::ostream* os) { *os << c.name; }

class MeasureUnreadablePairs : public MeasureExe, public testing::WithParamInterface<UnreadableCase> {};

TEST_P(MeasureUnreadablePairs, SaysWhichFileAndExitsWithOne) {
    const std::string path = Path(GetParam().file);
    if (GetParam().content) WriteText(path, GetParam().content);
    for (const char* format : {"--csv", "--json"}) {
        const auto run = Citra({format, "measure", "--pairs=" + path, "--summary"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "") << "nothing written, not even a header";
        EXPECT_EQ(run.err.rfind("citra: " + path + ": ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MeasureUnreadablePairs,
                         testing::Values(UnreadableCase{"Missing", "missing.csv", nullptr},
                                         UnreadableCase{"HeaderOnly", "header.csv", "original,manipulated\n"},
                                         UnreadableCase{"Empty", "empty.csv", ""},
                                         UnreadableCase{"AFolder", "covers", nullptr}),
                         [](const testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.name); });

TEST_F(MeasureExe, UnwritableSummaryFileFailsBeforeAnyPair) {
    const std::string summary = Path("no such folder/summary.csv");
    const auto run = Citra({"--csv", "--summary=" + summary, "measure", Path("covers"), Path("lsb")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("citra: cannot write the summary to '" + summary + "': ", 0), 0u) << run.err;
}

TEST_F(MeasureExe, SummaryOnlyWhenAskedAndItsFileWrittenWhole) {
    const auto plain = Citra({"measure", Path("covers"), Path("lsb"), Path("pm1")});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(AllLines(plain.out).size(), 15u) << "a heading and 14 rows, no summary:\n" << plain.out;

    const std::string summary = Path("summary.csv");
    const auto csv = Citra({"--csv", "--summary=" + summary, "measure", Path("covers"), Path("lsb"), Path("pm1")});
    EXPECT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.err, "");
    EXPECT_EQ(AllLines(csv.out).size(), 15u);
    const std::string written = ReadText(summary);
    EXPECT_EQ(written.rfind(std::string(kMeasureSummaryCsvHeader) + "\n", 0), 0u) << written;
    EXPECT_NE(written.find(Path("lsb")), std::string::npos);
    EXPECT_NE(written.find(Path("pm1")), std::string::npos);
    for (const auto& entry : fs::directory_iterator(dir_->Root()))
        EXPECT_EQ(entry.path().filename().string().find("summary.csv."), std::string::npos) << "temporary left";

    const auto stderrSummary = Citra({"--csv", "--summary", "measure", Path("covers"), Path("lsb"), Path("pm1")});
    EXPECT_EQ(stderrSummary.out, csv.out);
    EXPECT_EQ(stderrSummary.err, written) << "the same summary on standard error";

    const auto json = Citra({"--json", "--summary", "measure", Path("covers"), Path("lsb")});
    const auto lines = AllLines(json.out);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines.back().rfind("{\"summary\":[", 0), 0u) << lines.back();
}

TEST_F(MeasureExe, SharesOneAfterTheOtherAreTheWholeRun) {
    const std::vector<std::string> operands{Path("covers"), Path("lsb"), Path("pm1")};
    std::vector<std::string> whole{"--csv", "-j", "2", "measure"};
    whole.insert(whole.end(), operands.begin(), operands.end());
    const auto all = Citra(whole);
    ASSERT_EQ(all.exitCode, 0) << all.err;
    std::string joined = MeasureCsvHeader() + "\n";
    for (int k = 1; k <= 4; ++k) {
        std::vector<std::string> args{"--csv", "--shard", std::to_string(k) + "/4", "measure"};
        args.insert(args.end(), operands.begin(), operands.end());
        const auto share = Citra(args);
        ASSERT_EQ(share.exitCode, 0) << share.err;
        ASSERT_EQ(share.out.rfind(MeasureCsvHeader() + "\n", 0), 0u);
        joined += share.out.substr(MeasureCsvHeader().size() + 1);
    }
    EXPECT_EQ(joined, all.out);
}

// measure and compare list pairs alike: the same usage errors, status 2.
TEST_F(MeasureExe, GivesComparesUsageErrors) {
    for (const std::vector<std::string>& operands :
         {std::vector<std::string>{Path("covers"), Path("a b.pgm")}, {Path("covers"), Path("lsb"), Path("c,d.pgm")}}) {
        std::vector<std::string> measureArgs{"measure"}, compareArgs{"compare"};
        measureArgs.insert(measureArgs.end(), operands.begin(), operands.end());
        compareArgs.insert(compareArgs.end(), operands.begin(), operands.end());
        const auto measure = Citra(measureArgs);
        const auto compare = Citra(compareArgs);
        EXPECT_EQ(measure.exitCode, 2);
        EXPECT_EQ(measure.out, "");
        EXPECT_EQ(measure.err, compare.err);
    }
}

TEST_F(MeasureExe, NoSsimLeavesSsimOut) {
    const auto with = Citra({"--csv", "measure", Path("covers/01.pgm"), Path("pm1/01.pgm")});
    const auto without = Citra({"--csv", "--no-ssim", "measure", Path("covers/01.pgm"), Path("pm1/01.pgm")});
    ASSERT_EQ(with.exitCode, 0);
    ASSERT_EQ(without.exitCode, 0);
    const auto row = [](const ProcessOutput& run) { return CsvFields(AllLines(run.out).at(1)); };
    EXPECT_NE(row(with).at(ColumnIndex("ssim")), "");
    EXPECT_NE(row(with).at(ColumnIndex("Y_ssim")), "");
    EXPECT_EQ(row(without).at(ColumnIndex("ssim")), "");
    EXPECT_EQ(row(without).at(ColumnIndex("Y_ssim")), "");
    EXPECT_EQ(row(without).at(ColumnIndex("mse")), row(with).at(ColumnIndex("mse")));
}

}  // namespace
