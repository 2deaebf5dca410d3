// The report's thumbnails and histogram counts against the plain
// arithmetic they stand for, on images of every layout and depth and of
// sizes that do not divide evenly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "sample_histogram.h"
#include "thumbnail.h"

namespace {

struct Shape {
    ChannelLayout layout;
    int bitDepth;
    uint32_t peak;
    int32_t width, height;
};

Image Random(const Shape& shape, uint32_t seed) {
    Image image;
    image.width = shape.width;
    image.height = shape.height;
    image.layout = shape.layout;
    image.bitDepth = shape.bitDepth;
    image.peak = shape.peak;
    std::mt19937 rng(seed);
    // Runs of one value too, as flat areas have.
    uint32_t value = 0;
    const auto next = [&] {
        if (rng() % 4 != 0) value = rng() % (shape.peak + 1);
        return value;
    };
    if (shape.bitDepth == 16) {
        image.samples16.resize(image.SampleCount());
        for (auto& s : image.samples16) s = static_cast<uint16_t>(next());
    } else {
        image.samples8.resize(image.SampleCount());
        for (auto& s : image.samples8) s = static_cast<uint8_t>(next());
    }
    return image;
}

uint32_t SampleAt(const Image& image, size_t i) {
    return image.bitDepth == 16 ? image.samples16[i] : image.samples8[i];
}

const Shape kShapes[] = {
    {ChannelLayout::Grey, 8, 255, 37, 23},     {ChannelLayout::GreyAlpha, 8, 255, 300, 7},
    {ChannelLayout::Rgb, 8, 255, 401, 389},    {ChannelLayout::Rgba, 8, 255, 5, 3},
    {ChannelLayout::Grey, 16, 65535, 250, 251}, {ChannelLayout::Rgb, 16, 1023, 193, 190},
    {ChannelLayout::Rgba, 16, 65535, 64, 640},  {ChannelLayout::Grey, 8, 100, 1, 1},
};

class PictureCounts : public ::testing::TestWithParam<Shape> {};

TEST_P(PictureCounts, ThumbnailIsTheRoundedMeanOfEachCoveredBlock) {
    const Image image = Random(GetParam(), 11);
    const Image thumb = Thumbnail(image, 192, 192);
    const size_t c = static_cast<size_t>(image.Channels());
    const size_t cc = static_cast<size_t>(thumb.Channels());
    const size_t w = static_cast<size_t>(image.width), h = static_cast<size_t>(image.height);
    const size_t ow = static_cast<size_t>(thumb.width), oh = static_cast<size_t>(thumb.height);
    ASSERT_LE(ow, 192u);
    ASSERT_LE(oh, 192u);
    for (size_t oy = 0; oy < oh; ++oy)
        for (size_t ox = 0; ox < ow; ++ox)
            for (size_t ch = 0; ch < cc; ++ch) {
                double sum = 0;
                size_t n = 0;
                for (size_t y = oy * h / oh; y < (oy + 1) * h / oh; ++y)
                    for (size_t x = 0; x < w; ++x)
                        if (x * ow / w == ox) {
                            sum += SampleAt(image, (y * w + x) * c + ch);
                            ++n;
                        }
                const long want = std::lround(sum / static_cast<double>(n) * 255.0 / image.peak);
                ASSERT_EQ(thumb.samples8[(oy * ow + ox) * cc + ch], want) << ox << "," << oy << " ch " << ch;
            }
}

// One output pixel over 70,000 rows of 16-bit samples at their peak: sums
// beyond 32 bits.
TEST(Thumbnail, SumsOfManyRowsDoNotOverflow) {
    Image image = Random({ChannelLayout::Grey, 16, 65535, 1, 70000}, 1);
    std::fill(image.samples16.begin(), image.samples16.end(), uint16_t{65535});
    image.samples16[0] = 0;  // a mean just below the peak still rounds to 255
    const Image thumb = Thumbnail(image, 1, 1);
    ASSERT_EQ(thumb.samples8.size(), 1u);
    EXPECT_EQ(thumb.samples8[0], 255);
}

TEST_P(PictureCounts, HistogramCountsEverySampleOfItsChannel) {
    const Image image = Random(GetParam(), 5);
    const uint32_t bins = DefaultBins(image.peak);
    const SampleHistogram h = CountSamples(image, bins);
    const size_t c = static_cast<size_t>(image.Channels());
    ASSERT_EQ(h.channels.size(), c);
    std::vector<std::vector<uint64_t>> want(c, std::vector<uint64_t>(bins, 0));
    for (size_t i = 0; i < image.SampleCount(); ++i) {
        const uint64_t v = SampleAt(image, i);
        ++want[i % c][v * bins / (uint64_t{image.peak} + 1)];
    }
    EXPECT_EQ(h.counts, want);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PictureCounts, ::testing::ValuesIn(kShapes));

}  // namespace
