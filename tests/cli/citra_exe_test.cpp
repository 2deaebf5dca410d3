// Runs the built citra executable on small files written into a temp folder.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "run_process.h"
#include "small_bmp.h"

namespace {

const char* const kNot24Bit = "Program ini hanya untuk citra dengan format pixel 24 bit";
const char* const kSizeDiffers = "Luas citra asli dan Luas citra hasil manipulasi tidak sama!";

// A C locale unless a test asks for another.
// The lines up to the first empty one: a text table ends there and its
// summary follows (tested on its own in study_exe_test).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && !line.empty();) lines.push_back(line);
    return lines;
}

Bgr Original(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 20), static_cast<uint8_t>(100 + x + 4 * y)};
}

class CitraExe : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (std::filesystem::temp_directory_path() / "citra_cli_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        WriteBmp(Path("asli.bmp"), 4, 4, 24, Original);
        WriteBmp(Path("sama.bmp"), 4, 4, 24, Original);
        WriteBmp(Path("satu.bmp"), 4, 4, 24, [](int32_t x, int32_t y) {
            Bgr p = Original(x, y);
            if (x == 2 && y == 1) p.g += 1;
            return p;
        });
        WriteBmp(Path("abu8.bmp"), 4, 4, 8, Original);
        WriteBmp(Path("lebar.bmp"), 5, 4, 24, Original);
        // Red 10 three times: the peak comes from the red channel.
        WriteBmp(Path("hist.bmp"), 2, 2, 24, [](int32_t x, int32_t y) {
            const int i = 2 * y + x;
            return Bgr{static_cast<uint8_t>(30 + i), static_cast<uint8_t>(20 + i),
                       static_cast<uint8_t>(i == 3 ? 11 : 10)};
        });
        WriteFileBytes(Path("kosong.bmp"), {});
        WriteFileBytes(Path("kosong.jpg"), {});
        WriteFileBytes(Path("catatan.txt"), {'h', 'a', 'i'});
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

    static std::string Path(const std::string& name) { return dir_ + "/" + name; }

    static ProcessOutput Citra(const std::vector<std::string>& args, const Env& env = kPlainEnv) {
        return RunProcess({.program = CITRA_EXE, .args = args, .env = env});
    }

private:
    static inline std::string dir_;
};

TEST_F(CitraExe, InfoJsonOneLinePerFileInArgumentOrder) {
    const auto run = Citra({"info", "--json", Path("asli.bmp"), Path("kosong.bmp"), Path("kosong.jpg"),
                            Path("abu8.bmp"), Path("catatan.txt"), Path("hilang.bmp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], R"({"path":")" + Path("asli.bmp") +
                            R"(","kind":"bitmap","width":4,"height":4,"bits_per_pixel":24,"file_size":102,)"
                            R"("format":"bmp","channels":3,"bits_per_sample":8,"peak":255})");
    EXPECT_EQ(lines[1], R"({"path":")" + Path("kosong.bmp") +
                            R"(","kind":"bitmap","width":0,"height":0,"bits_per_pixel":0,"file_size":0,"format":"bmp"})");
    EXPECT_EQ(lines[2], R"({"path":")" + Path("kosong.jpg") + R"(","kind":"jpeg","file_size":0,"format":"jpeg"})");
    EXPECT_EQ(lines[3], R"({"path":")" + Path("abu8.bmp") +
                            R"(","kind":"bitmap","width":4,"height":4,"bits_per_pixel":8,"file_size":1094,)"
                            R"("format":"bmp","channels":3,"bits_per_sample":8,"peak":255})");
    EXPECT_EQ(lines[4], R"({"path":")" + Path("catatan.txt") +
                            R"j(","error":"Unknown picture file extension (.txt)"})j");
    EXPECT_EQ(lines[5].rfind(R"({"path":")" + Path("hilang.bmp") + R"(","error":"Cannot open file \")" +
                                 Path("hilang.bmp") + R"(\". )",
                             0),
              0u)
        << lines[5];
}

