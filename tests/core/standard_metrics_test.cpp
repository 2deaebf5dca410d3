#include "standard_metrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "error.h"
#include "failing_thread_starts.h"
#include "ssim.h"

namespace {

Image Make(int32_t width, int32_t height, ChannelLayout layout, int bits = 8, uint32_t peak = 0) {
    Image image;
    image.width = width;
    image.height = height;
    image.layout = layout;
    image.bitDepth = bits;
    image.peak = peak != 0 ? peak : (bits == 8 ? 255 : 65535);
    if (bits == 8)
        image.samples8.assign(image.SampleCount(), 0);
    else
        image.samples16.assign(image.SampleCount(), 0);
    return image;
}

Image Noise(int32_t width, int32_t height, ChannelLayout layout, int bits, unsigned seed) {
    Image image = Make(width, height, layout, bits);
    std::mt19937 rng(seed);
    for (auto& s : image.samples8) s = static_cast<uint8_t>(rng());
    for (auto& s : image.samples16) s = static_cast<uint16_t>(rng());
    return image;
}

// ---- refusals --------------------------------------------------------------

struct RefusalCase {
    const char* label;
    Image a, b;
    const char* message;
};

class Refusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, NamesWhatDiffersAndComputeThrowsIt) {
    const RefusalCase& c = GetParam();
    const std::optional<std::string> refusal = StandardPairRefusal(c.a, c.b);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(*refusal, c.message);
    try {
        ComputeStandardMetrics(c.a, c.b, {.ssim = true});
        FAIL() << "no exception";
    } catch (const CitraError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
}

RefusalCase WithSamples(const char* label, Image a, size_t samples, const char* message) {
    Image b = a;
    a.samples8.resize(samples);
    return {label, a, b, message};
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, Refusal,
    testing::Values(
        RefusalCase{"Size", Make(640, 480, ChannelLayout::Rgb), Make(320, 240, ChannelLayout::Rgb),
                    "The images differ in size: 640 x 480 and 320 x 240"},
        RefusalCase{"WidthOnly", Make(5, 4, ChannelLayout::Grey), Make(4, 5, ChannelLayout::Grey),
                    "The images differ in size: 5 x 4 and 4 x 5"},
        RefusalCase{"RgbAgainstGrey", Make(8, 8, ChannelLayout::Rgb), Make(8, 8, ChannelLayout::Grey),
                    "The images differ in channels: RGB and grey"},
        RefusalCase{"AlphaOrNot", Make(8, 8, ChannelLayout::Rgba), Make(8, 8, ChannelLayout::Rgb),
                    "The images differ in channels: RGBA and RGB"},
        RefusalCase{"GreyAlpha", Make(8, 8, ChannelLayout::Grey), Make(8, 8, ChannelLayout::GreyAlpha),
                    "The images differ in channels: grey and grey with alpha"},
        RefusalCase{"Depth", Make(8, 8, ChannelLayout::Rgb, 8), Make(8, 8, ChannelLayout::Rgb, 16),
                    "The images differ in bit depth: 8 and 16 bits"},
        RefusalCase{"Peak", Make(8, 8, ChannelLayout::Grey, 16, 1023), Make(8, 8, ChannelLayout::Grey, 16, 4095),
                    "The images differ in peak value: 1023 and 4095"},
        RefusalCase{"EmptyOriginal", Make(0, 0, ChannelLayout::Rgb), Make(0, 0, ChannelLayout::Rgb),
                    "The original image is empty: 0 x 0"},
        RefusalCase{"EmptyManipulated", Make(3, 3, ChannelLayout::Rgb), Make(3, 0, ChannelLayout::Rgb),
                    "The manipulated image is empty: 3 x 0"},
        RefusalCase{"PeakAboveDepth", Make(2, 2, ChannelLayout::Grey, 8, 256), Make(2, 2, ChannelLayout::Grey, 8, 256),
                    "The original image has a peak value of 256, outside 1 to 255 for 8 bits"},
        RefusalCase{"OddDepth", Make(2, 2, ChannelLayout::Grey, 12, 4095), Make(2, 2, ChannelLayout::Grey, 16, 4095),
                    "The original image has 12-bit samples; only 8 and 16 bits are read"},
        WithSamples("TooFewSamples", Make(4, 2, ChannelLayout::Rgb), 23,
                    "The original image holds 23 samples where 4 x 2 RGB needs 24")),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.label; });

