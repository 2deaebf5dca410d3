// citra detect: its options, the JSON, CSV and text of a result, and through
// the built executable its numbers (the core's on the same decoded image),
// folders and groups, pairs files, summary, shares, threads and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "../core/scratch_dir.h"
#include "csv_text.h"
#include "detect_images.h"
#include "detect_output.h"
#include "image_reader.h"
#include "measure_pairs.h"
#include "options.h"
#include "run_process.h"
#include "texts.h"

namespace {

namespace fs = std::filesystem;

// --- options ----------------------------------------------------------------

struct DetectParseCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> files;
    std::string pairsFile;
    OutputFormat format;
};

void PrintTo(const DetectParseCase& c, std::ostream* os) { *os << c.name; }

class DetectParse : public testing::TestWithParam<DetectParseCase> {};

TEST_P(DetectParse, GivesTheOperandsAndOptions) {
    const DetectParseCase& c = GetParam();
    const ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_FALSE(parsed.usageError) << *parsed.usageError;
    EXPECT_EQ(parsed.options.command, Command::Detect);
    EXPECT_EQ(parsed.options.files, c.files);
    EXPECT_EQ(parsed.options.pairsFile, c.pairsFile);
    EXPECT_EQ(parsed.options.format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectParse,
    testing::Values(DetectParseCase{"OneFile", {"detect", "a.png"}, {"a.png"}, "", OutputFormat::Text},
                    DetectParseCase{"Folders", {"--json", "detect", "covers/", "lsb/"}, {"covers/", "lsb/"}, "",
                                    OutputFormat::Json},
                    DetectParseCase{"PairsFile", {"detect", "--pairs=p.csv", "--csv"}, {}, "p.csv", OutputFormat::Csv},
                    DetectParseCase{"EveryBatchOption",
                                    {"-j2", "--shard", "1/3", "--summary=s.csv", "--no-progress", "detect", "d/"},
                                    {"d/"}, "", OutputFormat::Text}),
    [](const testing::TestParamInfo<DetectParseCase>& info) { return std::string(info.param.name); });

struct DetectUsageCase {
    const char* name;
    std::vector<std::string> args;
    std::string message;
};

void PrintTo(const DetectUsageCase& c, std::ostream* os) { *os << c.name; }

class DetectRefuses : public testing::TestWithParam<DetectUsageCase> {};

TEST_P(DetectRefuses, WithMessage) {
    const ParsedArguments parsed = ParseArguments(GetParam().args);
    ASSERT_TRUE(parsed.usageError);
    EXPECT_EQ(*parsed.usageError, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectRefuses,
    testing::Values(DetectUsageCase{"NoOperand", {"detect"}, text::kDetectNeedsFile},
                    DetectUsageCase{"PairsAndOperand", {"detect", "--pairs", "p.csv", "a.png"},
                                    text::kDetectPairsTakeNoOperand},
                    DetectUsageCase{"Ssim", {"detect", "a.png", "--ssim"}, "--ssim is only for compare"},
                    DetectUsageCase{"NoSsim", {"detect", "a.png", "--no-ssim"}, "--no-ssim is only for measure"},
                    DetectUsageCase{"Output", {"detect", "a.png", "-o", "x.png"}, "-o is only for diff and report"}),
    [](const testing::TestParamInfo<DetectUsageCase>& info) { return std::string(info.param.name); });

// --- files ------------------------------------------------------------------

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

// A smooth picture with noise, its LSBs replaced by pseudo-random bits at
// `payload` of the samples: estimates that are neither 0 nor missing.
std::vector<int> Picture(int width, int height, int channels, unsigned seed, double payload) {
    std::vector<int> samples;
    uint32_t state = seed * 2654435761u + 1;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                int v = 40 + x * 3 + y * 2 + c * 17 + static_cast<int>(next() % 7);
                v = std::min(v, 255);
                if ((next() % 1000) < payload * 1000) v = (v & ~1) | static_cast<int>(next() & 1);
                samples.push_back(v);
            }
    return samples;
}

// Binary PNM: P5 (grey) or P6 (RGB); 8-bit up to maxval 255, else 16-bit.
void WritePnm(const std::string& path, int width, int height, int channels, int maxval,
              const std::vector<int>& samples) {
    std::string bytes = std::string(channels == 1 ? "P5" : "P6") + "\n" + std::to_string(width) + " " +
                        std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
    for (int s : samples) {
        if (maxval > 255) bytes += static_cast<char>(s >> 8);
        bytes += static_cast<char>(s & 0xFF);
    }
    WriteBytes(path, bytes);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fields of a CSV line without quoted commas (the scratch paths have none).
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ',') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

size_t Column(const std::string& name) {
    const auto& columns = DetectCsvColumns();
    const auto it = std::find(columns.begin(), columns.end(), name);
    if (it == columns.end()) throw std::runtime_error("no column " + name);
    return static_cast<size_t>(it - columns.begin());
}

std::string Csv(const std::optional<double>& value) {
    std::string out;
    if (value) AppendCsvNumber(out, *value);
    return out;
}

class DetectExe : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        for (const char* folder : {"covers", "lsb", "empty"}) fs::create_directory(dir_->Path(folder));
        for (int i = 0; i < 5; ++i) {
            const std::string name = "0" + std::to_string(i) + ".ppm";
            WritePnm(dir_->Path("covers/" + name), 24, 16, 3, 255, Picture(24, 16, 3, i, 0));
            WritePnm(dir_->Path("lsb/" + name), 24, 16, 3, 255, Picture(24, 16, 3, i, 0.5));
        }
        WritePnm(dir_->Path("grey.pgm"), 30, 20, 1, 255, Picture(30, 20, 1, 9, 0.3));
        WritePnm(dir_->Path("deep.pgm"), 8, 8, 1, 65535, std::vector<int>(64, 1000));
        WritePnm(dir_->Path("narrow.pgm"), 2, 9, 1, 255, Picture(2, 9, 1, 3, 0));
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

// The tool's figures are the core's on the same decoded image, bit for bit.
TEST_F(DetectExe, CsvRowsHoldTheCoresEstimatesOfTheDecodedImage) {
    for (const std::string name : {"grey.pgm", "lsb/03.ppm"}) {
        const std::string path = Path(name);
        const Image image = ReadImage(path);
        const std::vector<ChannelDetection> core = DetectLsbEmbedding(image);
        const auto run = Citra({"--csv", "detect", path});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto lines = AllLines(run.out);
        ASSERT_EQ(lines.size(), core.size() + 1) << run.out;
        EXPECT_EQ(lines[0], DetectCsvHeader());
        for (size_t c = 0; c < core.size(); ++c) {
            const auto f = Fields(lines[c + 1]);
            ASSERT_EQ(f.size(), DetectCsvColumns().size());
            EXPECT_EQ(f[Column("path")], path);
            EXPECT_EQ(f[Column("width")], std::to_string(image.width));
            EXPECT_EQ(f[Column("channel")], core[c].name);
            EXPECT_EQ(f[Column("rs")], Csv(core[c].rs.raw));
            EXPECT_EQ(f[Column("rs_clamped")], Csv(core[c].rs.clamped));
            EXPECT_EQ(f[Column("spa")], Csv(core[c].spa.raw));
            EXPECT_EQ(f[Column("ws")], Csv(core[c].ws.raw));
            EXPECT_EQ(f[Column("ws_plain")], Csv(core[c].wsPlain.raw));
            EXPECT_EQ(f[Column("chi2_p")], Csv(core[c].chiSquare.whole.probability));
            EXPECT_EQ(f[Column("chi2_categories")], std::to_string(core[c].chiSquare.whole.categories));
            EXPECT_EQ(f[Column("chi2_p_50")], Csv(core[c].chiSquare.profile[10].probability));
            EXPECT_EQ(f[Column("chi2_p_100")], Csv(core[c].chiSquare.profile.back().probability));
            EXPECT_EQ(f[Column("error")], "");
        }
        // The clamped estimates' mean over the channels is the image's overall.
        const auto json = Citra({"--json", "detect", path});
        double sum = 0;
        for (const ChannelDetection& c : core) sum += *c.ws.clamped;
        std::string expected = "\"ws\":";
        AppendCsvNumber(expected, sum / static_cast<double>(core.size()));
        EXPECT_NE(json.out.find(expected + ",\"chi2_p\":"), std::string::npos) << json.out;
    }
}

TEST(DetectJson, HoldsEveryKeyInOrderAndTheReasonsOfMissingEstimates) {
    // A flat 2 x 9 grey image: RS and WS have nothing to go on (too
    // narrow), nor has chi-square (one pair of values); SPA gives 0.
    const std::vector<uint8_t> samples(18, 100);
    ImageView view;
    view.width = 2;
    view.height = 9;
    view.layout = ChannelLayout::Grey;
    view.samples = samples.data();
    view.held = samples.size();
    const DetectResult result = DetectDecodedImage(view, "n.pgm", "g", {});
    ASSERT_FALSE(result.error);
    ASSERT_TRUE(result.channels.at(0).spa.HasEstimate());
    const std::string json = DetectJson(result);
    size_t at = 0;
    for (const char* key :
         {"\"path\":\"n.pgm\"", "\"group\":\"g\"", "\"width\":2", "\"height\":9", "\"rs\":null", "\"spa\":",
          "\"ws\":null", "\"chi2_p\":", "\"channels\":[{\"channel\":\"Y\"", "\"rs\":null", "\"rs_clamped\":null",
          "\"spa\":", "\"spa_clamped\":", "\"ws\":null", "\"ws_clamped\":null", "\"ws_plain\":null",
          "\"ws_plain_clamped\":null", "\"chi2_p\":", "\"chi2_statistic\":", "\"chi2_categories\":",
          "\"chi2_profile\":[{\"percent\":1,\"p\":", "{\"percent\":100,\"p\":", "\"reasons\":{\"rs\":\"",
          "\"ws\":\"", "\"ws_plain\":\"", "\"error\":null}"}) {
        const size_t found = json.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " after " << at << " in " << json;
        at = found + 1;
    }
    EXPECT_EQ(json.find("\"spa\":\"", json.find("\"reasons\"")), std::string::npos) << "SPA has an estimate";

    // The text table: "-" in place, the reason under it.
    const std::vector<DetectResult> rows{result};
    const std::string table = DetectText(rows, ",");
    EXPECT_NE(table.find("no estimate: n.pgm (Y) rs: " + std::string(result.channels[0].rs.reason)),
              std::string::npos)
        << table;
    const auto lines = AllLines(table);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find(" -"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("0,0000"), std::string::npos) << "the decimal separator: " << lines[1];
}

TEST(DetectCsv, AFailedImageIsOneRowWithEveryColumn) {
    DetectResult failed;
    failed.path = "a,b.png";
    failed.group = "g";
    failed.error = "a,b.png: broken";
    const auto rows = DetectCsvRows(failed);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].rfind("\"a,b.png\",g,,", 0), 0u) << rows[0];
    EXPECT_TRUE(rows[0].ends_with(",\"a,b.png: broken\"")) << rows[0];
    // Every column once: the commas outside quotes are columns - 1.
    size_t commas = 0;
    bool quoted = false;
    for (char c : rows[0]) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) ++commas;
    }
    EXPECT_EQ(commas + 1, DetectCsvColumns().size());
    EXPECT_EQ(DetectCsvColumns().front(), "path");
    EXPECT_EQ(DetectCsvColumns().back(), "error");
}

