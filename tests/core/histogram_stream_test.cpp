// The histogram counted from a bitmap file band by band gives the counts
// of the loaded picture: on the corpus and on made files of both row
// orders, cut short, with rows longer than the buffer, for every buffer
// size and number of bands.
#include "histogram_stream.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "corpus_files.h"
#include "error.h"
#include "load_helpers.h"
#include "metrics.h"
#include "scratch_dir.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif

namespace {

using bmp_builder::BmpSpec;
using bmp_builder::BuildBmp;
using bmp_builder::PatternBytes;
using bmp_builder::RasterBytes;

// The counts of the loaded picture, when the loader takes it as a 24-bit
// bitmap a histogram is computed for.
std::optional<ChannelHistogram> LoadedCounts(const std::string& path) {
    Picture picture;
    if (!LoadError(picture, path).empty() || PairRefusal(PairStep::Original, ShapeOf(picture), {})) return std::nullopt;
    return ComputeChannelHistogram(picture);
}

void ExpectSameCounts(const ChannelHistogram& got, const ChannelHistogram& want) {
    EXPECT_EQ(got.Red, want.Red);
    EXPECT_EQ(got.Green, want.Green);
    EXPECT_EQ(got.Blue, want.Blue);
    EXPECT_EQ(got.Peak, want.Peak);
}

ChannelHistogram Streamed(const std::string& path, size_t bandBytes, unsigned bands) {
    BitmapFileStream stream(path);
    return ComputeChannelHistogramStreamed(path, stream, bandBytes, bands);
}

TEST(StreamedHistogram, CountsOfTheLoadedPictureOnTheCorpus) {
    const std::vector<std::string> files = CorpusBmpFiles();
    if (files.empty()) GTEST_SKIP() << "BMP corpus not found in " << CITRA_BMPSUITE_DIR;
    int counted = 0;
    for (const std::string& file : files) {
        const auto want = LoadedCounts(file);
        if (!want) continue;
        for (const size_t bandBytes : {size_t{1}, size_t{7}, size_t{4096}, StreamBuffers::kDefaultBandBytes}) {
            for (unsigned bands = 0; bands <= 3; ++bands) {
                SCOPED_TRACE(file + ", band bytes " + std::to_string(bandBytes) + ", bands " + std::to_string(bands));
                ExpectSameCounts(Streamed(file, bandBytes, bands), *want);
            }
        }
        ++counted;
    }
    EXPECT_GE(counted, 3);
}

TEST(StreamedHistogram, EveryBufferAndBandSplitOnMadeFiles) {
    const ScratchDir dir;
    const auto spec = [](int32_t width, int32_t height, uint8_t seed) {
        BmpSpec s{.width = width, .height = height, .bitsPerPixel = 24};
        s.pixels = PatternBytes(RasterBytes(s), seed);
        return s;
    };
    const std::vector<std::string> files{
        dir.Write("bottom_up.bmp", BuildBmp(spec(5, 7, 1))),
        dir.Write("top_down.bmp", BuildBmp(spec(5, -7, 2))),
        dir.Write("one_column.bmp", BuildBmp(spec(1, 9, 3))),
        dir.Write("wide.bmp", BuildBmp(spec(37, 3, 4))),  // rows longer than most buffers
        dir.Write("cut_mid_row.bmp", BuildBmp([&] { auto s = spec(5, -7, 5); s.truncateTo = 54 + 37; return s; }())),
        dir.Write("image_size_short.bmp", BuildBmp([&] { auto s = spec(6, 4, 6); s.imageSizeField = 29; return s; }())),
    };
    for (const std::string& file : files) {
        const auto want = LoadedCounts(file);
        ASSERT_TRUE(want) << file;
        for (size_t bandBytes = 1; bandBytes <= 70; ++bandBytes) {
            for (unsigned bands = 1; bands <= 4; ++bands) {
                SCOPED_TRACE(file + ", band bytes " + std::to_string(bandBytes) + ", bands " + std::to_string(bands));
                ExpectSameCounts(Streamed(file, bandBytes, bands), *want);
            }
        }
    }
}

TEST(StreamedHistogram, AnotherDepthGivesNoCounts) {
    const ScratchDir dir;
    BmpSpec s{.width = 4, .height = 2, .bitsPerPixel = 8};
    s.colourTable.assign(256, 0x102030);
    s.pixels = PatternBytes(RasterBytes(s));
    const std::string path = dir.Write("palette.bmp", BuildBmp(s));
    ExpectSameCounts(Streamed(path, 64, 2), ChannelHistogram{});
}

}  // namespace
