// citra report through the built executable: the line it prints, and that
// a report that cannot be written fails before any pair is read (what the
// page holds is checked in a browser by tests/reference).
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>

#include "../core/bmp_builder.h"
#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "run_process.h"

namespace {

namespace fs = std::filesystem;
using image_encoders::HostBytes;
using image_encoders::Png;
using image_encoders::Ramp;
using image_encoders::Ramp16;

TEST(ReportExe, WritesThePageAndCountsThePairs) {
    ScratchDir dir;
    const std::string a = dir.Write("a.png", Png(16, 12, 2, 8, Ramp(16 * 12 * 3)));
    const std::string b = dir.Write("b.png", Png(16, 12, 2, 8, Ramp(16 * 12 * 3, 9)));
    const std::string report = dir.Path("laporan.html");
    const ProcessOutput ok = CitraExe({"report", a, b, a, "-o", report});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, report + ": 2 pairs, 0 failed\n");
    ASSERT_TRUE(fs::exists(report));
    const ProcessOutput failed = CitraExe({"report", a, b, dir.Path("tidak_ada.png"), "-o", report});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, report + ": 2 pairs, 1 failed\n");
}

// The page states the tool's version and when it was written, and sums up
// each stego folder per peak: a folder of 8-bit and 16-bit pictures is
// split, the other is not.
TEST(ReportExe, StatesVersionDateAndSummaryPerGroupAndPeak) {
    ScratchDir dir;
    for (const char* folder : {"covers", "satu", "dua"}) fs::create_directory(dir.Path(folder));
    const auto rgb = [](uint32_t seed) { return Png(16, 12, 2, 8, Ramp(16 * 12 * 3, seed)); };
    const auto deep = [](uint32_t seed) { return Png(16, 12, 0, 16, HostBytes(Ramp16(16 * 12, seed))); };
    dir.Write("covers/a.png", rgb(1));
    dir.Write("covers/b.png", deep(1));
    dir.Write("satu/a.png", rgb(2));
    dir.Write("satu/b.png", deep(3));
    dir.Write("dua/a.png", rgb(4));
    const std::string report = dir.Path("laporan.html");
    const std::time_t before = std::time(nullptr);
    const ProcessOutput run = CitraExe({"report", dir.Path("covers"), dir.Path("satu"), dir.Path("dua"), "-o", report});
    const std::time_t after = std::time(nullptr);
    // dua has no b.png: a failed pair of group dua.
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, report + ": 4 pairs, 1 failed\n");
    const std::string page = run_process_detail::Slurp(report);

    const ProcessOutput version = CitraExe({"--version"});
    ASSERT_EQ(version.exitCode, 0);
    ASSERT_FALSE(version.out.empty());
    EXPECT_NE(page.find("<span id=\"version\">" + version.out.substr(0, version.out.size() - 1) + "</span>"),
              std::string::npos);

    std::smatch date;
    ASSERT_TRUE(std::regex_search(page, date, std::regex(R"(datetime="(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)Z")")));
    std::tm utc{};
    utc.tm_year = std::stoi(date[1]) - 1900;
    utc.tm_mon = std::stoi(date[2]) - 1;
    utc.tm_mday = std::stoi(date[3]);
    utc.tm_hour = std::stoi(date[4]);
    utc.tm_min = std::stoi(date[5]);
    utc.tm_sec = std::stoi(date[6]);
    const std::time_t written = timegm(&utc);
    EXPECT_GE(written, before);
    EXPECT_LE(written, after);

    const std::string satu = dir.Path("satu"), dua = dir.Path("dua");
    const std::vector<std::string> headings{"<h3>group " + satu + " (peak 255), split by peak</h3>",
                                            "<h3>group " + satu + " (peak 65535), split by peak</h3>",
                                            "<h3>group " + dua + " (peak 255)</h3>"};
    size_t at = 0;
    for (const std::string& heading : headings) {
        const size_t found = page.find(heading, at);
        EXPECT_NE(found, std::string::npos) << heading;
        if (found != std::string::npos) at = found;
    }
    EXPECT_NE(page.find("<p>Pairs: 2, failed: 1, identical: 0.</p>", page.find(headings[2])), std::string::npos);
    for (const char* column : {"mse", "psnr", "ssim", "mae", "nc", "ber", "change_rate"})
        EXPECT_NE(page.find("<th data-key=\"" + std::string(column) + "\">" + column + "</th>"), std::string::npos)
            << column;
    EXPECT_NE(page.find(">MSE (desktop program)</th>"), std::string::npos);
    EXPECT_NE(page.find(">PSNR (desktop program)</th>"), std::string::npos);
}

