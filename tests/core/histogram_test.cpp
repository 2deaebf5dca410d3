#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "bmp_builder.h"
#include "histogram.h"
#include "scratch_dir.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// A 24-bit bitmap whose pixels are given top row first; every fill byte at
// the end of a row is set to `fill`.
std::unique_ptr<Bitmap> Make24(int32_t width, int32_t height, const std::vector<Rgb>& topFirst,
                               bool topDown = false, uint8_t fill = 0xEE) {
    auto bitmap = std::make_unique<Bitmap>();
    if (!bitmap->Allocate(width, height, 24, topDown)) return nullptr;
    std::memset(bitmap->MutableData(), fill, bitmap->DataSize());
    for (int32_t y = 0; y < height; ++y) {
        const int32_t stored = topDown ? y : height - 1 - y;
        uint8_t* row = bitmap->MutableData() + static_cast<size_t>(stored) * bitmap->Stride();
        for (int32_t x = 0; x < width; ++x) {
            const Rgb& p = topFirst[static_cast<size_t>(y) * width + x];
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
    }
    return bitmap;
}

void ExpectAllZero(const ChannelHistogram& h) {
    for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(h.Red[v], 0) << v;
        ASSERT_EQ(h.Green[v], 0) << v;
        ASSERT_EQ(h.Blue[v], 0) << v;
    }
    EXPECT_EQ(h.Peak, 0);
}

int64_t Sum(const std::array<int32_t, 256>& counts) {
    return std::accumulate(counts.begin(), counts.end(), int64_t{0});
}

TEST(ChannelHistogram, OnePixelCountsEachChannelByItsByte) {
    auto bitmap = Make24(1, 1, {{48, 32, 16}});
    ASSERT_TRUE(bitmap);
    // Stored as blue, green, red: 16, 32, 48.
    EXPECT_EQ(bitmap->Data()[0], 16);
    const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
    EXPECT_EQ(h.Red[48], 1);
    EXPECT_EQ(h.Green[32], 1);
    EXPECT_EQ(h.Blue[16], 1);
    EXPECT_EQ(Sum(h.Red) + Sum(h.Green) + Sum(h.Blue), 3);
    EXPECT_EQ(h.Peak, 1);
}

TEST(ChannelHistogram, FillBytesAreNeverCounted) {
    // 3 x 2: rows of 9 pixel bytes and 3 fill bytes, in both row orders.
    for (bool topDown : {false, true}) {
        for (int fill : {0x00, 0x07, 0xFF}) {
            auto bitmap = Make24(3, 2, std::vector<Rgb>(6, {200, 100, 7}), topDown,
                                 static_cast<uint8_t>(fill));
            ASSERT_TRUE(bitmap);
            ASSERT_EQ(bitmap->Stride(), 12u);
            const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
            EXPECT_EQ(h.Red[200], 6);
            EXPECT_EQ(h.Green[100], 6);
            EXPECT_EQ(h.Blue[7], 6);
            EXPECT_EQ(Sum(h.Red) + Sum(h.Green) + Sum(h.Blue), 18) << "fill " << fill;
            EXPECT_EQ(h.Peak, 6);
        }
    }
}

TEST(ChannelHistogram, GreyPictureGivesThreeEqualArrays) {
    std::vector<Rgb> pixels;
    for (int i = 0; i < 35; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 37);
        pixels.push_back({v, v, v});
    }
    auto bitmap = Make24(7, 5, pixels);
    const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
    EXPECT_EQ(h.Red, h.Green);
    EXPECT_EQ(h.Red, h.Blue);
    EXPECT_EQ(Sum(h.Red), 35);
}

TEST(ChannelHistogram, PeakIsTakenAcrossChannels) {
    auto bitmap = Make24(2, 2, {{10, 20, 30}, {10, 21, 31}, {10, 22, 32}, {11, 23, 33}});
    const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
    EXPECT_EQ(h.Red[10], 3);
    EXPECT_EQ(h.Red[11], 1);
    EXPECT_EQ(h.Peak, 3);
    // The peak may also sit in the last channel looked at.
    auto blueHeavy = Make24(2, 2, {{1, 2, 9}, {3, 4, 9}, {5, 6, 9}, {7, 8, 9}});
    EXPECT_EQ(ComputeChannelHistogram(*blueHeavy).Peak, 4);
}

// Every width from 1 to 13 crosses the four-pixel steps and their remainder
// differently; compared with a plain count of the same pixels.
TEST(ChannelHistogram, MatchesPlainCountForEveryWidthAndRowOrder) {
    std::mt19937 rng(1234);
    for (int32_t width = 1; width <= 13; ++width) {
        for (bool topDown : {false, true}) {
            const int32_t height = 1 + width % 4;
            std::vector<Rgb> pixels(static_cast<size_t>(width) * height);
            // A narrow value range makes repeated values in neighbouring pixels.
            for (Rgb& p : pixels)
                p = {static_cast<uint8_t>(rng() % 4), static_cast<uint8_t>(rng() % 256),
                     static_cast<uint8_t>(250 + rng() % 6)};
            auto bitmap = Make24(width, height, pixels, topDown, static_cast<uint8_t>(rng()));
            ASSERT_TRUE(bitmap);

            ChannelHistogram expected;
            for (const Rgb& p : pixels) {
                ++expected.Red[p.r];
                ++expected.Green[p.g];
                ++expected.Blue[p.b];
            }
            const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
            EXPECT_EQ(h.Red, expected.Red) << width << (topDown ? " top-down" : "");
            EXPECT_EQ(h.Green, expected.Green) << width;
            EXPECT_EQ(h.Blue, expected.Blue) << width;
            int32_t peak = 0;
            for (int v = 0; v < 256; ++v)
                peak = std::max({peak, expected.Red[v], expected.Green[v], expected.Blue[v]});
            EXPECT_EQ(h.Peak, peak);
        }
    }
}

