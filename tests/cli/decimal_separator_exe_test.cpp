// The built citra executable with a decimal symbol of two bytes (U+066B,
// ps_AF), compiled for the test or known only from the built-in table.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "../locale/compiled_locale.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

// The lines up to the first empty one: a text table ends there and its
// summary follows (tested on its own in study_exe_test).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && !line.empty();) lines.push_back(line);
    return lines;
}

class ArabicPointExe : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(locales_.Path().empty()) << locales_.Failure();
        dir_ = locales_.Path();
        const auto pattern = [](int32_t x, int32_t y) {
            return Bgr{static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 20), static_cast<uint8_t>(100 + x)};
        };
        WriteBmp(dir_ + "/asli.bmp", 4, 4, 24, pattern);
        WriteBmp(dir_ + "/sama.bmp", 4, 4, 24, pattern);
    }

    ProcessOutput Citra(const std::vector<std::string>& args, const Env& env) {
        return RunProcess({.program = CITRA_EXE, .args = args, .env = env});
    }
    std::vector<std::string> Compare(const std::string& format, const Env& env) {
        std::vector<std::string> args{"compare", dir_ + "/asli.bmp", dir_ + "/sama.bmp"};
        if (!format.empty()) args.insert(args.begin(), format);
        const ProcessOutput run = Citra(args, env);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return Lines(run.out);
    }

    CompiledLocales locales_;
    std::string dir_;
};

TEST_F(ArabicPointExe, TextTableUnderACompiledLocale) {
    COMPILE_LOCALE_OR_SKIP(locales_, "ps_AF", "UTF-8", "ps_AF.UTF-8");
    for (const Env& env : {Env{{"LOCPATH", locales_.Path()}, {"LC_ALL", "ps_AF.UTF-8"}, {"LANG", "C"}},
                           Env{{"LOCPATH", locales_.Path()}, {"LC_ALL", std::nullopt},
                               {"LC_NUMERIC", "ps_AF.UTF-8"}, {"LANG", "en_US.UTF-8"}}}) {
        const auto lines = Compare("", env);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], dir_ + "/asli.bmp  " + dir_ + "/sama.bmp  0\u066B000  108\u066B131                inf");
    }
}

TEST_F(ArabicPointExe, TextTableFromTheTableAlone) {
    // No compiled locale: the name is known from glibc's definitions.
    const auto lines = Compare("", {{"LOCPATH", std::nullopt}, {"LC_ALL", std::nullopt},
                                    {"LC_NUMERIC", std::nullopt}, {"LANG", "ps_AF.UTF-8"}});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].ends_with("  0\u066B000  108\u066B131                inf")) << lines[1];
}

TEST_F(ArabicPointExe, CsvAndJsonKeepTheFullStop) {
    COMPILE_LOCALE_OR_SKIP(locales_, "ps_AF", "UTF-8", "ps_AF.UTF-8");
    const Env env{{"LOCPATH", locales_.Path()}, {"LC_ALL", "ps_AF.UTF-8"}};
    const auto csv = Compare("--csv", env);
    ASSERT_EQ(csv.size(), 2u);
    EXPECT_NE(csv[1].find(",0.000,108.131,,0,inf,"), std::string::npos) << csv[1];
    const auto json = Compare("--json", env);
    ASSERT_EQ(json.size(), 1u);
    EXPECT_NE(json[0].find("\"psnr_text\":\"108.131\""), std::string::npos) << json[0];
    EXPECT_EQ(json[0].find("\u066B"), std::string::npos) << json[0];
}

}  // namespace
