// Reading a bitmap file band by band: the headers give what the loader
// gives (errors included), the raster bytes are those the loader fills in,
// and the streamed comparisons give ComputeQualityMetrics's numbers.
#include "stream_compare.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

#include "bmp_builder.h"
#include "corpus_files.h"
#include "error.h"
#include "image_reader.h"
#include "load_helpers.h"
#include "scratch_dir.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif

namespace {

namespace fs = std::filesystem;
using bmp_builder::BmpSpec;
using bmp_builder::BuildBmp;
using bmp_builder::PatternBytes;
using bmp_builder::RasterBytes;

// What a file gives: the error text, or the bitmap's geometry and, for a
// raster kept at the file's depth, its bytes in storage order.
struct Outcome {
    std::string error;
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    bool topDown = false;
    std::vector<uint8_t> raster;
};

Outcome Loaded(const std::string& path) {
    Outcome out;
    Picture picture;
    out.error = LoadError(picture, path);
    if (const Bitmap* bitmap = picture.BitmapIfAny()) {
        out.width = bitmap->Width();
        out.height = bitmap->Height();
        out.bitsPerPixel = bitmap->BitsPerPixel();
        out.topDown = !bitmap->Empty() && bitmap->TopDown();
        if (bitmap->BitsPerPixel() != 0) out.raster.assign(bitmap->Data(), bitmap->Data() + bitmap->DataSize());
    }
    return out;
}

Outcome Streamed(const std::string& path) {
    Outcome out;
    try {
        BitmapFileStream stream(path);
        out.width = stream.Width();
        out.height = stream.Height();
        out.bitsPerPixel = stream.BitsPerPixel();
        out.topDown = stream.Layout().topDown;
        if (stream.BitsPerPixel() != 0) {
            out.raster.resize(stream.Layout().stride * static_cast<uint64_t>(stream.Height()));
            stream.ReadRaster(0, out.raster.size(), out.raster.data());
        }
    } catch (const CitraError& e) {
        out.error = e.what();
    }
    return out;
}

void ExpectSameOutcome(const std::string& path) {
    SCOPED_TRACE(path);
    const Outcome loaded = Loaded(path);
    const Outcome streamed = Streamed(path);
    EXPECT_EQ(streamed.error, loaded.error);
    EXPECT_EQ(streamed.width, loaded.width);
    EXPECT_EQ(streamed.height, loaded.height);
    EXPECT_EQ(streamed.bitsPerPixel, loaded.bitsPerPixel);
    EXPECT_EQ(streamed.topDown, loaded.topDown);
    EXPECT_TRUE(streamed.raster == loaded.raster) << "raster bytes differ";
}

TEST(BitmapFileStream, HeadersAndRasterAsTheLoaderGivesThemOnTheCorpus) {
    const std::vector<std::string> files = CorpusBmpFiles();
    if (files.empty()) GTEST_SKIP() << "BMP corpus not found in " << CITRA_BMPSUITE_DIR;
    for (const std::string& file : files) ExpectSameOutcome(file);
}

// Files that meet each check of the header walk, in the order the reader
// makes them, and some that pass them all.
TEST(BitmapFileStream, HeadersAndRasterAsTheLoaderGivesThemOnMadeFiles) {
    const auto spec24 = [](int32_t width, int32_t height) {
        BmpSpec s{.width = width, .height = height, .bitsPerPixel = 24};
        s.pixels = PatternBytes(RasterBytes(s));
        return s;
    };
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    const auto add = [&](const std::string& name, const BmpSpec& s) { files.emplace_back(name, BuildBmp(s)); };
    add("plain.bmp", spec24(5, 3));
    add("topdown.bmp", spec24(5, -3));
    add("core12.bmp", [&] { auto s = spec24(5, 3); s.headerSize = 12; return s; }());
    add("v5_header.bmp", [&] { auto s = spec24(5, 3); s.headerSize = 124; return s; }());
    add("ends_mid_row.bmp", [&] { auto s = spec24(5, 3); s.truncateTo = 54 + 20; return s; }());
    add("image_size_short.bmp", [&] { auto s = spec24(5, 3); s.imageSizeField = 17; return s; }());
    add("image_size_long.bmp", [&] { auto s = spec24(5, 3); s.imageSizeField = 4000; return s; }());
    add("offset_past_end.bmp", [&] { auto s = spec24(5, 3); s.offsetField = 9999; return s; }());
    add("colours_used_24.bmp", [&] {
        auto s = spec24(5, 3);
        s.colourTable = {1, 2, 3};
        s.coloursUsedField = 3;
        return s;
    }());
    add("bitfields16.bmp", [&] {
        BmpSpec s{.width = 5, .height = 3, .bitsPerPixel = 16, .compression = 3};
        s.masks = std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F};
        s.pixels = PatternBytes(RasterBytes(s));
        return s;
    }());
    add("rle8.bmp", [&] {
        BmpSpec s{.width = 5, .height = 3, .bitsPerPixel = 8, .compression = 1};
        s.colourTable.assign(256, 0x808080);
        s.pixels = {5, 9, 0, 0, 5, 9, 0, 0, 0, 1};
        return s;
    }());
    add("too_short.bmp", [&] { auto s = spec24(5, 3); s.truncateTo = 10; return s; }());
    add("bad_magic.bmp", [&] { auto s = spec24(5, 3); s.magic = {'B', 'A'}; return s; }());
    add("header_size_20.bmp", [&] { auto s = spec24(5, 3); s.headerSize = 20; return s; }());
    add("ends_in_long_header.bmp", [&] { auto s = spec24(5, 3); s.headerSize = 124; s.truncateTo = 80; return s; }());
    add("two_planes.bmp", [&] { auto s = spec24(5, 3); s.planes = 2; return s; }());
    add("ends_in_masks.bmp", [&] {
        BmpSpec s{.width = 5, .height = 3, .bitsPerPixel = 32, .compression = 3};
        s.masks = std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
        s.truncateTo = 60;
        return s;
    }());
    add("ends_in_colour_table.bmp", [&] {
        BmpSpec s{.width = 5, .height = 3, .bitsPerPixel = 8};
        s.colourTable.assign(256, 0);
        s.truncateTo = 54 + 100;
        return s;
    }());
    add("offset_into_headers.bmp", [&] { auto s = spec24(5, 3); s.offsetField = 40; return s; }());
    add("compression_5.bmp", [&] { auto s = spec24(5, 3); s.compression = 5; return s; }());
    add("bitfields24.bmp", [&] { auto s = spec24(5, 3); s.compression = 3; return s; }());
    add("rle8_topdown.bmp", [&] {
        BmpSpec s{.width = 5, .height = -3, .bitsPerPixel = 8, .compression = 1};
        s.colourTable.assign(256, 0);
        return s;
    }());
    add("width_0.bmp", spec24(0, 3));
    add("depth_2.bmp", [&] { auto s = spec24(5, 3); s.bitsPerPixel = 2; return s; }());
    add("raster_over_1_gib.bmp", BmpSpec{.width = 20000, .height = 20000, .bitsPerPixel = 24});
    add("rle_raster_over_1_gib.bmp", [&] {
        BmpSpec s{.width = 17000, .height = 17000, .bitsPerPixel = 8, .compression = 1};
        s.colourTable.assign(256, 0);
        return s;
    }());
    files.emplace_back("empty.bmp", std::vector<uint8_t>{});

