// citra compare on study folders, in shares and with its summary, through
// the built executable.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../core/scratch_dir.h"
#include "csv_output.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Bgr Cover(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 20), static_cast<uint8_t>(100 + x + 4 * y)};
}

class StudyExe : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        for (const char* folder : {"covers", "lsb", "dct", "many"}) fs::create_directory(dir_->Path(folder));
        for (const char* name : {"01", "02", "03", "05"}) WriteBmp(dir_->Path("covers/") + name + ".bmp", 4, 4, 24, Cover);
        // lsb: 01 identical, 02 one byte apart, 03 missing, 04 without a cover, 05 of another size.
        WriteBmp(dir_->Path("lsb/01.bmp"), 4, 4, 24, Cover);
        WriteBmp(dir_->Path("lsb/02.bmp"), 4, 4, 24, [](int32_t x, int32_t y) {
            Bgr p = Cover(x, y);
            if (x == 1 && y == 1) p.r += 2;
            return p;
        });
        WriteBmp(dir_->Path("lsb/04.bmp"), 4, 4, 24, Cover);
        WriteBmp(dir_->Path("lsb/05.bmp"), 5, 4, 24, Cover);
        // dct: 01 twice, 02 and 03 identical, 05 missing.
        for (const char* name : {"01.bmp", "01.BMP", "02.bmp", "03.bmp"}) WriteBmp(dir_->Path("dct/") + name, 4, 4, 24, Cover);
        // many: 20 covers' worth of pairs for the shares.
        fs::create_directory(dir_->Path("many/c"));
        fs::create_directory(dir_->Path("many/s"));
        for (int i = 0; i < 20; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%02d.bmp", i);
            WriteBmp(dir_->Path(std::string("many/c/") + name), 3, 2, 24, Cover);
            if (i % 7 != 3) WriteBmp(dir_->Path(std::string("many/s/") + name), 3, 2, 24, [i](int32_t x, int32_t y) {
                Bgr p = Cover(x, y);
                p.b = static_cast<uint8_t>(p.b + i % 4);
                return p;
            });
        }
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

TEST_F(StudyExe, PairsByNameForEachStegoFolderReportingEveryOddOne) {
    const auto run = Citra({"--json", "-j", "3", "compare", Path("covers"), Path("lsb"), Path("dct/")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 9u) << run.out;
    const auto pair = [](const std::string& cover, const std::string& stego) {
        return R"({"original":")" + cover + R"(","manipulated":")" + stego + "\",";
    };
    EXPECT_EQ(lines[0].rfind(pair(Path("covers/01.bmp"), Path("lsb/01.bmp")) + R"("mse":0,)", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(pair(Path("covers/02.bmp"), Path("lsb/02.bmp")) + R"("mse":0.25,)", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], pair(Path("covers/03.bmp"), Path("lsb")) + R"("error":"No partner for \")" +
                            Path("covers/03.bmp") + R"(\" in \")" + Path("lsb") + R"(\""})");
    EXPECT_EQ(lines[3], pair(Path("covers"), Path("lsb/04.bmp")) + R"("error":"No partner for \")" +
                            Path("lsb/04.bmp") + R"(\" in \")" + Path("covers") + R"(\""})");
    EXPECT_EQ(lines[4], pair(Path("covers/05.bmp"), Path("lsb/05.bmp")) +
                            R"("error":"Luas citra asli dan Luas citra hasil manipulasi tidak sama!"})");
    EXPECT_EQ(lines[5], pair(Path("covers/01.bmp"), Path("dct/")) + R"("error":"Several files named \"01\" in \")" +
                            Path("dct/") + R"(\": 01.BMP, 01.bmp"})");
    EXPECT_EQ(lines[6].rfind(pair(Path("covers/02.bmp"), Path("dct/02.bmp")) + R"("mse":0,)", 0), 0u) << lines[6];
    EXPECT_EQ(lines[7].rfind(pair(Path("covers/03.bmp"), Path("dct/03.bmp")) + R"("mse":0,)", 0), 0u) << lines[7];
    EXPECT_EQ(lines[8].rfind(pair(Path("covers/05.bmp"), Path("dct/")) + R"("error":"No partner)", 0), 0u) << lines[8];
}

