// citra report through the built executable: the line it prints, and that
// a report that cannot be written fails before any pair is read (what the
// page holds is checked in a browser by tests/reference).
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "run_process.h"

namespace {

namespace fs = std::filesystem;
using image_encoders::Png;
using image_encoders::Ramp;

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
