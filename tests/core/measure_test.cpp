// The figures measure adds to the field's metrics, on images whose values
// are known by hand, and the rules: every channel counts, alpha included;
// NC none for an all-zero side; BER only for bilevel images.
#include "measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "error.h"

namespace {

Image Grey(int32_t width, int32_t height, std::vector<uint8_t> samples, uint32_t peak = 255) {
    Image image;
    image.width = width;
    image.height = height;
    image.layout = ChannelLayout::Grey;
    image.peak = peak;
    image.samples8.assign(samples.begin(), samples.end());
    return image;
}

TEST(Measure, FiguresOfTwoSmallGreyImagesByHand) {
    // 0 255 255 0 against 255 255 255 0: one sample of four differs, by 255.
    const Image a = Grey(2, 2, {0, 255, 255, 0}), b = Grey(2, 2, {255, 255, 255, 0});
    const MeasureMetrics m = ComputeMeasure(a, b, {.ssim = false});
    EXPECT_EQ(m.width, 2);
    EXPECT_EQ(m.channels, 1);
    EXPECT_EQ(m.bits, 8);
    EXPECT_DOUBLE_EQ(m.overall.mse, 255.0 * 255.0 / 4);
    EXPECT_DOUBLE_EQ(m.overall.mae, 255.0 / 4);
    // sum ab = 2 * 255^2; sum a^2 = 2 * 255^2; sum b^2 = 3 * 255^2.
    EXPECT_DOUBLE_EQ(*m.overall.nc, 2.0 / std::sqrt(6.0));
    ASSERT_TRUE(m.overall.ber);  // every sample 0 or the peak
    EXPECT_DOUBLE_EQ(*m.overall.ber, 0.25);
    EXPECT_DOUBLE_EQ(m.overall.changeRate, 0.25);
    EXPECT_EQ(m.overall.changedSamples, 1u);
    EXPECT_EQ(m.overall.maxAbsDiff, 255u);
    EXPECT_FALSE(m.overall.identical);
    EXPECT_FALSE(m.overall.ssim);
    ASSERT_EQ(m.perChannel.size(), 1u);
    EXPECT_EQ(m.perChannel[0].name, "Y");
    EXPECT_DOUBLE_EQ(*m.perChannel[0].figures.ber, 0.25);
}

TEST(Measure, NoBerUnlessBothAreBilevelAndNoNcForAnAllZeroSide) {
    const Image zero = Grey(2, 1, {0, 0}), mid = Grey(2, 1, {0, 128}), white = Grey(2, 1, {0, 255});
    const MeasureMetrics m = ComputeMeasure(zero, mid, {.ssim = false});
    EXPECT_FALSE(m.overall.ber);
    EXPECT_FALSE(m.overall.nc);
    const MeasureMetrics bilevel = ComputeMeasure(zero, white, {.ssim = false});
    EXPECT_DOUBLE_EQ(*bilevel.overall.ber, 0.5);
    EXPECT_FALSE(bilevel.overall.nc);
    // A PNM maxval is the peak: 0 and 1023 are bilevel there.
    Image a16, b16;
    for (Image* image : {&a16, &b16}) {
        image->width = 2;
        image->height = 1;
        image->layout = ChannelLayout::Grey;
        image->bitDepth = 16;
        image->peak = 1023;
    }
    a16.samples16 = {0, 1023};
    b16.samples16 = {1023, 1023};
    const MeasureMetrics deep = ComputeMeasure(a16, b16, {.ssim = false});
    EXPECT_DOUBLE_EQ(*deep.overall.ber, 0.5);
    EXPECT_DOUBLE_EQ(*deep.overall.nc, 1.0 / std::sqrt(2.0));
}

TEST(Measure, IdenticalImagesHaveAnInfinitePsnrAndAnNcOfOne) {
    const Image a = Grey(3, 1, {1, 2, 3});
    const MeasureMetrics m = ComputeMeasure(a, a, {.ssim = false});
    EXPECT_TRUE(m.overall.identical);
    EXPECT_EQ(m.overall.psnr, std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(*m.overall.nc, 1.0);
    EXPECT_EQ(m.overall.changeRate, 0.0);
}

// Only alpha differs: every overall figure counts it, SSIM too.
TEST(Measure, AlphaCountsInEveryOverallFigure) {
    Image a;
    a.width = 16;
    a.height = 16;
    a.layout = ChannelLayout::Rgba;
    for (int i = 0; i < 16 * 16 * 4; ++i) a.samples8.push_back(static_cast<uint8_t>((i * 37) % 251));
    Image b = a;
    for (size_t i = 3; i < b.samples8.size(); i += 4) b.samples8[i] = static_cast<uint8_t>(255 - b.samples8[i]);
    const MeasureMetrics m = ComputeMeasure(a, b, {.ssim = true});
    ASSERT_EQ(m.perChannel.size(), 4u);
    EXPECT_EQ(m.overall.changedSamples, m.perChannel[3].figures.changedSamples);
    EXPECT_DOUBLE_EQ(m.overall.mae, m.perChannel[3].figures.mae / 4);
    EXPECT_TRUE(m.perChannel[0].figures.identical);
    ASSERT_TRUE(m.overall.ssim);
    EXPECT_DOUBLE_EQ(*m.overall.ssim, (3.0 + *m.perChannel[3].figures.ssim) / 4);
    EXPECT_LT(*m.overall.ssim, 1.0);
}

TEST(Measure, ARefusedPairThrowsARefusal) {
    const Image a = Grey(2, 1, {0, 0}), b = Grey(1, 2, {0, 0});
    try {
        ComputeMeasure(a, b);
        FAIL() << "no refusal";
    } catch (const CitraError& e) {
        EXPECT_EQ(e.Kind(), ErrorKind::Refused);
        EXPECT_STREQ(e.what(), "The images differ in size: 2 x 1 and 1 x 2");
    }
}

}  // namespace