TEST(StandardPairRefusal, AcceptsMatchingPairs) {
    const Image greyA = Make(1, 1, ChannelLayout::Grey), greyB = Make(1, 1, ChannelLayout::Grey);
    const Image rgbaA = Make(3, 2, ChannelLayout::Rgba, 16, 1023), rgbaB = Make(3, 2, ChannelLayout::Rgba, 16, 1023);
    EXPECT_EQ(StandardPairRefusal(greyA, greyB), std::nullopt);
    EXPECT_EQ(StandardPairRefusal(rgbaA, rgbaB), std::nullopt);
}

// ---- MSE, PSNR and counts ----------------------------------------------------

TEST(StandardMetrics, HandComputedRgbPair) {
    // Two pixels: differences R (3, 0), G (0, -4), B (1, 0).
    Image a = Make(2, 1, ChannelLayout::Rgb);
    Image b = a;
    a.samples8 = {10, 20, 30, 40, 50, 60};
    b.samples8 = {13, 20, 31, 40, 46, 60};
    const StandardMetrics m = ComputeStandardMetrics(a, b);
    EXPECT_EQ(m.mse, 26.0 / 6.0);
    EXPECT_DOUBLE_EQ(m.psnr, 10 * std::log10(65025.0 / (26.0 / 6.0)));
    EXPECT_EQ(m.changedSamples, 3u);
    EXPECT_EQ(m.maxAbsDiff, 4u);
    EXPECT_FALSE(m.identical);
    EXPECT_EQ(m.peak, 255u);
    ASSERT_EQ(m.channels.size(), 3u);
    EXPECT_EQ(m.channels[0].name, "R");
    EXPECT_EQ(m.channels[1].name, "G");
    EXPECT_EQ(m.channels[2].name, "B");
    EXPECT_EQ(m.channels[0].mse, 4.5);
    EXPECT_EQ(m.channels[1].mse, 8.0);
    EXPECT_EQ(m.channels[2].mse, 0.5);
    EXPECT_DOUBLE_EQ(m.channels[1].psnr, 10 * std::log10(65025.0 / 8.0));
    EXPECT_FALSE(m.ssim.has_value());  // not asked for
    EXPECT_FALSE(m.ssimUnavailable.has_value());
}

struct NamesCase {
    ChannelLayout layout;
    std::vector<std::string> names;
};

class ChannelNamesTest : public testing::TestWithParam<NamesCase> {};

TEST_P(ChannelNamesTest, InStoredOrderEachWithItsOwnMse) {
    const NamesCase& c = GetParam();
    Image a = Make(3, 2, c.layout);
    Image b = a;
    // Channel k differs by k + 1 in every pixel.
    const size_t n = static_cast<size_t>(a.Channels());
    for (size_t i = 0; i < b.samples8.size(); ++i) b.samples8[i] = static_cast<uint8_t>(i % n + 1);
    const StandardMetrics m = ComputeStandardMetrics(a, b);
    ASSERT_EQ(m.channels.size(), c.names.size());
    for (size_t k = 0; k < n; ++k) {
        EXPECT_EQ(m.channels[k].name, c.names[k]);
        EXPECT_EQ(m.channels[k].mse, static_cast<double>((k + 1) * (k + 1)));
    }
    EXPECT_EQ(m.maxAbsDiff, n);
    EXPECT_EQ(m.changedSamples, a.SampleCount());
}

INSTANTIATE_TEST_SUITE_P(Layouts, ChannelNamesTest,
                         testing::Values(NamesCase{ChannelLayout::Grey, {"Y"}},
                                         NamesCase{ChannelLayout::GreyAlpha, {"Y", "A"}},
                                         NamesCase{ChannelLayout::Rgb, {"R", "G", "B"}},
                                         NamesCase{ChannelLayout::Rgba, {"R", "G", "B", "A"}}));

TEST(StandardMetrics, IdenticalIsInfinityNotAFiniteStandIn) {
    const Image a = Noise(40, 30, ChannelLayout::Rgba, 16, 7);
    const StandardMetrics m = ComputeStandardMetrics(a, a, {.ssim = true});
    EXPECT_TRUE(m.identical);
    EXPECT_EQ(m.mse, 0.0);
    EXPECT_EQ(m.psnr, std::numeric_limits<double>::infinity());
    EXPECT_EQ(m.changedSamples, 0u);
    EXPECT_EQ(m.maxAbsDiff, 0u);
    for (const ChannelMetrics& c : m.channels) {
        EXPECT_EQ(c.psnr, std::numeric_limits<double>::infinity());
        EXPECT_NEAR(*c.ssim, 1.0, 1e-12);
    }
    EXPECT_NEAR(*m.ssim, 1.0, 1e-12);
}