TEST_F(CitraExe, PathBytesThatAreNotUtf8AreEscapedInJson) {
    WriteBmp(Path("caf\xe9.bmp"), 1, 1, 24, Original);
    const auto run = Citra({"info", "--json", Path("caf\xe9.bmp")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, R"({"path":")" + Path("caf") + R"(\udce9.bmp","kind":"bitmap","width":1,"height":1,)"
                           R"("bits_per_pixel":24,"file_size":58,"format":"bmp","channels":3,"bits_per_sample":8,)"
                           R"("peak":255})" "\n");
}

TEST_F(CitraExe, InfoTextIsATable) {
    const auto run = Citra({"info", Path("asli.bmp"), Path("kosong.jpg")});
    EXPECT_EQ(run.exitCode, 0);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    // The path column is as wide as the longer path, kosong.jpg.
    const std::string pathPad(Path("kosong.jpg").size() - 4, ' ');
    EXPECT_EQ(lines[0], "path" + pathPad + "  kind    width  height  bpp  bytes");
    EXPECT_EQ(lines[1], Path("asli.bmp") + "    bitmap      4       4   24    102");
    EXPECT_EQ(lines[2], Path("kosong.jpg") + "  jpeg        -       -    -      0");
}

TEST_F(CitraExe, CompareIdenticalImages) {
    const auto run = Citra({"compare", Path("asli.bmp"), Path("sama.bmp")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_TRUE(lines[0].ends_with("MSE     PSNR  PSNR (per sample)")) << lines[0];
    EXPECT_EQ(lines[1], Path("asli.bmp") + "  " + Path("sama.bmp") + "  0.000  108.131                inf");
}

struct SeparatorCase {
    const char* name;
    Env env;
    const char* identical;  // end of the line of the identical pair
    const char* oneByte;    // end of the line of the pair one byte apart
};

void PrintTo(const SeparatorCase& c, std::ostream* os) { *os << c.name; }

class DecimalSeparator : public CitraExe, public testing::WithParamInterface<SeparatorCase> {};

TEST_P(DecimalSeparator, FollowsTheUsersLocale) {
    const auto run = Citra({"compare", Path("asli.bmp"), Path("sama.bmp"), Path("satu.bmp")}, GetParam().env);
    EXPECT_EQ(run.exitCode, 0);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[1], Path("asli.bmp") + "  " + Path("sama.bmp") + "  " + GetParam().identical);
    EXPECT_EQ(lines[2], Path("asli.bmp") + "  " + Path("satu.bmp") + "  " + GetParam().oneByte);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecimalSeparator,
    testing::Values(
        SeparatorCase{"IndonesianLang",
                      {{"LC_ALL", std::nullopt}, {"LC_NUMERIC", std::nullopt}, {"LANG", "id_ID.UTF-8"}},
                      "0,000  108,131                inf", "0,063   60,172             64,943"},
        SeparatorCase{"IndonesianNumeric",
                      {{"LC_ALL", std::nullopt}, {"LC_NUMERIC", "id_ID.UTF-8"}, {"LANG", "en_US.UTF-8"}},
                      "0,000  108,131                inf", "0,063   60,172             64,943"},
        SeparatorCase{"LcAllWins", {{"LC_ALL", "C"}, {"LC_NUMERIC", std::nullopt}, {"LANG", "id_ID.UTF-8"}},
                      "0.000  108.131                inf", "0.063   60.172             64.943"},
        SeparatorCase{"CLocale", kPlainEnv, "0.000  108.131                inf", "0.063   60.172             64.943"}),
    [](const testing::TestParamInfo<SeparatorCase>& info) { return std::string(info.param.name); });

// The value of "key":<number> in a JSON line, and whether it is written in
// its shortest round-trip form.
std::pair<double, bool> JsonNumber(const std::string& line, const std::string& key) {
    const size_t start = line.find("\"" + key + "\":") + key.size() + 3;
    const size_t end = line.find(',', start);
    const std::string text = line.substr(start, end - start);
    double value = NAN;
    std::from_chars(text.data(), text.data() + text.size(), value);
    char shortest[64];
    const auto written = std::to_chars(shortest, shortest + sizeof shortest, value);
    return {value, std::string(shortest, written.ptr) == text};
}

TEST_F(CitraExe, CompareJsonReportsEveryPairInOrder) {
    const std::string a = Path("asli.bmp");
    const auto run = Citra({"compare", a, Path("sama.bmp"), Path("abu8.bmp"), Path("lebar.bmp"),
                            Path("hilang.bmp"), Path("satu.bmp"), "--json"},
                           {{"LC_ALL", std::nullopt}, {"LC_NUMERIC", std::nullopt}, {"LANG", "id_ID.UTF-8"}});
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;

    const std::string head = R"({"original":")" + a + R"(","manipulated":")";
    EXPECT_EQ(lines[0].rfind(head + Path("sama.bmp") + R"(","mse":0,"psnr":108.130803608679)", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(R"(,"mse_text":"0.000","psnr_text":"108.131","standard":{"mse":0,"psnr":null,)"
                            R"("ssim":null,"identical":true,"peak":255,"changed_samples":0,"max_abs_diff":0,)"),
              std::string::npos)
        << lines[0];
    // An 8-bit bitmap is decoded to its colours and compared with them.
    EXPECT_EQ(lines[1].rfind(head + Path("abu8.bmp") + R"(","mse":)", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].find("error"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], head + Path("lebar.bmp") + R"(","error":")" + kSizeDiffers + "\"}");
    EXPECT_EQ(lines[3].rfind(head + Path("hilang.bmp") + R"(","error":"Cannot open file \")", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind(head + Path("satu.bmp") + R"(","mse":0.0625,"psnr":60.17193)", 0), 0u) << lines[4];
    EXPECT_NE(lines[4].find(R"(,"mse_text":"0.063","psnr_text":"60.172","standard":{"mse":0.020833333333333332,)"
                            R"("psnr":64.94321598243498,"ssim":null,"identical":false,"peak":255,)"
                            R"("changed_samples":1,"max_abs_diff":1,)"),
              std::string::npos)
        << lines[4];

    for (const std::string& line : {lines[0], lines[4]}) {
        EXPECT_TRUE(JsonNumber(line, "psnr").second) << line;
    }
    EXPECT_NEAR(JsonNumber(lines[0], "psnr").first, 108.1308036, 1e-7);
}

TEST_F(CitraExe, CompareTextShowsRefusalsInPlace) {
    const auto run = Citra({"compare", Path("asli.bmp"), Path("lebar.bmp"), Path("sama.bmp")});
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[1], Path("asli.bmp") + "  " + Path("lebar.bmp") + "  error: " + kSizeDiffers);
    EXPECT_EQ(lines[2], Path("asli.bmp") + "  " + Path("sama.bmp") + "   0.000  108.131                inf");
}

TEST_F(CitraExe, AFailedOriginalFailsEveryPair) {
    for (const auto& [original, message] :
         {std::pair{Path("hilang.bmp"), std::string("Cannot open file \\\"") + Path("hilang.bmp") + "\\\". "},
          std::pair{Path("kosong.bmp"), std::string(kNot24Bit) + "\"}"},
          std::pair{Path("catatan.txt"), std::string("Unknown picture file extension (.txt)\"}")}}) {
        const auto run = Citra({"--json", "compare", original, Path("sama.bmp"), Path("asli.bmp")});
        EXPECT_EQ(run.exitCode, 1) << original;
        const auto lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 2u) << run.out;
        for (size_t i = 0; i < 2; ++i) {
            const std::string expected = R"({"original":")" + original + R"(","manipulated":")" +
                                         Path(i == 0 ? "sama.bmp" : "asli.bmp") + R"(","error":")" + message;
            EXPECT_EQ(lines[i].rfind(expected, 0), 0u) << lines[i];
        }
    }
}

