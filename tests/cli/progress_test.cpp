#include "progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct FrameCase {
    const char* name;
    size_t done;
    size_t total;
    double elapsed;
    const char* expected;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class ProgressFrame : public testing::TestWithParam<FrameCase> {};

TEST_P(ProgressFrame, Text) {
    const FrameCase& c = GetParam();
    EXPECT_EQ(ProgressText(c.done, c.total, c.elapsed), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressFrame,
    testing::Values(
        FrameCase{"Start", 0, 50, 0.0, "[....................]   0/50  -- pairs/s  --:-- left"},
        FrameCase{"NothingDoneYet", 0, 50, 3.0, "[....................]   0/50  -- pairs/s  --:-- left"},
        FrameCase{"Half", 25, 50, 10.0, "[##########..........]  25/50  2.5 pairs/s  0:10 left"},
        FrameCase{"BarRoundsDown", 1, 3, 0.5, "[######..............]  1/3  2.0 pairs/s  0:01 left"},
        FrameCase{"Finished", 50, 50, 20.0, "[####################]  50/50  2.5 pairs/s  0:00 left"},
        FrameCase{"SlowPairsHours", 1, 1000, 4.0, "[....................]     1/1000  0.25 pairs/s  1:06:36 left"},
        FrameCase{"FastPairsWholeRate", 120, 121, 1.0, "[###################.]  120/121  120 pairs/s  0:01 left"},
        FrameCase{"SecondsRoundUp", 1, 120, 0.5, "[....................]    1/120  2.0 pairs/s  1:00 left"},
        FrameCase{"NoTimeYet", 3, 7, 0.0, "[########............]  3/7  -- pairs/s  --:-- left"},
        FrameCase{"DoneBeyondTotalClamped", 9, 4, 2.0, "[####################]  4/4  2.0 pairs/s  0:00 left"}),
    [](const testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

// detect counts images, not pairs.
TEST(ProgressBarDrawing, CountsInTheUnitItIsGiven) {
    EXPECT_EQ(ProgressText(25, 50, 10.0, text::kImagesPerSecond),
              "[##########..........]  25/50  2.5 images/s  0:10 left");
    std::ostringstream err;
    ProgressBar bar(err, true, 10, false, text::kImagesPerSecond);
    bar.Update(0);
    EXPECT_EQ(err.str(), "\r" + ProgressText(0, 10, 0, text::kImagesPerSecond));
    EXPECT_NE(err.str().find("images/s"), std::string::npos);
}

TEST(ProgressBarDrawing, DisabledWritesNothing) {
    std::ostringstream err;
    ProgressBar bar(err, false, 10, true);
    bar.Update(3);
    bar.BeforeOutput();
    bar.Erase();
    EXPECT_EQ(err.str(), "");
}

TEST(ProgressBarDrawing, DrawsWithCarriageReturnAndErasesWithBlanks) {
    std::ostringstream err;
    ProgressBar bar(err, true, 10, false);
    bar.Update(0);
    const std::string frame = ProgressText(0, 10, 0);
    ASSERT_EQ(err.str(), "\r" + frame);
    bar.BeforeOutput();  // output goes elsewhere: the bar stays
    EXPECT_EQ(err.str(), "\r" + frame);
    bar.Erase();
    EXPECT_EQ(err.str(), "\r" + frame + "\r" + std::string(frame.size(), ' ') + "\r");
    bar.Erase();  // nothing left to erase
    EXPECT_EQ(err.str(), "\r" + frame + "\r" + std::string(frame.size(), ' ') + "\r");
}

TEST(ProgressBarDrawing, ErasedBeforeOutputToTheSameTerminal) {
    std::ostringstream err;
    ProgressBar bar(err, true, 2, true);
    bar.Update(1);
    const std::string frame = err.str();
    ASSERT_EQ(frame.rfind("\r[##########..........]  1/2  ", 0), 0u) << frame;
    bar.BeforeOutput();
    EXPECT_EQ(err.str(), frame + "\r" + std::string(frame.size() - 1, ' ') + "\r");
}

TEST(ProgressBarDrawing, SinglePairWaitsBeforeDrawing) {
    std::ostringstream err;
    ProgressBar bar(err, true, 1, false);
    bar.Update(0);  // well within the first half second
    bar.Erase();
    EXPECT_EQ(err.str(), "");
}

}  // namespace
