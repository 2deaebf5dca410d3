// citra compare on pairs that are not two .bmp files, through the built
// executable: the field's metrics as the core computes them in this process,
// the desktop program's numbers where they apply, refusals, and the CSV
// header fixed for the whole run.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "csv_output.h"
#include "image_reader.h"
#include "json_output.h"
#include "run_process.h"
#include "small_bmp.h"
#include "standard_metrics.h"
#include "texts.h"

namespace {

namespace fs = std::filesystem;

using PixelFn = std::function<Bgr(int32_t, int32_t)>;

Bgr Base(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x * 13 + y), static_cast<uint8_t>(y * 17 + 3 * x), static_cast<uint8_t>(90 + x * y)};
}

Bgr Changed(int32_t x, int32_t y) {
    Bgr p = Base(x, y);
    if ((x + y) % 3 == 0) p.r = static_cast<uint8_t>(p.r + 9);
    if (x == 2) p.b = static_cast<uint8_t>(p.b - 40);
    return p;
}

// RGB rows from the top, as PNG stores them.
std::vector<uint8_t> RgbRows(int32_t width, int32_t height, const PixelFn& pixel) {
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Bgr p = pixel(x, y);
            rows.insert(rows.end(), {p.r, p.g, p.b});
        }
    return rows;
}

// A binary 16-bit PGM, samples big-endian.
std::vector<uint8_t> Pgm16(int32_t width, int32_t height, uint32_t seed) {
    std::vector<uint8_t> samples;
    for (int32_t i = 0; i < width * height; ++i) {
        const uint32_t v = (static_cast<uint32_t>(i) * 2654435761u * seed) >> 16;
        samples.push_back(static_cast<uint8_t>(v >> 8));
        samples.push_back(static_cast<uint8_t>(v));
    }
    return image_encoders::Pnm("P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n65535\n", samples);
}

constexpr int32_t kWidth = 16;
constexpr int32_t kHeight = 12;

class DecodedExe : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        const auto png = [](const std::string& name, int32_t w, int32_t h, const PixelFn& pixel) {
            WriteFileBytes(Path(name), image_encoders::Png(w, h, 2, 8, RgbRows(w, h, pixel)));
        };
        png("a.png", kWidth, kHeight, Base);
        png("b.png", kWidth, kHeight, Changed);
        WriteBmp(Path("a.bmp"), kWidth, kHeight, 24, Base);
        WriteBmp(Path("b.bmp"), kWidth, kHeight, 24, Changed);
        png("tiny_a.png", 6, 6, Base);
        png("tiny_b.png", 6, 6, Changed);
        WriteFileBytes(Path("grey.png"),
                       image_encoders::Png(kWidth, kHeight, 0, 8, image_encoders::Ramp(kWidth * kHeight)));
        WriteFileBytes(Path("a16.pgm"), Pgm16(kWidth, kHeight, 3));
        WriteFileBytes(Path("b16.pgm"), Pgm16(kWidth, kHeight, 5));
        WriteFileBytes(Path("cut.png"), {0x89, 'P', 'N', 'G'});
        // A study: 01 two bitmaps, 02 a bitmap against a PNG, 03 two PGMs.
        for (const char* folder : {"covers", "stego"}) fs::create_directory(Path(folder));
        WriteBmp(Path("covers/01.bmp"), kWidth, kHeight, 24, Base);
        WriteBmp(Path("stego/01.bmp"), kWidth, kHeight, 24, Changed);
        WriteBmp(Path("covers/02.bmp"), kWidth, kHeight, 24, Base);
        png("stego/02.png", kWidth, kHeight, Changed);
        WriteFileBytes(Path("covers/03.pgm"), Pgm16(kWidth, kHeight, 3));
        WriteFileBytes(Path("stego/03.pgm"), Pgm16(kWidth, kHeight, 5));
        // A folder of the one-original form still stands for its .bmp files.
        fs::create_directory(Path("mixed"));
        WriteBmp(Path("mixed/b.bmp"), kWidth, kHeight, 24, Changed);
        png("mixed/c.png", kWidth, kHeight, Changed);
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

// The JSON members of the desktop program's numbers for two .bmp files of
// the same pixels, as today's path writes them: `"mse":...,"psnr_text":"..."`.
std::string DesktopMembers(const std::string& bmpLine) {
    const size_t from = bmpLine.find(R"("mse":)");
    const size_t to = bmpLine.find(R"(,"standard":)");
    EXPECT_NE(from, std::string::npos) << bmpLine;
    EXPECT_NE(to, std::string::npos) << bmpLine;
    return bmpLine.substr(from, to - from);
}

