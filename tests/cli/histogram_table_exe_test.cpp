// citra histogram --csv and --plot through the built executable: a bitmap
// the desktop program reads gets its counts to the last one; failures say
// why on standard error and leave no plot behind (the rows and the plots
// themselves are checked against numpy by tests/reference).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

namespace fs = std::filesystem;
using image_encoders::Png;
using image_encoders::Ramp;

// The JSON array after "key": as numbers.
std::vector<long> JsonCounts(const std::string& line, const std::string& key) {
    std::vector<long> counts;
    const size_t start = line.find("\"" + key + "\":[");
    if (start == std::string::npos) return counts;
    std::istringstream in(line.substr(start + key.size() + 4, line.find(']', start) - start - key.size() - 4));
    for (std::string n; std::getline(in, n, ',');) counts.push_back(std::stol(n));
    return counts;
}

TEST(HistogramTableExe, CsvOfADesktopBitmapHasTheDesktopCounts) {
    ScratchDir dir;
    const std::string bmp = dir.Path("gambar.bmp");
    WriteBmp(bmp, 37, 23, 24, [](int32_t x, int32_t y) {
        return Bgr{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 11 + x), static_cast<uint8_t>(x * y)};
    });
    const ProcessOutput json = CitraExe({"--json", "histogram", bmp});
    const ProcessOutput csv = CitraExe({"--csv", "histogram", bmp});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const std::vector<std::string> rows = AllLines(csv.out);
    ASSERT_EQ(rows.size(), 257u);
    EXPECT_EQ(rows[0], "value,red,green,blue");
    const auto red = JsonCounts(json.out, "red"), green = JsonCounts(json.out, "green"),
               blue = JsonCounts(json.out, "blue");
    ASSERT_EQ(red.size(), 256u);
    for (size_t v = 0; v < 256; ++v)
        EXPECT_EQ(rows[v + 1], std::to_string(v) + "," + std::to_string(red[v]) + "," + std::to_string(green[v]) + "," +
                                   std::to_string(blue[v]));
}

TEST(HistogramTableExe, FailuresSayWhyAndLeaveNoPlot) {
    ScratchDir dir;
    const std::string rgb = dir.Write("rgb.png", Png(12, 10, 2, 8, Ramp(12 * 10 * 3)));
    const std::string grey = dir.Write("grey.png", Png(12, 10, 0, 8, Ramp(12 * 10)));
    const std::string plot = dir.Path("plot.svg");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"more bins than values", {"--csv", "histogram", rgb, "--bins", "300"},
         "citra: " + rgb + ": cannot make 300 bins of the values 0 to 255 (1 to 256 bins)\n"},
        {"channels that differ", {"histogram", rgb, grey, "--plot", plot},
         "citra: cannot overlay the histograms of " + rgb + " and " + grey +
             ": their channels, values or bins differ\n"},
        {"a file that is missing", {"histogram", dir.Path("tidak_ada.png"), "--plot", plot},
         "citra: " + dir.Path("tidak_ada.png") + ": Cannot open file \"" + dir.Path("tidak_ada.png") +
             "\". No such file or directory\n"},
        {"a plot that cannot be written", {"histogram", dir.Path("tidak_ada.png"), "--plot", dir.Path("no/plot.png")},
         "citra: cannot write '" + dir.Path("no/plot.png") + "': No such file or directory\n"},
    };
    for (const Case& c : cases) {
        const ProcessOutput run = CitraExe(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(run.err, c.message) << c.name;
        EXPECT_FALSE(fs::exists(plot)) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Root()), fs::directory_iterator()), 2) << c.name;
    }
}

}  // namespace