TEST_F(CitraExe, HistogramJsonCountsAndPeak) {
    const auto run = Citra({"histogram", Path("hist.bmp"), "--json"});
    EXPECT_EQ(run.exitCode, 0);
    const std::string zeros9 = "0,0,0,0,0,0,0,0,0,";
    const std::string expected =
        R"({"path":")" + Path("hist.bmp") + R"(","red":[)" + zeros9 + "0,3,1" + [] {
            std::string rest;
            for (int v = 12; v < 256; ++v) rest += ",0";
            return rest;
        }() + R"(],"green":[)" + zeros9 + zeros9 + "0,0,1,1,1,1" + [] {
            std::string rest;
            for (int v = 24; v < 256; ++v) rest += ",0";
            return rest;
        }() + R"(],"blue":[)" + zeros9 + zeros9 + zeros9 + "0,0,0,1,1,1,1" + [] {
            std::string rest;
            for (int v = 34; v < 256; ++v) rest += ",0";
            return rest;
        }() + R"(],"peak":3})" "\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(CitraExe, HistogramText) {
    const auto run = Citra({"histogram", Path("hist.bmp")});
    EXPECT_EQ(run.exitCode, 0);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 259u) << run.out;
    EXPECT_EQ(lines[0], Path("hist.bmp"));
    EXPECT_EQ(lines[1], "value  red  green  blue");
    EXPECT_EQ(lines[2 + 10], "   10    3      0     0");
    EXPECT_EQ(lines[2 + 11], "   11    1      0     0");
    EXPECT_EQ(lines[2 + 33], "   33    0      0     1");
    EXPECT_EQ(lines[258], "peak: 3");
}