// The "standard" object and what follows it in a JSON line.
std::string StandardMembers(const std::string& line) {
    const size_t from = line.find(R"("standard":)");
    EXPECT_NE(from, std::string::npos) << line;
    return line.substr(from);
}

struct DecodedCase {
    const char* name;
    const char* original;
    const char* manipulated;
    bool ssim;
    // Two .bmp files of the same pixels, when the desktop numbers apply.
    std::optional<std::pair<const char*, const char*>> bitmaps;
};

void PrintTo(const DecodedCase& c, std::ostream* os) { *os << c.name; }

class DecodedPairs : public DecodedExe, public testing::WithParamInterface<DecodedCase> {};

TEST_P(DecodedPairs, FieldsMetricsAsInProcessAndDesktopNumbersWhereTheyApply) {
    const DecodedCase& c = GetParam();
    std::vector<std::string> args{"--json", "compare", Path(c.original), Path(c.manipulated)};
    if (c.ssim) args.push_back("--ssim");
    const auto run = Citra(args);
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;

    const Image originalImage = ReadImage(Path(c.original)), manipulatedImage = ReadImage(Path(c.manipulated));
    const StandardMetrics expected = ComputeStandardMetrics(originalImage, manipulatedImage, {.ssim = c.ssim});
    EXPECT_EQ(expected.ssim.has_value(), c.ssim && !expected.ssimUnavailable);
    std::string desktop = R"("mse":null,"psnr":null,"mse_text":null,"psnr_text":null)";
    std::string tail;
    if (c.bitmaps) {
        const auto bmp = Citra({"--json", "compare", Path(c.bitmaps->first), Path(c.bitmaps->second)});
        ASSERT_EQ(bmp.exitCode, 0) << bmp.err;
        desktop = DesktopMembers(AllLines(bmp.out).at(0));
        // The desktop MSE sums the three samples of a pixel.
        const double mse = std::stod(desktop.substr(6));
        EXPECT_NEAR(mse, 3 * expected.mse, 1e-12 * mse) << desktop;
    } else {
        tail = std::string(R"(,"mse_unavailable":")") + text::kMseNeedsRgb8 + "\"";
    }
    EXPECT_EQ(lines[0], R"({"original":")" + Path(c.original) + R"(","manipulated":")" + Path(c.manipulated) +
                            "\"," + desktop + R"(,"standard":)" + StandardJson(expected) + tail + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodedPairs,
    testing::Values(DecodedCase{"PngRgb8", "a.png", "b.png", false, std::pair{"a.bmp", "b.bmp"}},
                    DecodedCase{"PngRgb8Ssim", "a.png", "b.png", true, std::pair{"a.bmp", "b.bmp"}},
                    DecodedCase{"BitmapAgainstPng", "a.bmp", "b.png", true, std::pair{"a.bmp", "b.bmp"}},
                    DecodedCase{"PngAgainstBitmap", "b.png", "a.bmp", false, std::pair{"b.bmp", "a.bmp"}},
                    DecodedCase{"Identical", "a.png", "a.bmp", true, std::pair{"a.bmp", "a.bmp"}},
                    DecodedCase{"Pgm16", "a16.pgm", "b16.pgm", false, std::nullopt},
                    DecodedCase{"Pgm16Ssim", "a16.pgm", "b16.pgm", true, std::nullopt}),
    [](const testing::TestParamInfo<DecodedCase>& info) { return std::string(info.param.name); });