// A picture large enough to be counted in row bands on several cores: each
// row carries its own values, so a row counted twice or skipped at a band's
// edge shows in the counts.
TEST(ChannelHistogram, LargePictureCountedInBandsMatchesPlainCount) {
    for (bool topDown : {false, true}) {
        const int32_t width = 2899, height = 3001;
        auto bitmap = std::make_unique<Bitmap>();
        ASSERT_TRUE(bitmap->Allocate(width, height, 24, topDown));
        ChannelHistogram expected;
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = bitmap->MutableData() + static_cast<size_t>(y) * bitmap->Stride();
            const auto r = static_cast<uint8_t>(y), g = static_cast<uint8_t>(y / 256), b = static_cast<uint8_t>(y * 7);
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t red = (x == y % width) ? static_cast<uint8_t>(r + 1) : r;
                row[3 * x] = b;
                row[3 * x + 1] = g;
                row[3 * x + 2] = red;
                ++expected.Red[red];
                ++expected.Green[g];
                ++expected.Blue[b];
            }
        }
        const ChannelHistogram h = ComputeChannelHistogram(*bitmap);
        EXPECT_EQ(h.Red, expected.Red) << (topDown ? "top-down" : "bottom-up");
        EXPECT_EQ(h.Green, expected.Green);
        EXPECT_EQ(h.Blue, expected.Blue);
        EXPECT_EQ(h.Peak, *std::max_element(expected.Green.begin(), expected.Green.end()));
    }
}

// A bitmap of another depth is not read as 24-bit pixels: a 1-bit row is far
// shorter than three bytes per pixel, so reading it so would overrun it.
class OtherDepthHistogram : public testing::TestWithParam<int> {};

TEST_P(OtherDepthHistogram, GivesZeroCounts) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.Allocate(9, 3, GetParam() == 0 ? 32 : GetParam(), false));
    bitmap.SetBitsPerPixel(GetParam());
    std::memset(bitmap.MutableData(), 0x5A, bitmap.DataSize());
    ExpectAllZero(ComputeChannelHistogram(bitmap));
}

INSTANTIATE_TEST_SUITE_P(Depths, OtherDepthHistogram, testing::Values(0, 1, 4, 8, 16, 32));

TEST(ChannelHistogram, LoadedPaletteFileKeepsItsBitmapAndGivesZeroCounts) {
    // What an open command leaves after refusing an 8-bit file.
    using namespace bmp_builder;
    BmpSpec spec;
    spec.width = 5;
    spec.height = 3;
    spec.bitsPerPixel = 8;
    spec.colourTable.assign(256, 0x00102030);
    spec.pixels = PatternBytes(RasterBytes(spec));
    ScratchDir dir;
    Picture picture;
    LoadPicture(picture, dir.Write("pal8.bmp", BuildBmp(spec)));
    ASSERT_EQ(picture.Kind(), PictureKind::Bitmap);
    const Bitmap* before = picture.BitmapIfAny();
    ASSERT_EQ(before->BitsPerPixel(), 8);
    ExpectAllZero(ComputeChannelHistogram(picture));
    EXPECT_EQ(picture.BitmapIfAny(), before);
    EXPECT_EQ(picture.Width(), 5);
}

TEST(ChannelHistogram, EmptyPictureStaysEmpty) {
    Picture picture;
    ExpectAllZero(ComputeChannelHistogram(picture));
    EXPECT_EQ(picture.Kind(), PictureKind::Empty);
    EXPECT_EQ(picture.BitmapIfAny(), nullptr);
}

TEST(ChannelHistogram, PictureOfAnotherKindGivesZeroAndIsKept) {
    Picture picture;
    picture.ReplaceWithOther({PictureKind::Jpeg, 10, 10});
    ExpectAllZero(ComputeChannelHistogram(picture));
    EXPECT_EQ(picture.Kind(), PictureKind::Jpeg);
    EXPECT_EQ(picture.Width(), 10);
}

TEST(ChannelHistogram, PictureHoldingBitmapIsCountedAndUnchanged) {
    Picture picture;
    picture.ReplaceWithBitmap(Make24(2, 1, {{1, 2, 3}, {1, 5, 6}}));
    int changes = 0;
    picture.SetChangeListener([&] { ++changes; });
    const Bitmap* before = picture.BitmapIfAny();
    const ChannelHistogram h = ComputeChannelHistogram(picture);
    EXPECT_EQ(h.Red[1], 2);
    EXPECT_EQ(h.Blue[6], 1);
    EXPECT_EQ(h.Peak, 2);
    EXPECT_EQ(picture.BitmapIfAny(), before);
    EXPECT_EQ(changes, 0);
}

}  // namespace