// The pairs run on the workers and each is decoded once: the page is the
// same whatever -j, pairs in argument order, and a bitmap pair's desktop
// numbers are compare's to the last digit (a bitmap cut short keeps them
// too, with the measures refused).
TEST(ReportExe, TheSamePageWhateverTheJobsWithCompareDesktopNumbers) {
    ScratchDir dir;
    using bmp_builder::BmpSpec;
    const auto bmp = [](uint8_t seed, std::optional<size_t> cut = std::nullopt) {
        BmpSpec s{.width = 24, .height = 20, .bitsPerPixel = 24};
        s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), seed);
        s.truncateTo = cut;
        return bmp_builder::BuildBmp(s);
    };
    const std::string cover = dir.Write("cover.bmp", bmp(1));
    std::vector<std::string> args{"report", cover};
    for (const char* name : {"s2.bmp", "s3.bmp", "s4.bmp", "s5.bmp", "s6.bmp", "s7.bmp"})
        args.push_back(dir.Write(name, bmp(static_cast<uint8_t>(name[1] - '0'))));
    args.push_back(dir.Write("cut.bmp", bmp(9, 54 + 700)));
    args.push_back(dir.Path("missing.bmp"));
    const auto page = [&](const char* jobs) {
        std::vector<std::string> run = args;
        run.insert(run.begin(), {"-j", jobs});
        const std::string report = dir.Path(std::string("r") + jobs + ".html");
        run.insert(run.end(), {"-o", report});
        const ProcessOutput done = CitraExe(run);
        EXPECT_EQ(done.exitCode, 1) << done.err;
        EXPECT_EQ(done.out, report + ": 8 pairs, 2 failed\n");
        // All but the command line and the date.
        const std::string page = std::regex_replace(run_process_detail::Slurp(report),
                                                    std::regex(R"(datetime="[^"]*">[^<]*)"), "");
        return std::regex_replace(page, std::regex(R"(<p><code>citra [^<]*</code></p>)"), "");
    };
    const std::string one = page("1");
    EXPECT_NE(one.find("<h2>Pairs</h2>"), std::string::npos);
    EXPECT_TRUE(page("2") == one) << "-j 2 gives another page";
    EXPECT_TRUE(page("3") == one) << "-j 3 gives another page";

    std::vector<std::string> compare{"--csv", "compare"};
    compare.insert(compare.end(), args.begin() + 1, args.end() - 1);
    const ProcessOutput numbers = CitraExe(compare);
    ASSERT_EQ(numbers.exitCode, 0) << numbers.err;
    const std::vector<std::string> lines = AllLines(numbers.out);
    ASSERT_EQ(lines.size(), 8u);  // the header and seven pairs
    for (size_t i = 1; i < lines.size(); ++i) {
        // mse_text and psnr_text, the fifth and sixth fields
        std::vector<std::string> fields;
        std::stringstream line(lines[i]);
        for (std::string field; std::getline(line, field, ',');) fields.push_back(field);
        ASSERT_GE(fields.size(), 6u);
        EXPECT_NE(one.find(">" + fields[4] + "</td>"), std::string::npos) << lines[i];
        EXPECT_NE(one.find(">" + fields[5] + "</td>"), std::string::npos) << lines[i];
    }
    EXPECT_NE(one.find("file cut short: holds 700 of the"), std::string::npos);
}

TEST(ReportExe, AnUnwritableReportFailsBeforeAnyPairIsRead) {
    ScratchDir dir;
    const std::string report = dir.Path("tidak_ada/laporan.html");
    const ProcessOutput run = CitraExe({"report", dir.Path("x.png"), dir.Path("y.png"), "-o", report});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "citra: cannot write '" + report + "': No such file or directory\n");
}

// Ctrl+C once the progress bar shows the first pair: the run stops at the
// next pair, exits 130 and leaves neither the report nor a temporary file.
TEST(ReportExe, InterruptedLeavesNoReport) {
    ScratchDir dir;
    const std::string a = dir.Write("a.png", Png(256, 256, 2, 8, Ramp(256 * 256 * 3)));
    std::vector<std::string> args = {"report", a};
    for (int i = 0; i < 40; ++i) {
        std::string name = std::to_string(i);
        name += ".png";
        args.push_back(dir.Write(name, Png(256, 256, 2, 8, Ramp(256 * 256 * 3, i))));
    }
    const std::string report = dir.Path("laporan.html");
    args.insert(args.end(), {"-o", report, "--progress"});
    const ProcessOutput run = RunProcess({.program = CITRA_EXE,
                                          .args = args,
                                          .env = kPlainEnv,
                                          .signalWhen = [](const std::string&, const std::string& err) {
                                              return err.find("/40") != std::string::npos;
                                          },
                                          .signal = SIGINT});
    ASSERT_TRUE(run.signalSent) << run.err;
    EXPECT_EQ(run.exitCode, 130) << run.out << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(report));
    for (const auto& entry : fs::directory_iterator(dir.Root()))
        EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
}

}  // namespace
