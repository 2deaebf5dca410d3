// Difference pictures drawn straight into PNG rows, in bands on several
// threads, are the pictures MakeDiffMap draws whole: every mode, every
// layout and depth, pictures of one row and of many bands, and the file
// they compress to is the file of MakeDiffMap's image.
#include "diff_png.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "error.h"
#include "png_writer.h"

namespace {

struct Case {
    const char* name;
    ChannelLayout layout;
    int bitDepth;
    int32_t width, height;
};

const Case kCases[] = {
    {"rgb8", ChannelLayout::Rgb, 8, 37, 301},       {"grey8_one_row", ChannelLayout::Grey, 8, 50, 1},
    {"rgba8", ChannelLayout::Rgba, 8, 12, 19},      {"grey_alpha16", ChannelLayout::GreyAlpha, 16, 23, 40},
    {"rgb16", ChannelLayout::Rgb, 16, 16, 64},      {"grey8_tall", ChannelLayout::Grey, 8, 11, 2000},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Samples with flat stretches, small changes and a few large ones, so that
// the largest difference lies in one band only.
std::pair<Image, Image> Pair(const Case& c, unsigned seed) {
    Image a;
    a.width = c.width;
    a.height = c.height;
    a.layout = c.layout;
    a.bitDepth = c.bitDepth;
    a.peak = c.bitDepth == 16 ? 65535 : 255;
    std::mt19937 rng(seed);
    if (c.bitDepth == 16) a.samples16.resize(a.SampleCount()); else a.samples8.resize(a.SampleCount());
    Image b = a;
    for (size_t i = 0; i < a.SampleCount(); ++i) {
        const uint32_t v = rng() % (a.peak + 1);
        const uint32_t change = rng() % 10 == 0 ? rng() % 5 : 0;
        const uint32_t w = i == a.SampleCount() * 2 / 3 ? a.peak - v : std::min(a.peak, v + change);
        if (c.bitDepth == 16) {
            a.samples16[i] = static_cast<uint16_t>(v);
            b.samples16[i] = static_cast<uint16_t>(w);
        } else {
            a.samples8[i] = static_cast<uint8_t>(v);
            b.samples8[i] = static_cast<uint8_t>(w);
        }
    }
    return {a, b};
}

class DiffRows : public testing::TestWithParam<Case> {};

TEST_P(DiffRows, AreMakeDiffMapsPictureOnAnyNumberOfThreads) {
    const Case& c = GetParam();
    const auto [a, b] = Pair(c, 7);
    std::vector<DiffOptions> modes(5);
    modes[0].mode = DiffMode::Abs;
    modes[1].mode = DiffMode::Abs;
    modes[1].gain = 3.5;
    modes[2].mode = DiffMode::Heat;
    modes[3].mode = DiffMode::Lsb;
    modes[3].plane = c.bitDepth - 1;
    modes[4].mode = DiffMode::Ssim;
    for (DiffOptions options : modes) {
        if (options.mode == DiffMode::Ssim && DiffRefusal(a, b, options)) continue;  // too small
        SCOPED_TRACE(DiffModeName(options.mode));
        options.threads = 1;
        const DiffMap whole = MakeDiffMap(a, b, options);
        const std::string file = EncodePng(whole.image, whole.description, kDifferencePng);
        for (const unsigned threads : {1u, 2u, 3u}) {
            SCOPED_TRACE(threads);
            options.threads = threads;
            DiffMap map;
            const PngRows rows = DrawDiffRows(a, b, options, map);
            ASSERT_EQ(rows.width, whole.image.width);
            ASSERT_EQ(rows.height, whole.image.height);
            ASSERT_EQ(rows.layout, whole.image.layout);
            const size_t rowBytes = rows.RowBytes();
            size_t differing = 0;
            for (size_t y = 0; y < static_cast<size_t>(rows.height); ++y) {
                differing += rows.bytes[y * (rowBytes + 1)] != 0;
                differing += std::memcmp(&rows.bytes[y * (rowBytes + 1) + 1], &whole.image.samples8[y * rowBytes],
                                         rowBytes) != 0;
            }
            EXPECT_EQ(differing, 0u);
            EXPECT_EQ(map.gain, whole.gain);
            EXPECT_EQ(map.largest, whole.largest);
            EXPECT_EQ(map.scaleMax, whole.scaleMax);
            EXPECT_EQ(map.description, whole.description);
            EXPECT_EQ(EncodePngRows(rows, map.description, kDifferencePng.level), file);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, DiffRows, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiffRowsRefusal, IsMakeDiffMapsRefusal) {
    const auto [a, b] = Pair(kCases[0], 3);
    Image narrower = b;
    narrower.width -= 1;
    narrower.samples8.resize(narrower.SampleCount());
    DiffOptions lsb;
    lsb.mode = DiffMode::Lsb;
    lsb.plane = 8;
    for (const auto& [other, options] : {std::pair{narrower, DiffOptions{}}, std::pair{b, lsb}}) {
        DiffMap map;
        std::string drawn, whole;
        try {
            DrawDiffRows(a, other, options, map);
        } catch (const CitraError& e) {
            drawn = e.what();
        }
        try {
            MakeDiffMap(a, other, options);
        } catch (const CitraError& e) {
            whole = e.what();
        }
        EXPECT_FALSE(drawn.empty());
        EXPECT_EQ(drawn, whole);
    }
}

}  // namespace