// Only the alpha channel differs: the colour PSNR stays infinite, and the
// overall SSIM counts alpha as scikit-image does: the mean of 1, 1, 1 and
// alpha's own.
TEST(StandardMetrics, AlphaOnlyDifferenceCountsInTheOverallSsim) {
    const Image a = Noise(20, 20, ChannelLayout::Rgba, 8, 3);
    Image b = a;
    for (size_t i = 3; i < b.samples8.size(); i += 4) b.samples8[i] = static_cast<uint8_t>(255 - b.samples8[i]);
    const StandardMetrics m = ComputeStandardMetrics(a, b, {.ssim = true});
    EXPECT_FALSE(m.identical);
    EXPECT_EQ(m.channels[0].psnr, std::numeric_limits<double>::infinity());
    EXPECT_LT(m.channels[3].psnr, 10.0);
    EXPECT_LT(*m.channels[3].ssim, 0.5);
    EXPECT_NEAR(*m.ssim, (3.0 + *m.channels[3].ssim) / 4.0, 1e-15);
}

TEST(StandardMetrics, SixteenBitExtremesAreExact) {
    // One pixel of each: 0 against 65535 gives MSE 65535^2, PSNR 0 exactly.
    Image a = Make(1, 1, ChannelLayout::Grey, 16);
    Image b = a;
    b.samples16 = {65535};
    const StandardMetrics m = ComputeStandardMetrics(a, b);
    EXPECT_EQ(m.mse, 4294836225.0);
    EXPECT_EQ(m.psnr, 0.0);
    EXPECT_EQ(m.maxAbsDiff, 65535u);
    EXPECT_EQ(m.changedSamples, 1u);
}

TEST(StandardMetrics, PnmPeakSetsPsnrScale) {
    // maxval 1023 stored in 16 bits: the same differences give PSNR on 1023.
    Image a = Make(2, 2, ChannelLayout::Grey, 16, 1023);
    Image b = a;
    b.samples16 = {1, 0, 0, 3};  // squares 1 + 9 over 4
    const StandardMetrics m = ComputeStandardMetrics(a, b);
    EXPECT_EQ(m.peak, 1023u);
    EXPECT_EQ(m.mse, 2.5);
    EXPECT_DOUBLE_EQ(m.psnr, 10 * std::log10(1023.0 * 1023.0 / 2.5));
}

// A large 16-bit pair whose squared sum exceeds 2^53: the sum is exact, so
// the MSE is the one rounding of sum / count.
TEST(StandardMetrics, LargeSumsStayExact) {
    Image a = Make(4096, 1024, ChannelLayout::Rgb, 16);
    Image b = a;
    for (size_t i = 0; i < b.samples16.size(); ++i) b.samples16[i] = static_cast<uint16_t>(65535 - (i % 3));
    unsigned __int128 sum = 0;
    for (size_t i = 0; i < b.samples16.size(); ++i) sum += static_cast<uint64_t>(b.samples16[i]) * b.samples16[i];
    ASSERT_GT(sum, static_cast<unsigned __int128>(1) << 53);
    const StandardMetrics m = ComputeStandardMetrics(a, b, {.threads = 2});
    const long double expected = static_cast<long double>(sum) / static_cast<long double>(b.samples16.size());
    EXPECT_EQ(m.mse, static_cast<double>(expected));
    EXPECT_EQ(m.channels[2].mse, 65533.0 * 65533.0);
}

// ---- SSIM availability ---------------------------------------------------------

TEST(StandardMetrics, SsimRefusedBelowTheWindowWithAReason) {
    for (const auto& [w, h] : {std::pair{10, 40}, std::pair{40, 10}, std::pair{7, 7}, std::pair{1, 1000}}) {
        const Image a = Noise(w, h, ChannelLayout::Rgb, 8, 1);
        const Image b = Noise(w, h, ChannelLayout::Rgb, 8, 2);
        const StandardMetrics m = ComputeStandardMetrics(a, b, {.ssim = true});
        EXPECT_FALSE(m.ssim.has_value());
        ASSERT_TRUE(m.ssimUnavailable.has_value());
        EXPECT_EQ(*m.ssimUnavailable, "SSIM needs images of at least 11 x 11 pixels (the Gaussian window); these are " +
                                          std::to_string(w) + " x " + std::to_string(h));
        for (const ChannelMetrics& c : m.channels) EXPECT_FALSE(c.ssim.has_value());
        EXPECT_GT(m.mse, 0.0);  // the rest is still computed
    }
    const Image smallestA = Noise(11, 11, ChannelLayout::Grey, 8, 1);
    const Image smallestB = Noise(11, 11, ChannelLayout::Grey, 8, 2);
    const StandardMetrics m = ComputeStandardMetrics(smallestA, smallestB, {.ssim = true});
    EXPECT_TRUE(m.ssim.has_value());
    EXPECT_FALSE(m.ssimUnavailable.has_value());
}

