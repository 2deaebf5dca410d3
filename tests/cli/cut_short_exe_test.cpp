// A bitmap that lacks pixel data: compare keeps the desktop program's
// numbers (the missing bytes count as 0, as its loader leaves them) and says
// the file is cut short; every command of the field's metrics refuses it,
// saying how much the file holds and needs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../core/bmp_builder.h"
#include "../core/scratch_dir.h"
#include "metrics.h"
#include "picture.h"
#include "run_process.h"

namespace {

using bmp_builder::BmpSpec;
using bmp_builder::BuildBmp;

// 64 x 64 at 24 bits: 192 bytes a row, 12288 in all.
BmpSpec Square(uint8_t seed) {
    BmpSpec s{.width = 64, .height = 64, .bitsPerPixel = 24};
    s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), seed);
    return s;
}

class CutShortBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        whole_ = dir_.Write("s.bmp", BuildBmp(Square(1)));
        other_ = dir_.Write("t.bmp", BuildBmp(Square(2)));
        BmpSpec cut = Square(1);
        cut.truncateTo = 54 + 6144;  // half the rows
        cut_ = dir_.Write("s_cut.bmp", BuildBmp(cut));
        BmpSpec away = Square(1);
        away.offsetField = 100000;  // pixels said to start past the end
        away_ = dir_.Write("s_away.bmp", BuildBmp(away));
    }

    // What the desktop program's loader and metrics make of the pair.
    static QualityMetrics Desktop(const std::string& a, const std::string& b) {
        Picture first, second;
        LoadPicture(first, a);
        LoadPicture(second, b);
        return ComputeQualityMetrics(*first.BitmapIfAny(), *second.BitmapIfAny());
    }

    static std::string Holds(const std::string& path, uint64_t held) {
        return path + ": file cut short: holds " + std::to_string(held) + " of the 12288 bytes of pixel data";
    }

    ScratchDir dir_;
    std::string whole_, other_, cut_, away_;
};

TEST_F(CutShortBitmap, CompareKeepsTheDesktopNumbersAndSaysTheFileIsCutShort) {
    const QualityMetrics want = Desktop(whole_, cut_);
    const ProcessOutput json = CitraExe({"--json", "compare", whole_, cut_});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find(R"("mse_text":")" + FormatMetric(want.MSE, ".") + R"(")"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(R"("warning":")" + Holds(cut_, 6144) + R"("})"), std::string::npos) << json.out;
    EXPECT_EQ(json.out.find("standard"), std::string::npos) << "no field's metrics of missing pixels: " << json.out;

    const ProcessOutput text = CitraExe({"compare", whole_, cut_});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("warning: " + Holds(cut_, 6144) + "\n"), std::string::npos) << text.out;

    const ProcessOutput csv = CitraExe({"--csv", "compare", whole_, cut_});
    EXPECT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_NE(csv.out.find(",warning\n"), std::string::npos) << csv.out;
    std::string lastField = ",";  // the warning closes the line
    lastField += Holds(cut_, 6144);
    lastField += '\n';
    EXPECT_NE(csv.out.find(lastField), std::string::npos) << csv.out;
}

// The original cut short, loaded once for a batch or read by each pair: every
// line carries the word, the whole pair's too.
TEST_F(CutShortBitmap, AnOriginalCutShortMarksEveryPairOfABatch) {
    for (const char* jobs : {"1", "2"}) {
        const ProcessOutput run = CitraExe({"--json", "-j", jobs, "compare", away_, whole_, other_, cut_});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = AllLines(run.out);
        ASSERT_EQ(lines.size(), 3u) << run.out;
        for (const std::string& line : lines) {
            SCOPED_TRACE(std::string("-j ") + jobs + ": " + line);
            EXPECT_NE(line.find(R"("warning":")" + Holds(away_, 0)), std::string::npos);
            EXPECT_EQ(line.find("standard"), std::string::npos);
        }
        const QualityMetrics want = Desktop(away_, other_);
        EXPECT_NE(lines[1].find(R"("mse_text":")" + FormatMetric(want.MSE, ".") + R"(")"), std::string::npos);
    }
}

TEST_F(CutShortBitmap, TheFieldsCommandsRefuseIt) {
    const std::string plot = dir_.Path("plot.png");
    const std::string map = dir_.Path("map.png");
    const struct {
        std::vector<std::string> args;
        std::string created;
    } cases[] = {
        {{"measure", whole_, cut_}, ""},
        {{"--json", "measure", whole_, away_}, ""},
        {{"compare", "--ssim", cut_, whole_}, ""},  // the numbers stand, SSIM does not
        {{"--csv", "histogram", cut_}, ""},
        {{"histogram", cut_, "--plot", plot}, plot},
        {{"diff", whole_, cut_, "-o", map}, map},
    };
    for (const auto& c : cases) {
        const ProcessOutput run = CitraExe(c.args);
        const std::string all = run.out + run.err;
        SCOPED_TRACE(c.args[c.args.size() > 3 && c.args[0] == "--json" ? 1 : 0] + std::string(": ") + all);
        const bool compare = c.args[0] == "compare";
        EXPECT_EQ(run.exitCode, compare ? 0 : 1);
        EXPECT_NE(all.find("file cut short: holds"), std::string::npos);
        EXPECT_NE(all.find("of the 12288 bytes of pixel data"), std::string::npos);
        if (compare) {
            EXPECT_EQ(all.find("SSIM"), std::string::npos);
        }
        if (!c.created.empty()) {
            EXPECT_FALSE(std::filesystem::exists(c.created));
        }
    }
}

// Run-length data that stop before the picture is complete: the desktop
// program draws what there is; the field's decoder refuses the file.
TEST_F(CutShortBitmap, RunLengthDataEndingEarlyAreRefusedByTheFieldsDecoder) {
    BmpSpec rle{.width = 4, .height = 2, .bitsPerPixel = 8, .compression = 1, .coloursUsedField = 2,
                .colourTable = {0, 0xFFFFFF}};
    rle.pixels = {4, 1, 0, 0, 4, 0, 0, 1};  // two full rows, then the end-of-bitmap code
    const std::string whole = dir_.Write("rle.bmp", BuildBmp(rle));
    rle.pixels = {4, 1, 0, 0};  // one row, then nothing
    const std::string cut = dir_.Write("rle_cut.bmp", BuildBmp(rle));
    rle.pixels = {4, 1, 0, 0, 4, 0};  // both rows, no end code: every pixel is there
    const std::string unended = dir_.Write("rle_unended.bmp", BuildBmp(rle));

    const ProcessOutput refused = CitraExe({"measure", whole, cut});
    EXPECT_EQ(refused.exitCode, 1) << refused.out;
    EXPECT_NE((refused.out + refused.err).find(cut + ": file cut short: its 4 bytes of run-length data end"),
              std::string::npos)
        << refused.out << refused.err;
    const ProcessOutput same = CitraExe({"--json", "measure", whole, unended});
    EXPECT_EQ(same.exitCode, 0) << same.out << same.err;
    EXPECT_NE(same.out.find(R"("identical":true)"), std::string::npos) << same.out;
}

}  // namespace
