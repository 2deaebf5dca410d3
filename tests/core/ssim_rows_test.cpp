// SSIM from rows handed over a band at a time against SSIM of the images
// in memory: the same bits for every band height, thread count and shape,
// and for bitmap files of either row order read band by band.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bitmap_ssim.h"
#include "bmp_builder.h"
#include "image_reader.h"
#include "scratch_dir.h"
#include "ssim.h"

namespace {

using namespace bmp_builder;

// An image's rows, handed over as asked; records that the rows come in
// order and that no more than a band and the window's rows are asked for.
class MemoryRows : public ImageRows {
public:
    explicit MemoryRows(const Image& image) : image_(image) {}
    void Read(size_t first, size_t count, uint8_t* out) override {
        EXPECT_EQ(first, next_);
        next_ = first + count;
        largest_ = std::max(largest_, count);
        const size_t rowSamples = static_cast<size_t>(image_.width) * static_cast<size_t>(image_.Channels());
        std::memcpy(out, image_.samples8.data() + first * rowSamples, count * rowSamples);
    }
    size_t Largest() const { return largest_; }

private:
    const Image& image_;
    size_t next_ = 0;
    size_t largest_ = 0;
};

// A smooth picture with noise, and a noisier copy.
std::pair<Image, Image> Pair(int32_t width, int32_t height, ChannelLayout layout, uint32_t seed) {
    std::mt19937 random(seed);
    Image a;
    a.width = width;
    a.height = height;
    a.layout = layout;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < a.Channels(); ++c)
                a.samples8.push_back(static_cast<uint8_t>((x * 7 + y * 3 + c * 40 + random() % 23) % 256));
    Image b = a;
    for (uint8_t& v : b.samples8) v = static_cast<uint8_t>(std::clamp<int>(v + static_cast<int>(random() % 31) - 15, 0, 255));
    return {a, b};
}

void ExpectSameBits(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t c = 0; c < want.size(); ++c)
        EXPECT_EQ(std::bit_cast<uint64_t>(got[c]), std::bit_cast<uint64_t>(want[c])) << "channel " << c;
}

TEST(SsimByRows, EveryBandAndThreadCountGivesTheBitsOfTheWholeImages) {
    struct Shape {
        int32_t width, height;
        ChannelLayout layout;
    };
    for (const Shape& shape : {Shape{11, 11, ChannelLayout::Rgb}, Shape{12, 40, ChannelLayout::Grey},
                               Shape{140, 37, ChannelLayout::Rgb}, Shape{37, 140, ChannelLayout::Rgba}}) {
        const auto [a, b] = Pair(shape.width, shape.height, shape.layout, static_cast<uint32_t>(shape.width));
        const std::vector<double> want = ChannelSsim(a, b, 1);
        for (size_t band : {size_t{1}, size_t{2}, size_t{7}, size_t{32}, size_t{128}, size_t{1000}}) {
            for (unsigned threads : {1u, 3u}) {
                SCOPED_TRACE(std::to_string(shape.width) + " x " + std::to_string(shape.height) + ", band " +
                             std::to_string(band) + ", threads " + std::to_string(threads));
                MemoryRows rowsA(a), rowsB(b);
                ExpectSameBits(ChannelSsimByRows(rowsA, rowsB, static_cast<size_t>(a.width),
                                                 static_cast<size_t>(a.height), static_cast<size_t>(a.Channels()),
                                                 255, threads, band),
                               want);
                // Never more than the band and the window's 10 rows at once.
                EXPECT_LE(rowsA.Largest(), band + 10);
            }
        }
    }
}

// 13 pixels wide: rows padded to 40 bytes; top-down and bottom-up files,
// and the two orders against each other.
TEST(SsimByRows, BitmapFilesGiveTheSsimOfTheirDecodedPixels) {
    const ScratchDir dir;
    const auto write = [&](const std::string& name, int32_t height, uint8_t seed) {
        BmpSpec spec{.width = 13, .height = height, .bitsPerPixel = 24};
        spec.pixels = PatternBytes(RasterBytes(spec), seed);
        return dir.Write(name, BuildBmp(spec));
    };
    const std::vector<std::string> files{write("a.bmp", 150, 1), write("b.bmp", 150, 2), write("c.bmp", -150, 3)};
    for (const std::string& first : files) {
        for (const std::string& second : files) {
            SCOPED_TRACE(first + " / " + second);
            const Image firstImage = ReadImage(first), secondImage = ReadImage(second);
            const std::vector<double> want = ChannelSsim(firstImage, secondImage, 1);
            BitmapFileStream a(first), b(second);
            ExpectSameBits(BitmapPairSsim(a, b, 2), want);
        }
    }
}

}  // namespace
