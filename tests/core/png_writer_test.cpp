// The PNG files the tool writes decode to the image they were made from,
// whichever way they were encoded (filtered by libspng, or unfiltered and
// deflated at once), and carry their text.
#include "png_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <span>

#include "error.h"
#include "image_reader.h"

namespace {

struct Case {
    const char* name;
    ChannelLayout layout;
    int32_t width, height;
    PngSettings settings;
};

Image Noise(const Case& c) {
    Image image;
    image.width = c.width;
    image.height = c.height;
    image.layout = c.layout;
    image.samples8.resize(image.SampleCount());
    std::mt19937 rng(static_cast<uint32_t>(c.width * 31 + c.height));
    for (size_t i = 0; i < image.samples8.size(); ++i)
        image.samples8[i] = static_cast<uint8_t>(i % 97 < 60 ? 7 : rng());  // flat runs and noise
    return image;
}

const Case kCases[] = {
    {"grey_unfiltered", ChannelLayout::Grey, 33, 17, kDifferencePng},
    {"grey_alpha_unfiltered", ChannelLayout::GreyAlpha, 1, 1, kDifferencePng},
    {"rgb_unfiltered", ChannelLayout::Rgb, 640, 480, kDifferencePng},
    {"rgba_unfiltered_level_6", ChannelLayout::Rgba, 129, 3, PngSettings{6, false}},
    {"rgb_filtered", ChannelLayout::Rgb, 200, 150, PngSettings{}},
    {"grey_filtered", ChannelLayout::Grey, 1, 300, PngSettings{}},
};

class PngWriter : public ::testing::TestWithParam<Case> {};

TEST_P(PngWriter, DecodesToTheSameSamplesWithItsText) {
    const Image image = Noise(GetParam());
    const std::string file = EncodePng(image, {{"Software", "citra"}, {"Title", "peta beda"}}, GetParam().settings);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    const Image back = ReadImage(bytes, "png", "written.png");
    EXPECT_EQ(back.width, image.width);
    EXPECT_EQ(back.height, image.height);
    EXPECT_EQ(back.layout, image.layout);
    EXPECT_TRUE(back.samples8 == image.samples8);
    EXPECT_NE(file.find(std::string("tEXtTitle\0peta beda", 19)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, PngWriter, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngWriterRefuses, AnEmptyImageOrABadKeyword) {
    Image empty;
    EXPECT_THROW(EncodePng(empty, {}, kDifferencePng), CitraError);
    Image one;
    one.width = one.height = 1;
    one.layout = ChannelLayout::Grey;
    one.samples8 = {1};
    EXPECT_THROW(EncodePng(one, {{std::string(80, 'k'), "x"}}, kDifferencePng), CitraError);
    EXPECT_THROW(EncodePng(one, {{"", "x"}}, kDifferencePng), CitraError);
}

}  // namespace