    const ScratchDir dir;
    for (const auto& [name, bytes] : files) ExpectSameOutcome(dir.Write(name, bytes));
    ExpectSameOutcome(dir.Path("missing.bmp"));
    fs::create_directory(dir.Path("folder.bmp"));
    ExpectSameOutcome(dir.Path("folder.bmp"));
}

uint64_t Bits(double value) { return std::bit_cast<uint64_t>(value); }

// 5 x 4 pictures, rows of 15 bytes padded to 16, against each other in
void ExpectSameStandard(const StandardMetrics& got, const StandardMetrics& want) {
    EXPECT_EQ(Bits(got.mse), Bits(want.mse));
    EXPECT_EQ(Bits(got.psnr), Bits(want.psnr));
    EXPECT_EQ(got.identical, want.identical);
    EXPECT_EQ(got.peak, want.peak);
    EXPECT_EQ(got.changedSamples, want.changedSamples);
    EXPECT_EQ(got.maxAbsDiff, want.maxAbsDiff);
    ASSERT_EQ(got.channels.size(), want.channels.size());
    for (size_t c = 0; c < want.channels.size(); ++c) {
        EXPECT_EQ(got.channels[c].name, want.channels[c].name);
        EXPECT_EQ(Bits(got.channels[c].mse), Bits(want.channels[c].mse)) << want.channels[c].name;
        EXPECT_EQ(Bits(got.channels[c].psnr), Bits(want.channels[c].psnr)) << want.channels[c].name;
    }
}

