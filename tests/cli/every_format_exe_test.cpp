// Every command reads every format the tool decodes, and report lists its
// pairs as compare does: through the built executable.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/graphic_files.h"
#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"
#include "run_process.h"
#include "small_bmp.h"

namespace {

namespace fs = std::filesystem;

Bgr Pixel(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x * 20 + y), static_cast<uint8_t>(y * 30), static_cast<uint8_t>(x + 100)};
}

// P1 (plain PBM) of 4 x 3: pixel (x, y) black where the bit is set.
std::vector<uint8_t> Pbm(uint32_t bits) {
    std::string text = "P1\n4 3\n";
    for (int i = 0; i < 12; ++i) text += ((bits >> i) & 1) ? "1 " : "0 ";
    return std::vector<uint8_t>(text.begin(), text.end());
}

class EveryFormat : public testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(dir_.Path("a.pbm"), Pbm(0x0F3));
        WriteFileBytes(dir_.Path("b.pbm"), Pbm(0x0F1));
        std::vector<uint8_t> rows;
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 5; ++x) rows.insert(rows.end(), {Pixel(x, y).r, Pixel(x, y).g, Pixel(x, y).b});
        WriteFileBytes(dir_.Path("cover.png"), image_encoders::Png(5, 4, 2, 8, rows));
        rows[0] ^= 1;
        fs::create_directory(dir_.Path("stego"));
        WriteFileBytes(dir_.Path("stego/cover_lsb.png"), image_encoders::Png(5, 4, 2, 8, rows));
        WriteBmp(dir_.Path("stego/cover_bmp.bmp"), 5, 4, 24, Pixel);
        WriteFileBytes(dir_.Path("photo.jpg"), graphic_files::JpegFile(6, 2));
    }
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    ScratchDir dir_;
};

TEST_F(EveryFormat, ComparesPbmFiles) {
    const ProcessOutput run = CitraExe({"--csv", "compare", Path("a.pbm"), Path("b.pbm")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find("Unknown picture file extension"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(Path("b.pbm")), std::string::npos) << run.out;
}

TEST_F(EveryFormat, InfoGivesTheSizeChannelsAndDepthOfEveryFile) {
    const ProcessOutput run = CitraExe({"--json", "info", Path("cover.png"), Path("photo.jpg"), Path("a.pbm")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string p = "\"path\":\"" + Path("cover.png") + "\",\"kind\":\"png\",\"width\":5,\"height\":4,"
                          "\"bits_per_pixel\":24,";
    EXPECT_NE(run.out.find(p), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"format\":\"png\",\"channels\":3,\"bits_per_sample\":8,\"peak\":255"), std::string::npos)
        << run.out;
    // The desktop program's kind for a JPEG, now with its size.
    EXPECT_NE(run.out.find("\"kind\":\"jpeg\",\"width\":6,\"height\":2,"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"format\":\"pnm\",\"channels\":1,\"bits_per_sample\":8"), std::string::npos) << run.out;
}

TEST_F(EveryFormat, HistogramOfAPngInTextAndJson) {
    const ProcessOutput text = CitraExe({"histogram", Path("cover.png")});
    EXPECT_EQ(text.exitCode, 0) << text.out << text.err;
    EXPECT_NE(text.out.find("value  red  green  blue"), std::string::npos) << text.out;
    const ProcessOutput json = CitraExe({"--json", "histogram", Path("a.pbm")});
    EXPECT_EQ(json.exitCode, 0) << json.out << json.err;
    // 12 pixels, 6 of them black (the bits set in 0x0F3), 6 white.
    EXPECT_NE(json.out.find("\"grey\":[6,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(",6],\"max_value\":255}"), std::string::npos) << json.out;
}

TEST_F(EveryFormat, AFolderBesideOneOriginalStandsForEveryImageFile) {
    const ProcessOutput run = CitraExe({"--csv", "compare", Path("cover.png"), Path("stego")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(Path("stego/cover_bmp.bmp")), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(Path("stego/cover_lsb.png")), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("No .bmp file"), std::string::npos) << run.out;
}

TEST_F(EveryFormat, ReportRefusesTheOperandsCompareRefuses) {
    fs::create_directory(Path("covers"));
    const ProcessOutput compare = CitraExe({"compare", Path("covers"), Path("cover.png")});
    const ProcessOutput report = CitraExe({"report", Path("covers"), Path("cover.png"), "-o", Path("r.html")});
    EXPECT_EQ(compare.exitCode, 2);
    EXPECT_EQ(report.exitCode, 2);
    EXPECT_EQ(report.err, compare.err);
    EXPECT_FALSE(fs::exists(Path("r.html")));
}

}  // namespace