// A bitmap without pixels is refused as the desktop program refuses it; a
// bitmap of another depth and a JPEG are counted as decoded (the JPEG here
// is empty: the decoder's message).
TEST_F(CitraExe, HistogramOfBitmapsOfEveryDepth) {
    const auto empty = Citra({"histogram", Path("kosong.bmp")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.out, Path("kosong.bmp") + "\nerror: " + kNot24Bit + "\n");
    const auto emptyJson = Citra({"histogram", "--json", Path("kosong.bmp")});
    EXPECT_EQ(emptyJson.exitCode, 1);
    EXPECT_EQ(emptyJson.out, R"({"path":")" + Path("kosong.bmp") + R"(","error":")" + kNot24Bit + "\"}\n");

    const auto grey = Citra({"histogram", "--json", Path("abu8.bmp")});
    EXPECT_EQ(grey.exitCode, 0) << grey.out;
    EXPECT_EQ(grey.out.rfind(R"({"path":")" + Path("abu8.bmp") + R"(","bin_starts":[0,1,2,)", 0), 0u) << grey.out;
    EXPECT_NE(grey.out.find(R"("red":[)"), std::string::npos) << grey.out;

    const auto jpeg = Citra({"histogram", Path("kosong.jpg")});
    EXPECT_EQ(jpeg.exitCode, 1);
    EXPECT_EQ(jpeg.out, Path("kosong.jpg") + "\nerror: " + Path("kosong.jpg") + ": file is empty\n");
}

// Each worker holds one manipulated image at a time: with J workers at most
// J of them and the original are in memory.
class CompareMemory : public CitraExe, public testing::WithParamInterface<int> {};

TEST_P(CompareMemory, HoldsOneManipulatedImagePerWorker) {
    const int jobs = GetParam();
    // 4096 x 2731 x 3 bytes: 32 MiB of pixels per file.
    const std::string original = Path("besar_asli.bmp"), manipulated = Path("besar_hasil.bmp");
    WriteUniformBmp(original, 4096, 2731, {10, 20, 30});
    WriteUniformBmp(manipulated, 4096, 2731, {10, 20, 31});
    const long fileKiB = static_cast<long>(std::filesystem::file_size(original) / 1024);

    // Five pairs: holding them all would need six pictures. Under
    // AddressSanitizer freed blocks would stay resident in its quarantine.
    Env env = kPlainEnv;
    const char* asanOptions = std::getenv("ASAN_OPTIONS");
    env["ASAN_OPTIONS"] = std::string(asanOptions ? asanOptions : "") + ":quarantine_size_mb=0";
    const auto run = RunProcess({.program = CITRA_EXE,
                                 .args = {"--json", "-j", std::to_string(jobs), "compare", original, manipulated,
                                          manipulated, manipulated, manipulated, manipulated},
                                 .env = env,
                                 .ownPeakMemory = true});
    std::filesystem::remove(original);
    std::filesystem::remove(manipulated);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_NE(lines[4].find(R"("mse_text":"1.000","psnr_text":"48.131","standard":{)"), std::string::npos) << lines[4];
    EXPECT_GT(run.maxResidentKiB, fileKiB);
    EXPECT_LE(run.maxResidentKiB, (1 + jobs) * fileKiB + 64 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Workers, CompareMemory, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int>& info) { return "Jobs" + std::to_string(info.param); });

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class UsageErrors : public CitraExe, public testing::WithParamInterface<UsageCase> {};

TEST_P(UsageErrors, ExitTwoWithMessageAndUsageOnStderr) {
    const auto run = Citra(GetParam().args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(std::string("citra: ") + GetParam().message + "\nusage: citra", 0), 0u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrors,
    testing::Values(UsageCase{"NoArguments", {}, "no command given"},
                    UsageCase{"UnknownCommand", {"analisis", "a.bmp"}, "unknown command 'analisis'"},
                    UsageCase{"UnknownOption", {"info", "a.bmp", "--xml"}, "unknown option '--xml'"},
                    UsageCase{"CsvOutsideCompareAndHistogram", {"info", "a.bmp", "--csv"}, "--csv is only for compare, measure, detect and histogram"},
                    UsageCase{"CompareNeedsTwo", {"compare", "a.bmp"},
                              "compare needs an ORIGINAL and at least one MANIPULATED file"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST_F(CitraExe, HelpGoesToStdout) {
    const auto run = Citra({"compare", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("usage: citra", 0), 0u);
    EXPECT_NE(run.out.find("Exit status"), std::string::npos);
}

TEST_F(CitraExe, DoubleDashEndsOptions) {
    // "--json" after "--" is a file name: text output, and that file fails.
    const auto run = Citra({"info", Path("asli.bmp"), "--", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[2].rfind("--json", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find("error: Unknown picture file extension (.)"), std::string::npos) << lines[2];
}

}  // namespace