// every band size from one byte to more than the raster: all alignments of
// bands to rows, the rows paired across opposite row orders.
TEST(StreamedCompare, EveryBandSizeGivesTheLoadedNumbers) {
    const ScratchDir dir;
    const auto spec = [](int32_t height, uint8_t seed) {
        BmpSpec s{.width = 5, .height = height, .bitsPerPixel = 24};
        s.pixels = PatternBytes(RasterBytes(s), seed);
        return s;
    };
    const std::string a = dir.Write("a.bmp", BuildBmp(spec(4, 1)));
    const std::vector<std::string> others{
        dir.Write("b.bmp", BuildBmp(spec(4, 2))),
        dir.Write("b_topdown.bmp", BuildBmp(spec(-4, 3))),
        dir.Write("b_topdown_cut.bmp", BuildBmp([&] { auto s = spec(-4, 4); s.truncateTo = 54 + 37; return s; }())),
        dir.Write("b_image_size_short.bmp", BuildBmp([&] { auto s = spec(4, 5); s.imageSizeField = 29; return s; }())),
    };
    Picture original;
    LoadPicture(original, a);
    for (const std::string& other : others) {
        Picture manipulated;
        LoadPicture(manipulated, other);
        const QualityMetrics want = ComputeQualityMetrics(*original.BitmapIfAny(), *manipulated.BitmapIfAny());
        // The field's metrics of the same pixels, decoded whole; a file that
        // lacks pixels has none, and the decoder says so.
        const bool cut = MissingPixelData(BitmapFileStream(other).Layout()).has_value();
        EXPECT_EQ(cut, other.find("_cut") != std::string::npos || other.find("_short") != std::string::npos);
        std::optional<StandardMetrics> wantStandard;
        if (cut) {
            try {
                ReadImage(other);
                ADD_FAILURE() << other << " decoded";
            } catch (const CitraError& e) {
                EXPECT_EQ(e.Kind(), ErrorKind::CutShort);
                EXPECT_NE(std::string(e.what()).find("file cut short"), std::string::npos) << e.what();
            }
        } else {
            const Image wholeA = ReadImage(a), wholeOther = ReadImage(other);
            wantStandard = ComputeStandardMetrics(wholeA, wholeOther);
        }
        for (size_t band = 1; band <= 70; ++band) {
            SCOPED_TRACE(other + ", band " + std::to_string(band));
            StreamBuffers buffers(band);
            BitmapFileStream first(a);
            BitmapFileStream second(other);
            StandardMetrics bothStandard, oneStandard;
            const QualityMetrics both = CompareStreams(first, second, buffers, &bothStandard);
            const QualityMetrics one = CompareWithStream(*original.BitmapIfAny(), second, buffers, &oneStandard);
            EXPECT_EQ(Bits(both.MSE), Bits(want.MSE));
            EXPECT_EQ(Bits(both.PSNR), Bits(want.PSNR));
            EXPECT_EQ(Bits(one.MSE), Bits(want.MSE));
            EXPECT_EQ(Bits(one.PSNR), Bits(want.PSNR));
            if (wantStandard) {
                ExpectSameStandard(bothStandard, *wantStandard);
                ExpectSameStandard(oneStandard, *wantStandard);
            }
        }
        StandardMetrics loadedStandard;
        const QualityMetrics loaded =
            CompareBitmaps(*original.BitmapIfAny(), *manipulated.BitmapIfAny(), &loadedStandard);
        EXPECT_EQ(Bits(loaded.MSE), Bits(want.MSE));
        EXPECT_EQ(Bits(loaded.PSNR), Bits(want.PSNR));
        if (wantStandard) {
            ExpectSameStandard(loadedStandard, *wantStandard);
            EXPECT_FALSE(wantStandard->identical);
        }
        EXPECT_GT(want.MSE, 0);
    }
}

// Pairs that cannot be compared are refused as PairRefusal refuses the
// loaded bitmaps, with nothing read.
TEST(StreamedCompare, RefusesWhatPairRefusalRefuses) {
    const ScratchDir dir;
    const auto write = [&](const std::string& name, int32_t width, uint16_t bpp, uint32_t compression = 0) {
        BmpSpec s{.width = width, .height = 3, .bitsPerPixel = bpp, .compression = compression};
        if (bpp <= 8) s.colourTable.assign(256, 0);
        if (compression == 0) s.pixels = PatternBytes(RasterBytes(s));
        if (compression == 1) s.pixels = {0, 1};
        return dir.Write(name, BuildBmp(s));
    };
    const std::string rgb5 = write("rgb5.bmp", 5, 24);
    const std::string rgb6 = write("rgb6.bmp", 6, 24);
    const std::string grey5 = write("grey5.bmp", 5, 8);
    const std::string grey6 = write("grey6.bmp", 6, 8);
    const std::string rle5 = write("rle5.bmp", 5, 8, 1);
    const std::string empty = dir.Write("empty.bmp", {});
    const std::vector<std::string> all{rgb5, rgb6, grey5, grey6, rle5, empty};
    size_t refused = 0;
    for (const std::string& original : all) {
        for (const std::string& manipulated : all) {
            SCOPED_TRACE(original + " / " + manipulated);
            Picture pa, pb;
            LoadPicture(pa, original);
            LoadPicture(pb, manipulated);
            const std::optional<std::string> want = PairRefusal(*pa.BitmapIfAny(), *pb.BitmapIfAny());
            BitmapFileStream a(original);
            BitmapFileStream b(manipulated);
            StreamBuffers buffers;
            for (int variant = 0; variant < 2; ++variant) {
                std::optional<std::string> got;
                try {
                    if (variant == 0) CompareStreams(a, b, buffers);
                    else CompareWithStream(*pa.BitmapIfAny(), b, buffers);
                } catch (const CitraError& e) {
                    got = e.what();
                }
                EXPECT_EQ(got, want) << "variant " << variant;
            }
            refused += want.has_value();
        }
    }
    EXPECT_EQ(refused, all.size() * all.size() - 2);  // rgb5 and rgb6 with themselves
}

}  // namespace