// ---- threads -------------------------------------------------------------------

void ExpectSameBits(const StandardMetrics& x, const StandardMetrics& y) {
    EXPECT_EQ(std::memcmp(&x.mse, &y.mse, sizeof x.mse), 0);
    EXPECT_EQ(std::memcmp(&x.psnr, &y.psnr, sizeof x.psnr), 0);
    ASSERT_TRUE(x.ssim && y.ssim);
    EXPECT_EQ(std::memcmp(&*x.ssim, &*y.ssim, sizeof(double)), 0) << *x.ssim << " vs " << *y.ssim;
    EXPECT_EQ(x.changedSamples, y.changedSamples);
    EXPECT_EQ(x.maxAbsDiff, y.maxAbsDiff);
    ASSERT_EQ(x.channels.size(), y.channels.size());
    for (size_t c = 0; c < x.channels.size(); ++c) {
        EXPECT_EQ(std::memcmp(&x.channels[c].mse, &y.channels[c].mse, sizeof(double)), 0);
        EXPECT_EQ(std::memcmp(&*x.channels[c].ssim, &*y.channels[c].ssim, sizeof(double)), 0);
    }
}

// Large enough for several difference tasks, SSIM strips and column tiles.
class ThreadedPair : public testing::Test {
protected:
    static void SetUpTestSuite() {
        a_ = new Image(Noise(1200, 700, ChannelLayout::Rgb, 8, 11));
        b_ = new Image(*a_);
        std::mt19937 rng(5);
        for (auto& s : b_->samples8)
            if (rng() % 4 == 0) s = static_cast<uint8_t>(s + rng() % 9);
    }
    static void TearDownTestSuite() {
        delete a_;
        delete b_;
    }
    static Image* a_;
    static Image* b_;
};
Image* ThreadedPair::a_ = nullptr;
Image* ThreadedPair::b_ = nullptr;

TEST_F(ThreadedPair, EveryThreadCountGivesTheSameBits) {
    const StandardMetrics one = ComputeStandardMetrics(*a_, *b_, {.ssim = true, .threads = 1});
    EXPECT_GT(one.changedSamples, 0u);
    for (unsigned threads : {2u, 3u, 8u, 0u}) {
        SCOPED_TRACE(threads);
        ExpectSameBits(ComputeStandardMetrics(*a_, *b_, {.ssim = true, .threads = threads}), one);
    }
}

TEST_F(ThreadedPair, FailedThreadStartsFallBackToTheCallingThread) {
    const StandardMetrics one = ComputeStandardMetrics(*a_, *b_, {.ssim = true, .threads = 1});
    for (const auto& [failAt, andLater] : {std::pair{1, true}, std::pair{2, true}, std::pair{2, false}}) {
        SCOPED_TRACE(failAt);
        FailingThreadStarts failing(failAt, andLater);
        const StandardMetrics m = ComputeStandardMetrics(*a_, *b_, {.ssim = true, .threads = 4});
        EXPECT_GE(failing.Starts(), failAt);
        ExpectSameBits(m, one);
    }
}

// The loops for any x86-64 and the AVX2 ones (where the processor has it)
// differ only in rounding; 8- and 16-bit, every layout.
TEST(ChannelSsim, PlainLoopsAgreeWithTheChosenOnes) {
    for (int bits : {8, 16}) {
        for (ChannelLayout layout :
             {ChannelLayout::Grey, ChannelLayout::GreyAlpha, ChannelLayout::Rgb, ChannelLayout::Rgba}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(ChannelCount(layout)) + " channels");
            const Image a = Noise(300, 50, layout, bits, 21);
            Image b = a;
            std::mt19937 rng(8);
            for (auto& s : b.samples8) s = static_cast<uint8_t>(s ^ (rng() % 8));
            for (auto& s : b.samples16) s = static_cast<uint16_t>(s ^ (rng() % 2048));
            const std::vector<double> chosen = ChannelSsim(a, b, 2);
            const std::vector<double> plain = ChannelSsim(a, b, 2, true);
            ASSERT_EQ(chosen.size(), plain.size());
            for (size_t c = 0; c < chosen.size(); ++c) {
                EXPECT_NEAR(chosen[c], plain[c], 1e-12);
                EXPECT_LT(chosen[c], 1.0);
            }
        }
    }
}

}  // namespace