// The 6 x 6 pair has the desktop numbers (RGB 8-bit) but no SSIM.
TEST_F(DecodedExe, SsimBelowTheWindowIsNullWithTheReason) {
    const auto run = Citra({"--json", "--ssim", "compare", Path("tiny_a.png"), Path("tiny_b.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Image a = ReadImage(Path("tiny_a.png")), b = ReadImage(Path("tiny_b.png"));
    const StandardMetrics expected = ComputeStandardMetrics(a, b, {.ssim = true});
    ASSERT_TRUE(expected.ssimUnavailable);
    EXPECT_NE(run.out.find(R"("ssim":null)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(R"("ssim_unavailable":")" + *expected.ssimUnavailable + "\"}"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("mse_unavailable"), std::string::npos) << run.out;
}

struct RefusedCase {
    const char* name;
    const char* original;
    const char* manipulated;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedPairs : public DecodedExe, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedPairs, FailWithTheCoresMessageAndStatus1) {
    const RefusedCase& c = GetParam();
    const std::string original = Path(c.original);
    const std::string manipulated = Path(c.manipulated);
    std::string message;
    try {
        const Image a = ReadImage(original);
        const Image b = ReadImage(manipulated);
        message = StandardPairRefusal(a, b).value_or("");
    } catch (const std::exception& e) {
        message = e.what();
    }
    ASSERT_FALSE(message.empty());
    const auto run = Citra({"--json", "--ssim", "compare", original, manipulated});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    PairResult failed;
    failed.original = original;
    failed.manipulated = manipulated;
    failed.error = message;
    EXPECT_EQ(lines[0], PairJson(failed));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedPairs,
                         testing::Values(RefusedCase{"GreyAgainstRgb", "grey.png", "b.png"},
                                         RefusedCase{"RgbAgainstGrey", "a.bmp", "grey.png"},
                                         RefusedCase{"SizesDiffer", "a.png", "tiny_b.png"},
                                         RefusedCase{"DepthsDiffer", "a16.pgm", "grey.png"},
                                         RefusedCase{"CutShort", "a.png", "cut.png"},
                                         RefusedCase{"Missing", "missing.png", "b.png"},
                                         // Decoded side by side, the original's error still comes first.
                                         RefusedCase{"BothFail", "missing.png", "cut.png"},
                                         RefusedCase{"ManipulatedFails", "a.png", "cut.png"}),
                         [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

// Every compare run has today's columns first and the field's after them,
// whatever its pairs and shares, and every row as many fields.
TEST_F(DecodedExe, CsvHeaderOfTodaysColumnsThenTheFields) {
    const std::string standard = PairCsvHeader();
    ASSERT_EQ(standard.rfind(std::string(text::kCsvHeader) + ",std_mse,", 0), 0u) << standard;
    struct Run {
        std::vector<std::string> args;
        std::string header;
        size_t rows;
    };
    const std::vector<Run> runs{
        {{"compare", Path("a.bmp"), Path("b.bmp")}, standard, 1},
        // The folder stands for both its image files: a bitmap, then a PNG.
        {{"compare", Path("a.bmp"), Path("mixed")}, standard, 2},
        {{"--ssim", "compare", Path("a.bmp"), Path("b.bmp")}, standard, 1},
        // The first row is of two bitmaps; a later pair decodes.
        {{"compare", Path("a.bmp"), Path("b.bmp"), Path("b.png")}, standard, 2},
        // Shares: the first holds only the two bitmaps of 01.
        {{"--shard", "1/3", "compare", Path("covers"), Path("stego")}, standard, 1},
        {{"--shard", "2/3", "compare", Path("covers"), Path("stego")}, standard, 1},
    };
    for (const Run& r : runs) {
        std::vector<std::string> args{"--csv"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const auto run = Citra(args);
        SCOPED_TRACE(r.args.back());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const auto lines = AllLines(run.out);
        ASSERT_EQ(lines.size(), r.rows + 1) << run.out;
        EXPECT_EQ(lines[0], r.header);
        const auto fields = [](const std::string& line) { return std::count(line.begin(), line.end(), ','); };
        for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(fields(lines[i]), fields(r.header)) << lines[i];
    }
}

TEST_F(DecodedExe, StudyComparesEachKindAndSummarisesBothSeries) {
    const auto run = Citra({"--json", "--ssim", "--summary", "-j", "2", "compare", Path("covers"), Path("stego")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    // 01: two bitmaps, the line of the pair on its own.
    const auto bmp = Citra({"--json", "--ssim", "compare", Path("covers/01.bmp"), Path("stego/01.bmp")});
    EXPECT_EQ(lines[0], AllLines(bmp.out).at(0));
    // 02: decoded, with the desktop numbers and the field's metrics of the
    // same pixels as the two bitmaps, read band by band.
    EXPECT_NE(lines[1].find(DesktopMembers(lines[0]) + R"(,"standard":{)"), std::string::npos) << lines[1];
    EXPECT_EQ(StandardMembers(lines[1]), StandardMembers(lines[0]));
    EXPECT_EQ(lines[1].find(R"("ssim":null)"), std::string::npos) << lines[1];
    // 03: 16-bit grey, the field's metrics only.
    EXPECT_NE(lines[2].find(R"("mse":null)"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find(R"("pairs":3,"failed":0,"identical":0,"mse":{"count":2,)"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find(R"("std_mse":{"count":3,)"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find(R"("std_ssim":{"count":3,)"), std::string::npos) << lines[3];
}

}  // namespace