TEST_F(StudyExe, FolderThenFileIsAUsageError) {
    const auto run = Citra({"compare", Path("covers"), Path("lsb"), Path("lsb/01.bmp")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("citra: ORIGINAL '" + Path("covers") + "' is a folder, not a file\nusage: citra", 0), 0u)
        << run.err;
}

struct ShareForm {
    const char* name;
    std::vector<std::string> operands;  // relative to the scratch folder
};

void PrintTo(const ShareForm& c, std::ostream* os) { *os << c.name; }

class Shares : public StudyExe, public testing::WithParamInterface<ShareForm> {};

// For N = 1..9 and 23: shares 1..N one after the other (CSV: the header of
// the first) equal the whole run, whatever the worker count.
TEST_P(Shares, ConcatenatedEqualTheWholeRun) {
    std::vector<std::string> operands;
    for (const std::string& operand : GetParam().operands) operands.push_back(Path(operand));
    for (const char* format : {"--json", "--csv"}) {
        std::vector<std::string> args{format, "compare"};
        args.insert(args.end(), operands.begin(), operands.end());
        const auto whole = Citra(args);
        ASSERT_EQ(whole.exitCode, 1) << whole.err;  // there are failed pairs
        ASSERT_GT(AllLines(whole.out).size(), 10u);
        for (unsigned n : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 23u}) {
            std::string joined;
            bool anyFailed = false;
            for (unsigned k = 1; k <= n; ++k) {
                std::vector<std::string> shardArgs = args;
                shardArgs.push_back("--shard=" + std::to_string(k) + "/" + std::to_string(n));
                shardArgs.push_back(k % 2 ? "-j1" : "-j3");
                const auto share = Citra(shardArgs);
                ASSERT_TRUE(share.exitCode == 0 || share.exitCode == 1) << share.err;
                EXPECT_EQ(share.err, "");
                anyFailed = anyFailed || share.exitCode == 1;
                std::string out = share.out;
                if (std::string(format) == "--csv") {
                    ASSERT_EQ(out.rfind(PairCsvHeader() + "\n", 0), 0u);
                    if (k > 1) out.erase(0, out.find('\n') + 1);
                }
                joined += out;
            }
            EXPECT_EQ(joined, whole.out) << format << " N=" << n;
            EXPECT_TRUE(anyFailed) << format << " N=" << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Shares,
                         testing::Values(ShareForm{"CoverAndStegoFolders", {"many/c", "many/s", "lsb"}},
                                         ShareForm{"OneOriginal", {"covers/01.bmp", "many/s", "lsb", "covers/02.bmp"}}),
                         [](const testing::TestParamInfo<ShareForm>& info) { return std::string(info.param.name); });

TEST_F(StudyExe, ShareBeyondThePairsIsEmptyAndSucceeds) {
    const auto run = Citra({"--csv", "--shard", "9/9", "compare", Path("covers"), Path("dct")});
    EXPECT_EQ(run.exitCode, 1);  // 4 pairs: share 9 of 9 holds the last one, which failed
    EXPECT_EQ(AllLines(run.out).size(), 2u) << run.out;
    const auto empty = Citra({"--csv", "--shard", "1/9", "compare", Path("covers"), Path("dct")});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, PairCsvHeader() + "\n");
}

TEST_F(StudyExe, BadShardIsAUsageError) {
    const auto run = Citra({"compare", "--shard", "3/2", Path("covers"), Path("lsb")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("citra: invalid shard '3/2' (K/N with 1 <= K <= N <= 1000000)\nusage: citra", 0), 0u)
        << run.err;
}

// lsb against covers: 5 pairs, 3 failed, MSE 0 and 0.25.
const char* const kCsvSummary =
    "pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev\n"
    "5,3,1,mse,2,0.125,0.125,0,0.25,0.1767766952966369\n";

TEST_F(StudyExe, TextTableEndsWithTheSummary) {
    const auto run = Citra({"compare", Path("covers"), Path("lsb")});
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = AllLines(run.out);
    ASSERT_EQ(lines.size(), 6u + 1 + 6) << run.out;
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "pairs: 5  failed: 3  identical: 1");
    EXPECT_EQ(lines[8], "metric             count    mean  median     min      max  sample sd");
    EXPECT_EQ(lines[9], "MSE                    2   0.125   0.125   0.000    0.250      0.177");
    // PSNR of MSE 0.25 and of an identical pair (108.131, counted).
    EXPECT_EQ(lines[10], "PSNR                   2  81.141  81.141  54.151  108.131     38.169");
    // Per sample: a third of the MSE; the identical pair's infinite PSNR is
    // left out, so one value, 4.771 dB above 54.151, and no deviation.
    EXPECT_EQ(lines[11], "MSE (per sample)       2   0.042   0.042   0.000    0.083      0.059");
    EXPECT_EQ(lines[12], "PSNR (per sample)      1  58.923  58.923  58.923   58.923          -");
}

TEST_F(StudyExe, JsonSummaryIsTheLastLineOnlyWhenAskedFor) {
    const std::vector<std::string> args{"--json", "compare", Path("covers"), Path("lsb")};
    const auto plain = Citra(args);
    std::vector<std::string> withSummary = args;
    withSummary.push_back("--summary");
    const auto run = Citra(withSummary);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.out.rfind(plain.out, 0), 0u);
    const std::string last = run.out.substr(plain.out.size());
    EXPECT_EQ(last.rfind(R"({"summary":{"pairs":5,"failed":3,"identical":1,"mse":{"count":2,"mean":0.125,)", 0), 0u)
        << last;
    EXPECT_EQ(AllLines(last).size(), 1u);
}