struct FailureCase {
    const char* name;
    const char* file;
    const char* message;  // after "<path>: "
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class DetectFails : public DetectExe, public testing::WithParamInterface<FailureCase> {};

TEST_P(DetectFails, NamingTheFileWithStatusOne) {
    const std::string path = Path(GetParam().file);
    // Beside a good image, which is still written.
    const auto run = Citra({"--json", "detect", Path("grey.pgm"), path});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_NE(lines[0].find("\"error\":null"), std::string::npos);
    EXPECT_NE(lines[1].find("\"error\":\"" + path + ": " + GetParam().message), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("\"channels\":[]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectFails,
    testing::Values(FailureCase{"Missing", "missing.pgm", ""},
                    FailureCase{"SixteenBits", "deep.pgm", "LSB detection takes 8-bit samples"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(DetectExe, FolderWithoutImagesIsOneFailedLine) {
    const auto run = Citra({"--csv", "detect", Path("empty")});
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_NE(lines[1].find("No image file in folder"), std::string::npos) << lines[1];
}

TEST_F(DetectExe, FoldersAreGroupsAndTheSummaryCountsThem) {
    const auto run = Citra({"--json", "--summary", "detect", Path("covers"), Path("lsb")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 11u) << run.out;
    EXPECT_NE(lines[0].find("\"path\":\"" + Path("covers") + "/00.ppm\",\"group\":\"" + Path("covers") + "\""),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[9].find("\"group\":\"" + Path("lsb") + "\""), std::string::npos);
    const std::string& summary = lines.back();
    EXPECT_EQ(summary.rfind("{\"summary\":[{\"group\":\"" + Path("covers") + "\",\"images\":5,\"failed\":0,\"rs\":{", 0),
              0u)
        << summary;
    EXPECT_NE(summary.find("{\"group\":\"" + Path("lsb") + "\",\"images\":5,\"failed\":0"), std::string::npos);

    // The summary's CSV: on standard error, or in its file, the same.
    const auto csv = Citra({"--csv", "--summary", "detect", Path("covers"), Path("lsb")});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.err.rfind(std::string(kDetectSummaryCsvHeader) + "\n", 0), 0u) << csv.err;
    EXPECT_EQ(AllLines(csv.err).size(), 9u) << "a header and four metrics per group:\n" << csv.err;
    const std::string file = Path("summary.csv");
    const auto toFile = Citra({"--csv", "--summary=" + file, "detect", Path("covers"), Path("lsb")});
    EXPECT_EQ(toFile.err, "");
    EXPECT_EQ(toFile.out, csv.out);
    EXPECT_EQ(ReadText(file), csv.err);

    // The mean of the lsb group's ws is the mean of its images' overall ws.
    const auto stats = Fields(AllLines(csv.err)[7]);
    ASSERT_EQ(stats[3], "ws");
    double sum = 0;
    for (size_t i = 5; i < 10; ++i) {
        const size_t at = lines[i].find("\"ws\":") + 5;
        sum += std::stod(lines[i].substr(at));
    }
    EXPECT_NEAR(std::stod(stats[5]), sum / 5, 1e-12);
}

TEST_F(DetectExe, PairsFileGivesEachFileOnceOriginalsAsCover) {
    const std::string pairs = Path("pairs.csv");
    WriteBytes(pairs, "original,manipulated,group\n" + Path("covers/00.ppm") + "," + Path("lsb/00.ppm") +
                          ",lsb\n" + Path("covers/00.ppm") + "," + Path("grey.pgm") + ",other\nbad line\n");
    const auto run = Citra({"--csv", "detect", "--pairs", pairs});
    EXPECT_EQ(run.exitCode, 1) << "the bad line fails";
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 1u + 3 + 3 + 1 + 1) << run.out;
    EXPECT_EQ(Fields(lines[1])[Column("group")], "cover");
    EXPECT_EQ(Fields(lines[4])[Column("path")], Path("lsb/00.ppm"));
    EXPECT_EQ(Fields(lines[4])[Column("group")], "lsb");
    EXPECT_EQ(Fields(lines[7])[Column("group")], "other");
    EXPECT_TRUE(lines[8].ends_with(",\"" + text::BadPairsLine(pairs, 4) + "\"")) << lines[8];
}

TEST_F(DetectExe, SharesOneAfterTheOtherAreTheWholeRun) {
    const std::vector<std::string> operands{Path("covers"), Path("lsb"), Path("grey.pgm")};
    std::vector<std::string> whole{"--csv", "detect"};
    whole.insert(whole.end(), operands.begin(), operands.end());
    const auto all = Citra(whole);
    ASSERT_EQ(all.exitCode, 0) << all.err;
    std::string joined = DetectCsvHeader() + "\n";
    for (int k = 1; k <= 4; ++k) {
        std::vector<std::string> args{"--csv", "--shard", std::to_string(k) + "/4", "detect"};
        args.insert(args.end(), operands.begin(), operands.end());
        const auto share = Citra(args);
        ASSERT_EQ(share.exitCode, 0) << share.err;
        ASSERT_EQ(share.out.rfind(DetectCsvHeader() + "\n", 0), 0u);
        joined += share.out.substr(DetectCsvHeader().size() + 1);
    }
    EXPECT_EQ(joined, all.out);
}

TEST_F(DetectExe, OneWorkerAndTwoGiveTheSameOutput) {
    for (const char* format : {"--csv", "--json", "--no-progress"}) {
        const auto one = Citra({format, "-j", "1", "detect", Path("covers"), Path("lsb"), Path("narrow.pgm")});
        const auto two = Citra({format, "-j", "2", "detect", Path("covers"), Path("lsb"), Path("narrow.pgm")});
        ASSERT_EQ(one.exitCode, 0) << one.err;
        EXPECT_EQ(one.out, two.out) << format;
        EXPECT_FALSE(one.out.empty());
    }
    // A single image's channels side by side give the same numbers too.
    const auto one = Citra({"--csv", "-j", "1", "detect", Path("lsb/01.ppm")});
    const auto two = Citra({"--csv", "-j", "2", "detect", Path("lsb/01.ppm")});
    EXPECT_EQ(one.out, two.out);
}

TEST_F(DetectExe, UnwritableSummaryFileFailsBeforeAnyImage) {
    const std::string summary = Path("no such folder/summary.csv");
    const auto run = Citra({"--csv", "--summary=" + summary, "detect", Path("covers")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("citra: cannot write the summary to '" + summary + "': ", 0), 0u) << run.err;
}

// --- measure --detect -------------------------------------------------------

// The text of a JSON member's number ("key":value) in a line, or "" when absent.
std::string Member(const std::string& line, const std::string& key) {
    const std::string start = "\"" + key + "\":";
    const size_t at = line.find(start);
    if (at == std::string::npos) return "";
    const size_t from = at + start.size();
    return line.substr(from, line.find_first_of(",}", from) - from);
}

TEST_F(DetectExe, MeasureDetectAddsBothImagesOverallEstimates) {
    const std::string cover = Path("covers/02.ppm"), stego = Path("lsb/02.ppm");
    const auto measured = Citra({"--json", "--detect", "measure", cover, stego});
    ASSERT_EQ(measured.exitCode, 0) << measured.err;
    const auto ofCover = Citra({"--json", "detect", cover});
    const auto ofStego = Citra({"--json", "detect", stego});
    for (const char* key : {"rs", "spa", "ws", "chi2_p"}) {
        EXPECT_EQ(Member(measured.out, std::string("stego_") + key), Member(ofStego.out, key)) << key;
        EXPECT_EQ(Member(measured.out, std::string("cover_") + key), Member(ofCover.out, key)) << key;
    }
    EXPECT_NE(Member(measured.out, "stego_ws"), "null");
    // After every column of measure, which keep their order.
    EXPECT_LT(measured.out.find("\"error\":null"), measured.out.find("\"stego_rs\""));
    const auto plain = Citra({"--json", "measure", cover, stego});
    EXPECT_EQ(plain.out.find("stego_"), std::string::npos);
    EXPECT_EQ(measured.out.substr(0, measured.out.find(",\"stego_rs\"")) + "}\n", plain.out);
}

TEST_F(DetectExe, MeasureDetectCsvAppendsTheColumnsAndTheSummaryTheirStatistics) {
    const auto csv = Citra({"--csv", "--summary", "--detect", "measure", Path("covers"), Path("lsb")});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const auto lines = AllLines(csv.out);
    ASSERT_EQ(lines.size(), 6u);
    std::string header = MeasureCsvHeader();
    for (const std::string& column : MeasureDetectColumns()) header += "," + column;
    EXPECT_EQ(lines[0], header);
    EXPECT_EQ(MeasureDetectColumns().front(), "stego_rs");
    EXPECT_EQ(MeasureDetectColumns().back(), "cover_chi2_p");
    // Every column summarised; ws and chi2_p are there for every image of this size.
    for (const std::string& column : MeasureDetectColumns())
        EXPECT_NE(csv.err.find("," + column + ","), std::string::npos) << column << " in\n" << csv.err;
    const auto summary = AllLines(csv.err);
    const auto row = std::find_if(summary.begin(), summary.end(),
                                  [](const std::string& line) { return line.find(",stego_ws,5,") != std::string::npos; });
    ASSERT_NE(row, summary.end()) << csv.err;
    const size_t column = static_cast<size_t>(
        std::find(MeasureColumns(true).begin(), MeasureColumns(true).end(), "stego_ws") - MeasureColumns(true).begin());
    double sum = 0;
    for (size_t i = 1; i < lines.size(); ++i) sum += std::stod(Fields(lines[i]).at(column));
    EXPECT_NEAR(std::stod(Fields(*row).at(8)), sum / 5, 1e-12) << "the mean of the rows' stego_ws";
    EXPECT_EQ(AllLines(Citra({"--csv", "measure", Path("covers"), Path("lsb")}).out)[0], MeasureCsvHeader());
}

TEST_F(DetectExe, MeasureDetectLeavesA16BitPairsEstimatesEmpty) {
    const auto run = Citra({"--json", "--detect", "measure", Path("deep.pgm"), Path("deep.pgm")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Member(run.out, "identical"), "true");
    for (const std::string& column : MeasureDetectColumns()) EXPECT_EQ(Member(run.out, column), "null") << column;
}

TEST_F(DetectExe, ReportDetectShowsMeasuresEstimatesBeforeTheError) {
    const std::string html = Path("report.html");
    const auto run = Citra({"--no-progress", "--detect", "report", Path("covers"), Path("lsb"), "-o", html});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string page = ReadText(html);
    // The headings: measure's, then the estimates, then error.
    std::vector<std::string> keys;
    for (size_t at = page.find("<th data-key=\""); at != std::string::npos; at = page.find("<th data-key=\"", at + 1)) {
        const size_t from = at + 14;
        keys.push_back(page.substr(from, page.find('"', from) - from));
    }
    ASSERT_GE(keys.size(), 9u);
    EXPECT_EQ(keys.back(), "error");
    EXPECT_EQ(std::vector<std::string>(keys.end() - 9, keys.end() - 1), MeasureDetectColumns());
    // Each row's cells: the sort keys of stego_ws and cover_ws are measure --detect's values.
    const auto json = AllLines(Citra({"--json", "--detect", "measure", Path("covers"), Path("lsb")}).out);
    size_t row = 0;
    for (size_t at = page.find("<tr><td class=\"n\" data-v=\""); at != std::string::npos;
         at = page.find("<tr><td class=\"n\" data-v=\"", at + 1), ++row) {
        const std::string line = page.substr(at, page.find("</tr>", at) - at);
        std::vector<std::string> cells;
        for (size_t c = line.find("<td"); c != std::string::npos; c = line.find("<td", c + 1)) {
            const size_t v = line.find("data-v=\"", c);
            const size_t next = line.find("<td", c + 1);
            cells.push_back(v != std::string::npos && (next == std::string::npos || v < next)
                                ? line.substr(v + 8, line.find('"', v + 8) - v - 8)
                                : std::string());
        }
        ASSERT_EQ(cells.size(), keys.size()) << line;
        ASSERT_LT(row, json.size());
        for (const char* key : {"stego_ws", "cover_ws", "stego_chi2_p"}) {
            const size_t column = static_cast<size_t>(std::find(keys.begin(), keys.end(), key) - keys.begin());
            EXPECT_EQ(cells[column], Member(json[row], key)) << key << " of row " << row;
        }
    }
    EXPECT_EQ(row, 5u);
    EXPECT_NE(page.find("<tr><td>stego_ws</td><td class=\"n\">5</td>"), std::string::npos) << "in the summary";
    // Without --detect the table is as it was.
    const auto plain = Citra({"--no-progress", "report", Path("covers"), Path("lsb"), "-o", html});
    ASSERT_EQ(plain.exitCode, 0);
    EXPECT_EQ(ReadText(html).find("stego_"), std::string::npos);
}

struct DetectStop {
    const char* name;
    int signal;
    int exitCode;
};

void PrintTo(const DetectStop& c, std::ostream* os) { *os << c.name; }

class DetectStops : public DetectExe, public testing::WithParamInterface<DetectStop> {};

// Stopped after its first line: complete lines only, the signal's status.
TEST_P(DetectStops, AfterCompleteLinesWithTheSignalsStatus) {
    const std::string big = Path("big.ppm");
    if (!fs::exists(big)) WritePnm(big, 600, 600, 3, 255, Picture(600, 600, 3, 1, 0.2));
    std::vector<std::string> args{"--json", "-j", "2", "detect"};
    args.insert(args.end(), 2000, big);
    const ProcessOutput run = RunProcess({.program = CITRA_EXE,
                                          .args = args,
                                          .env = kPlainEnv,
                                          .signalWhen = [](const std::string& out,
                                                           const std::string&) { return !out.empty(); },
                                          .signal = GetParam().signal,
                                          .silenceLimit = std::chrono::seconds(20)});
    ASSERT_TRUE(run.signalSent) << run.err;
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    const auto lines = AllLines(run.out);
    EXPECT_LT(lines.size(), 2000u);
    for (const std::string& line : lines) EXPECT_TRUE(line.ends_with("\"error\":null}")) << line.substr(0, 80);
}

INSTANTIATE_TEST_SUITE_P(Signals, DetectStops,
                         testing::Values(DetectStop{"Sigint", SIGINT, 130}, DetectStop{"Sigterm", SIGTERM, 143}),
                         [](const testing::TestParamInfo<DetectStop>& info) { return std::string(info.param.name); });

TEST(MeasureDetectOption, IsForMeasureAndReportOnly) {
    for (const char* command : {"compare", "detect"}) {
        const std::vector<std::string> args{command, "a.png", "b.png", "--detect"};
        const ParsedArguments parsed = ParseArguments(args);
        ASSERT_TRUE(parsed.usageError) << command;
        EXPECT_EQ(*parsed.usageError, text::kDetectOnlyForMeasure);
    }
    const std::vector<std::string> args{"measure", "a.png", "b.png", "--detect"};
    EXPECT_TRUE(ParseArguments(args).options.detect);
}

}  // namespace
