// The LSB estimators without Python: the tail probability against closed
// forms, what every image gives (an estimate in range or a reason, never
// NaN), flat pictures, the chi-square profile against prefixes, channels
// of the layouts and the refusals. stego_reference_test.cpp checks the
// numbers against numpy.
#include "detect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "error.h"
#include "payload_estimate.h"

namespace {

// Q(k/2, x/2) from the closed forms: for even k, e^{-x/2} sum_{j<k/2}
// (x/2)^j / j!; for odd k, erfc(sqrt(x/2)) and Q(a+1, y) = Q(a, y) +
// y^a e^{-y} / Gamma(a+1).
double ClosedFormTail(int k, double x) {
    const double y = x / 2;
    if (k % 2 == 0) {
        double term = std::exp(-y), sum = 0;
        for (int j = 0; j < k / 2; ++j) {
            sum += term;
            term *= y / (j + 1);
        }
        return sum;
    }
    double q = std::erfc(std::sqrt(y));
    double term = std::sqrt(y) * std::exp(-y) / std::tgamma(1.5);  // y^(1/2) e^-y / Gamma(3/2)
    for (double a = 0.5; a + 1 <= k / 2.0; a += 1) {
        q += term;
        term *= y / (a + 1);
    }
    return q;
}

TEST(ChiSquareTail, MatchesClosedForms) {
    for (int k : {1, 2, 3, 4, 5, 8, 9, 16, 33, 64, 127}) {
        for (double x : {0.0, 1e-6, 0.3, 1.0, 2.5, k - 1.0, 1.0 * k, k + 1.5, 2.0 * k, 4.0 * k + 20, 200.0, 700.0}) {
            const double expected = ClosedFormTail(k, x);
            EXPECT_NEAR(ChiSquareTail(k, x), expected, 1e-13 * expected + 1e-290) << "k " << k << ", x " << x;
        }
    }
}

TEST(ChiSquareTail, Limits) {
    EXPECT_EQ(ChiSquareTail(5, 0.0), 1.0);
    EXPECT_EQ(ChiSquareTail(5, 1e6), 0.0);
    EXPECT_EQ(ChiSquareTail(127, INFINITY), 0.0);
    // Near the mean the tail is near one half, falling as the statistic grows.
    EXPECT_NEAR(ChiSquareTail(100, 99.334), 0.5, 1e-4);
    EXPECT_GT(ChiSquareTail(10, 9.0), ChiSquareTail(10, 10.0));
}

void ExpectWellFormed(const PayloadEstimate& e) {
    if (e.raw) {
        EXPECT_TRUE(std::isfinite(*e.raw));
        ASSERT_TRUE(e.clamped.has_value());
        EXPECT_GE(*e.clamped, 0.0);
        EXPECT_LE(*e.clamped, 1.0);
        EXPECT_EQ(*e.clamped, std::clamp(*e.raw, 0.0, 1.0));
        EXPECT_TRUE(e.reason.empty());
    } else {
        EXPECT_FALSE(e.clamped.has_value());
        EXPECT_FALSE(e.reason.empty());
    }
}

// Every size from empty to 7 x 7, few values and many, at the edges of the
// range: an estimate in range or a reason, never NaN.
TEST(LsbEstimators, EveryImageGetsAnEstimateOrAReason) {
    std::mt19937 random(7);
    for (int32_t w = 0; w <= 7; ++w) {
        for (int32_t h = 0; h <= 7; ++h) {
            for (int spread : {1, 2, 3, 256}) {
                for (int base : {0, 100, 254}) {
                    std::vector<uint8_t> samples(static_cast<size_t>(w * h) + 1);
                    for (uint8_t& s : samples)
                        s = static_cast<uint8_t>(std::min<unsigned>(255, base + random() % spread));
                    const SamplePlane plane = GreyPlane(samples.data(), w, h);
                    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
                    ExpectWellFormed(RsAnalysis(plane));
                    ExpectWellFormed(SamplePairAnalysis(plane));
                    ExpectWellFormed(WeightedStego(plane));
                    const ChiSquareResult chi = ChiSquareAttack(plane);
                    for (const ChiSquareStep& step : chi.profile) {
                        EXPECT_EQ(step.probability.has_value(), step.reason.empty());
                        EXPECT_TRUE(std::isfinite(step.statistic));
                    }
                }
            }
        }
    }
}

// A flat picture carries no payload: RS, SPA and WS say 0 exactly (their
// equations have the root 0), the chi-square attack has one category only.
TEST(LsbEstimators, FlatPictureEstimatesZero) {
    for (uint8_t value : {0, 77, 128, 255}) {
        std::vector<uint8_t> samples(24 * 10, value);
        const SamplePlane plane = GreyPlane(samples.data(), 24, 10);
        for (const PayloadEstimate& e : {RsAnalysis(plane), SamplePairAnalysis(plane), WeightedStego(plane)}) {
            ASSERT_TRUE(e.raw.has_value()) << e.reason;
            EXPECT_EQ(*e.raw, 0.0);
        }
        const ChiSquareResult chi = ChiSquareAttack(plane);
        EXPECT_EQ(chi.whole.categories, 1);
        EXPECT_FALSE(chi.whole.probability.has_value());
        EXPECT_FALSE(chi.whole.reason.empty());
    }
}

// On a flat picture every prediction comes from neighbours flipped with
// probability p / 2 too: the papers' WS then expects 2p - p^2, and the
// bias correction brings it back to p.
TEST(WeightedStego, CorrectionTakesOutThePredictorsBias) {
    std::mt19937 random(17);
    for (const double rate : {0.1, 0.4, 0.7}) {
        std::vector<uint8_t> samples(300 * 300, 100);
        std::bernoulli_distribution carries(rate);
        for (uint8_t& s : samples)
            if (carries(random)) s = static_cast<uint8_t>((s & 0xFE) | (random() & 1));
        const SamplePlane plane = GreyPlane(samples.data(), 300, 300);
        const PayloadEstimate plain = WeightedStego(plane, WsBias::Plain), corrected = WeightedStego(plane);
        ASSERT_TRUE(plain.raw && corrected.raw);
        EXPECT_NEAR(*plain.raw, 2 * rate - rate * rate, 0.02) << rate;
        EXPECT_NEAR(*corrected.raw, rate, 0.02) << rate;
    }
}

struct TooSmall {
    int32_t width, height;
    bool rs, spa, ws;  // whether each has what it needs
};

void PrintTo(const TooSmall& t, std::ostream* out) { *out << t.width << "x" << t.height; }

class TooSmallImages : public testing::TestWithParam<TooSmall> {};

TEST_P(TooSmallImages, SayWhy) {
    const TooSmall t = GetParam();
    std::vector<uint8_t> samples(static_cast<size_t>(t.width * t.height) + 1);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(37 * i + 11 * (i / 3));
    const SamplePlane plane = GreyPlane(samples.data(), t.width, t.height);
    const PayloadEstimate rs = RsAnalysis(plane), spa = SamplePairAnalysis(plane), ws = WeightedStego(plane);
    // Big enough for its groups or pairs, an estimator may still find its
    // equation degenerate, but not for want of them.
    EXPECT_EQ(rs.reason == "no group of 4 horizontally adjacent samples", !t.rs);
    EXPECT_EQ(spa.reason == "no pair of horizontally adjacent samples", !t.spa);
    EXPECT_EQ(ws.HasEstimate(), t.ws);
    if (!t.ws) {
        EXPECT_EQ(ws.reason, "no interior sample: the image is narrower or shorter than 3 samples");
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TooSmallImages,
                         testing::Values(TooSmall{0, 0, false, false, false}, TooSmall{1, 1, false, false, false},
                                         TooSmall{3, 5, false, true, true}, TooSmall{4, 2, true, true, false},
                                         TooSmall{1, 9, false, false, false}, TooSmall{9, 2, true, true, false},
                                         TooSmall{2, 3, false, true, false}),
                         [](const testing::TestParamInfo<TooSmall>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

std::vector<uint8_t> Noise(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> samples(n);
    for (uint8_t& s : samples) s = static_cast<uint8_t>(120 + random() % 9 + (random() % 7 == 0 ? 60 : 0));
    return samples;
}

// Each profile step is the attack on the plane's first samples: here whole
// rows, so a plane of those rows alone gives the same numbers.
TEST(ChiSquareAttack, ProfileStepsArePrefixes) {
    const int32_t width = 50, height = 40;  // 2000 samples: every 5% is whole rows
    const std::vector<uint8_t> samples = Noise(width * height, 3);
    const SamplePlane plane = GreyPlane(samples.data(), width, height);
    const ChiSquareResult chi = ChiSquareAttack(plane);
    ASSERT_EQ(chi.profile.size(), kChiSquareProfilePercents.size());
    for (size_t i = 1; i < chi.profile.size(); ++i) {
        const ChiSquareStep& step = chi.profile[i];
        ASSERT_EQ(step.samples % width, 0u);
        const ChiSquareResult prefix =
            ChiSquareAttack(GreyPlane(samples.data(), width, static_cast<int32_t>(step.samples / width)));
        EXPECT_EQ(step.statistic, prefix.whole.statistic) << step.percent;
        EXPECT_EQ(step.categories, prefix.whole.categories);
        EXPECT_EQ(step.probability, prefix.whole.probability);
    }
    EXPECT_EQ(chi.profile.back().samples, 2000u);
    EXPECT_EQ(chi.profile.back().statistic, chi.whole.statistic);
    EXPECT_EQ(chi.profile.front().samples, 20u);
}

// Steps asked in any order come back in that order; percents outside
// 1..100 are taken as the nearest end.
TEST(ChiSquareAttack, StepsInTheOrderAsked) {
    const std::vector<uint8_t> samples = Noise(30 * 20, 5);
    const SamplePlane plane = GreyPlane(samples.data(), 30, 20);
    const std::vector<int> asked = {100, 40, 0, 40, 250, 7};
    const ChiSquareResult chi = ChiSquareAttack(plane, asked);
    ASSERT_EQ(chi.profile.size(), asked.size());
    const std::vector<int> percents = {100, 40, 1, 40, 100, 7};
    const std::vector<uint64_t> counts = {600, 240, 6, 240, 600, 42};
    for (size_t i = 0; i < asked.size(); ++i) {
        EXPECT_EQ(chi.profile[i].percent, percents[i]);
        EXPECT_EQ(chi.profile[i].samples, counts[i]);
        const ChiSquareResult alone = ChiSquareAttack(plane, std::vector<int>{percents[i]});
        EXPECT_EQ(chi.profile[i].statistic, alone.profile[0].statistic);
    }
    EXPECT_EQ(chi.profile[0].statistic, chi.whole.statistic);
    EXPECT_TRUE(ChiSquareAttack(plane, std::vector<int>{}).profile.empty());
}

// Every sample's LSB replaced at random levels each pair of values: the
// attack sees it. The cover, three quarters even, is far from level.
TEST(ChiSquareAttack, SeesAFullPayload) {
    std::mt19937 random(11);
    std::vector<uint8_t> cover(100 * 100);
    for (uint8_t& s : cover) s = static_cast<uint8_t>(2 * (random() % 100) + (random() % 4 == 0));
    std::vector<uint8_t> stego = cover;
    for (uint8_t& s : stego) s = static_cast<uint8_t>((s & 0xFE) | (random() & 1));
    const ChiSquareResult clean = ChiSquareAttack(GreyPlane(cover.data(), 100, 100));
    const ChiSquareResult full = ChiSquareAttack(GreyPlane(stego.data(), 100, 100));
    ASSERT_TRUE(clean.whole.probability && full.whole.probability);
    EXPECT_LT(*clean.whole.probability, 1e-6);
    EXPECT_GT(*full.whole.probability, 0.5);
}

// The vector loops (AVX2 where there is, SSE2) against the ones that take a
// sample or group at a time, on every width around their block sizes
// (8 and 16 samples, 128 groups) and every kind of picture: RS counts
// exactly equal, WS sums equal but for their order.
TEST(DetectLoops, VectorLoopsEqualPortableOnes) {
    using namespace detect_internal;
    std::mt19937 random(23);
    for (int32_t width : {3, 4, 5, 8, 9, 10, 11, 17, 18, 19, 25, 26, 33, 34, 35, 63, 100, 515, 516, 517, 530}) {
        for (int kind = 0; kind < 4; ++kind) {
            const int32_t height = 5;
            std::vector<uint8_t> samples(static_cast<size_t>(width) * height);
            for (size_t i = 0; i < samples.size(); ++i) {
                const unsigned r = random();
                samples[i] = static_cast<uint8_t>(kind == 0   ? r                                    // noise
                                                  : kind == 1 ? 120 + r % 5                          // gentle
                                                  : kind == 2 ? (r % 2) * 255                        // saturated
                                                              : (i % width) * 255 / width + r % 3);  // ramp
            }
            const SamplePlane plane = GreyPlane(samples.data(), width, height);
            SCOPED_TRACE("width " + std::to_string(width) + ", kind " + std::to_string(kind));
            const RsCounts rs = RsCountsOf(plane, Loops::Portable);
            const WsSums ws = WsSumsOf(plane, Loops::Portable);
            for (Loops loops : {Loops::Fast, Loops::Baseline}) {
                const RsCounts r = RsCountsOf(plane, loops);
                EXPECT_EQ(r.d0, rs.d0);
                EXPECT_EQ(r.dn0, rs.dn0);
                EXPECT_EQ(r.d1, rs.d1);
                EXPECT_EQ(r.dn1, rs.dn1);
                const WsSums w = WsSumsOf(plane, loops);
                EXPECT_NEAR(w.residual, ws.residual, 1e-12 * std::max(1.0, std::fabs(ws.residual)));
                EXPECT_NEAR(w.parity, ws.parity, 1e-12 * std::max(1.0, std::fabs(ws.parity)));
                EXPECT_NEAR(w.weight, ws.weight, 1e-12 * ws.weight);
            }
            EXPECT_NE(ws.weight, 0.0);
        }
    }
}

Image Interleaved(ChannelLayout layout, int32_t width, int32_t height) {
    Image image;
    image.width = width;
    image.height = height;
    image.layout = layout;
    const std::vector<uint8_t> samples = Noise(image.SampleCount(), 9);
    image.samples8.assign(samples.begin(), samples.end());
    return image;
}

// One plane per colour channel, alpha left out; each the same as its
// samples copied into a grey plane of their own.
TEST(DetectLsbEmbedding, ColourChannelsOnly) {
    const struct {
        ChannelLayout layout;
        std::vector<std::string_view> names;
    } layouts[] = {{ChannelLayout::Grey, {"Y"}},
                   {ChannelLayout::GreyAlpha, {"Y"}},
                   {ChannelLayout::Rgb, {"R", "G", "B"}},
                   {ChannelLayout::Rgba, {"R", "G", "B"}}};
    for (const auto& l : layouts) {
        const Image image = Interleaved(l.layout, 23, 17);
        const std::vector<ChannelDetection> found = DetectLsbEmbedding(image);
        ASSERT_EQ(found.size(), l.names.size());
        for (size_t c = 0; c < found.size(); ++c) {
            EXPECT_EQ(found[c].name, l.names[c]);
            std::vector<uint8_t> own;
            for (size_t i = c; i < image.samples8.size(); i += static_cast<size_t>(image.Channels()))
                own.push_back(image.samples8[i]);
            const SamplePlane plane = GreyPlane(own.data(), 23, 17);
            EXPECT_EQ(found[c].rs.raw, RsAnalysis(plane).raw);
            EXPECT_EQ(found[c].spa.raw, SamplePairAnalysis(plane).raw);
            // A plane of one channel takes the vector loops, the others the
            // portable ones: the sums differ in their order only.
            EXPECT_NEAR(*found[c].ws.raw, *WeightedStego(plane).raw, 1e-12);
            EXPECT_EQ(found[c].chiSquare.whole.statistic, ChiSquareAttack(plane).whole.statistic);
        }
    }
}

TEST(DetectLsbEmbedding, RefusesOtherDepthsAndShortSamples) {
    Image deep;
    deep.width = 4;
    deep.height = 4;
    deep.layout = ChannelLayout::Grey;
    deep.bitDepth = 16;
    deep.peak = 65535;
    deep.samples16.assign(16, 1000);
    try {
        DetectLsbEmbedding(deep);
        FAIL() << "a 16-bit image was taken";
    } catch (const CitraError& e) {
        EXPECT_EQ(e.Kind(), ErrorKind::Refused);
        EXPECT_NE(std::string(e.what()).find("16-bit"), std::string::npos) << e.what();
    }
    Image shortImage = Interleaved(ChannelLayout::Rgb, 5, 5);
    ImageView view(shortImage);
    view.held -= 1;
    EXPECT_THROW(DetectLsbEmbedding(view), CitraError);
}

}  // namespace