TEST_F(StudyExe, CsvSummaryOnStandardErrorOrInItsFile) {
    const std::vector<std::string> args{"--csv", "compare", Path("covers"), Path("lsb")};
    const auto plain = Citra(args);
    EXPECT_EQ(plain.err, "");

    auto withSummary = args;
    withSummary.push_back("--summary");
    const auto toStderr = Citra(withSummary);
    EXPECT_EQ(toStderr.exitCode, 1);
    EXPECT_EQ(toStderr.out, plain.out);
    EXPECT_EQ(toStderr.err.rfind(kCsvSummary, 0), 0u) << toStderr.err;
    EXPECT_EQ(AllLines(toStderr.err).size(), 5u);

    const std::string file = Path("summary.csv");
    WriteFileBytes(file, {'o', 'l', 'd'});  // replaced whole
    auto toFile = args;
    toFile.push_back("--summary=" + file);
    const auto written = Citra(toFile);
    EXPECT_EQ(written.exitCode, 1);
    EXPECT_EQ(written.out, plain.out);
    EXPECT_EQ(written.err, "");
    EXPECT_EQ(ReadFile(file).rfind(kCsvSummary, 0), 0u) << ReadFile(file);
    EXPECT_EQ(ReadFile(file), toStderr.err);
}

TEST_F(StudyExe, SummaryFileThatCannotBeWrittenFailsTheRunAndLeavesNothing) {
    fs::create_directory(Path("out"));
    fs::create_directory(Path("out/taken"));  // a folder where the file should go
    for (const std::string& target : {Path("out/missing/s.json"), Path("out/taken")}) {
        const auto run = Citra({"--json", "--summary=" + target, "compare", Path("covers/01.bmp"), Path("lsb/01.bmp")});
        EXPECT_EQ(run.exitCode, 1) << target;
        EXPECT_EQ(AllLines(run.out).size(), 1u) << run.out;  // the results are still all there
        EXPECT_EQ(run.err.rfind("citra: cannot write the summary to '" + target + "': ", 0), 0u) << run.err;
    }
    // No temporary file stays behind; the folder in the way is untouched.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Path("out"))) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"taken"});
    EXPECT_TRUE(fs::is_empty(Path("out/taken")));
}

}  // namespace
