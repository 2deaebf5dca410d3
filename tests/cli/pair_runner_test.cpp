// The threaded compare, which reads the manipulated files of the desktop
// route band by band (several pairs: against the original loaded once, or
// both files side by side until it is; one pair: both files side by side),
// gives exactly what one ComparePair after the other gives (the decoded
// route: CompareDecodedPair), error texts included, and the core's own
// numbers, bit for bit.
#include "pair_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <filesystem>

#include "../core/bmp_builder.h"
#include "../core/corpus_files.h"
#include "../core/graphic_files.h"
#include "../core/scratch_dir.h"
#include "analysis.h"
#include "error.h"
#include "metrics.h"
#include "decoded_pairs.h"
#include "pair_plan.h"
#include "streamed_pairs.h"

#ifndef CITRA_BMPSUITE_DIR
#define CITRA_BMPSUITE_DIR ""
#endif

namespace {

namespace fs = std::filesystem;
using bmp_builder::BmpSpec;

std::vector<PairResult> RunAll(const std::string& original, const std::vector<std::string>& paths, unsigned jobs,
                               size_t bandBytes = StreamBuffers::kDefaultBandBytes) {
    PairListing listing;
    for (const std::string& path : paths) listing.pairs.push_back({original, path, std::nullopt});
    std::vector<PairResult> results;
    PairRunSettings settings;
    settings.jobs = jobs;
    settings.bandBytes = bandBytes;
    const PairRunEnd end =
        RunPairs(listing, settings, {[&](const PairResult& r) { results.push_back(r); }, nullptr});
    EXPECT_EQ(end, PairRunEnd::Completed);
    return results;
}

// The metrics of the core, from bitmaps it loaded; nullopt when the pair is
// not two 24-bit bitmaps of one size or the core refuses it.
std::optional<QualityMetrics> CoreMetrics(const std::string& original, const std::string& manipulated) {
    try {
        Picture a, b;
        LoadPicture(a, original);
        LoadPicture(b, manipulated);
        if (!a.BitmapIfAny() || !b.BitmapIfAny()) return std::nullopt;
        return ComputeQualityMetrics(*a.BitmapIfAny(), *b.BitmapIfAny());
    } catch (const CitraError&) {
        return std::nullopt;
    }
}

uint64_t Bits(double value) { return std::bit_cast<uint64_t>(value); }

void ExpectSameResult(const PairResult& got, const PairResult& want) {
    EXPECT_EQ(got.original, want.original);
    EXPECT_EQ(got.manipulated, want.manipulated);
    EXPECT_EQ(got.error, want.error);
    EXPECT_EQ(Bits(got.metrics.MSE), Bits(want.metrics.MSE));
    EXPECT_EQ(Bits(got.metrics.PSNR), Bits(want.metrics.PSNR));
}

// Every file against every file, for each band size: the threaded runs with
// 1 and 4 workers, and the batch original before it is loaded (both files
// read side by side) and after; each pair also run on its own. All against
// ComparePair; the successes against the core. Counts the pairs that
// produced numbers.
void ExpectSameResults(const std::vector<std::string>& files, const std::vector<size_t>& bandSizes,
                       size_t& succeeded) {
    for (const std::string& original : files) {
        SCOPED_TRACE("original " + original);
        std::vector<PairResult> plain;
        std::vector<bool> desktop;
        {
            const OriginalImage image(original);
            for (const std::string& manipulated : files) {
                desktop.push_back(PlanPair(original, manipulated).route == Route::Desktop);
                plain.push_back(desktop.back() ? ComparePair(image, manipulated)
                                               : CompareDecodedPair(original, manipulated, {}));
            }
        }
        for (size_t band : bandSizes) {
            SCOPED_TRACE("band " + std::to_string(band));
            for (unsigned jobs : {1u, 4u}) {
                SCOPED_TRACE("jobs " + std::to_string(jobs));
                const std::vector<PairResult> threaded = RunAll(original, files, jobs, band);
                ASSERT_EQ(threaded.size(), plain.size());
                for (size_t i = 0; i < plain.size(); ++i) {
                    SCOPED_TRACE("manipulated " + plain[i].manipulated);
                    ExpectSameResult(threaded[i], plain[i]);
                }
            }
            BatchOriginal batch(original);
            StreamBuffers buffers(band);
            for (size_t i = 0; i < plain.size(); ++i) {
                if (!desktop[i]) continue;
                SCOPED_TRACE("original not loaded yet, manipulated " + plain[i].manipulated);
                PairPlan plan = PlanPair(original, files[i]);
                ExpectSameResult(batch.Compare(files[i], buffers, plan), plain[i]);
            }
            batch.Load();
            for (size_t i = 0; i < plain.size(); ++i) {
                if (!desktop[i]) continue;
                SCOPED_TRACE("original loaded, manipulated " + plain[i].manipulated);
                PairPlan plan = PlanPair(original, files[i]);
                ExpectSameResult(batch.Compare(files[i], buffers, plan), plain[i]);
            }
        }
        for (size_t i = 0; i < plain.size(); ++i) {
            SCOPED_TRACE("single pair, manipulated " + plain[i].manipulated);
            const std::vector<PairResult> single = RunAll(original, {files[i]}, 1);
            ASSERT_EQ(single.size(), 1u);
            ExpectSameResult(single[0], plain[i]);
        }
        for (size_t i = 0; i < plain.size(); ++i) {
            const PairResult& r = plain[i];
            if (r.error || !desktop[i]) continue;
            ++succeeded;
            const auto core = CoreMetrics(r.original, r.manipulated);
            ASSERT_TRUE(core) << r.manipulated;
            EXPECT_EQ(Bits(r.metrics.MSE), Bits(core->MSE)) << r.manipulated;
            EXPECT_EQ(Bits(r.metrics.PSNR), Bits(core->PSNR)) << r.manipulated;
        }
    }
}

TEST(ThreadedCompare, SameAsPlainOnTheBmpCorpus) {
    const std::vector<std::string> files = CorpusBmpFiles();
    if (files.empty()) GTEST_SKIP() << "BMP corpus not found in " << CITRA_BMPSUITE_DIR;
    size_t succeeded = 0;
    // 1000 bytes: a few rows per band.
    ExpectSameResults(files, {StreamBuffers::kDefaultBandBytes, 1000}, succeeded);
    EXPECT_GT(succeeded, 0u);
}

// 7 x 5 pictures (rows of 21 bytes padded to 24) stored in the ways a
// reader can get wrong, narrow pictures whose rows are mostly padding, and
// files that must fail, in the loader or as a pair.
std::vector<std::string> WriteOddFiles(const ScratchDir& dir) {
    const auto spec = [](uint8_t seed) {
        BmpSpec s{.width = 7, .height = 5, .bitsPerPixel = 24};
        s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), seed);
        return s;
    };
    const size_t raster = bmp_builder::RasterBytes(spec(1));
    std::vector<std::pair<std::string, BmpSpec>> specs;
    specs.emplace_back("plain.bmp", spec(1));
    specs.emplace_back("other.bmp", spec(2));
    specs.emplace_back("topdown.bmp", [&] { auto s = spec(1); s.height = -5; return s; }());
    specs.emplace_back("topdown_other.bmp", [&] { auto s = spec(3); s.height = -5; return s; }());
    specs.emplace_back("core12.bmp", [&] { auto s = spec(1); s.headerSize = 12; return s; }());
    specs.emplace_back("core12_topdown.bmp", [&] { auto s = spec(4); s.headerSize = 12; s.height = -5; return s; }());
    specs.emplace_back("ends_mid_row.bmp", [&] { auto s = spec(2); s.truncateTo = 54 + 2 * 24 + 10; return s; }());
    specs.emplace_back("ends_after_header.bmp", [&] { auto s = spec(2); s.truncateTo = 54; return s; }());
    specs.emplace_back("topdown_ends_early.bmp", [&] {
        auto s = spec(3);
        s.height = -5;
        s.truncateTo = 54 + 3 * 24;
        return s;
    }());
    specs.emplace_back("core12_ends_early.bmp", [&] { auto s = spec(4); s.headerSize = 12; s.truncateTo = 26 + 30; return s; }());
    specs.emplace_back("image_size_short.bmp", [&] { auto s = spec(2); s.imageSizeField = 2 * 24 + 5; return s; }());
    specs.emplace_back("image_size_long.bmp", [&] { auto s = spec(2); s.imageSizeField = static_cast<uint32_t>(raster + 4096); return s; }());
    specs.emplace_back("image_size_exact_topdown.bmp", [&] {
        auto s = spec(3);
        s.height = -5;
        s.imageSizeField = static_cast<uint32_t>(raster);
        return s;
    }());
    specs.emplace_back("gap_after_headers.bmp", [&] { auto s = spec(1); s.gap = 10; return s; }());
    specs.emplace_back("offset_past_end.bmp", [&] { auto s = spec(1); s.offsetField = 100000; return s; }());
    specs.emplace_back("offset_into_header.bmp", [&] { auto s = spec(1); s.offsetField = 30; return s; }());
    specs.emplace_back("trailing_bytes.bmp", [&] {
        auto s = spec(2);
        s.pixels.insert(s.pixels.end(), 100, 0x7F);
        return s;
    }());
    specs.emplace_back("wider.bmp", [&] {
        BmpSpec s{.width = 8, .height = 5, .bitsPerPixel = 24};
        s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), 5);
        return s;
    }());
    specs.emplace_back("grey8.bmp", [&] {
        BmpSpec s{.width = 7, .height = 5, .bitsPerPixel = 8};
        for (uint32_t i = 0; i < 256; ++i) s.colourTable.push_back(i * 0x010101u);
        s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), 6);
        return s;
    }());
    specs.emplace_back("bad_magic.bmp", [&] { auto s = spec(1); s.magic = {'X', 'M'}; return s; }());
    specs.emplace_back("padding_differs.bmp", [&] {
        auto s = spec(1);
        for (size_t row = 0; row < 5; ++row)
            for (size_t i = 21; i < 24; ++i) s.pixels[row * 24 + i] ^= 0xFF;
        return s;
    }());
    specs.emplace_back("rgb32.bmp", [&] {
        BmpSpec s{.width = 7, .height = 5, .bitsPerPixel = 32};
        s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), 7);
        return s;
    }());
    specs.emplace_back("rle8.bmp", [&] {
        BmpSpec s{.width = 7, .height = 5, .bitsPerPixel = 8, .compression = 1};
        for (uint32_t i = 0; i < 256; ++i) s.colourTable.push_back(i * 0x010101u);
        for (uint8_t row = 0; row < 5; ++row) s.pixels.insert(s.pixels.end(), {7, static_cast<uint8_t>(40 * row), 0, 0});
        s.pixels.insert(s.pixels.end(), {0, 1});
        return s;
    }());
    // Widths 1, 2, 3 and 5: rows of 3, 6, 9 and 15 bytes padded to 4, 8, 12
    // and 16; each width in both row orders and cut off inside a row.
    for (int32_t width : {1, 2, 3, 5}) {
        std::string name = "w";
        name += std::to_string(width);
        const auto narrow = [&](uint8_t seed) {
            BmpSpec s{.width = width, .height = 5, .bitsPerPixel = 24};
            s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s), seed);
            return s;
        };
        const size_t stride = bmp_builder::Stride(width, 24);
        specs.emplace_back(name + ".bmp", narrow(static_cast<uint8_t>(10 + width)));
        specs.emplace_back(name + "_topdown.bmp", [&] {
            auto s = narrow(static_cast<uint8_t>(20 + width));
            s.height = -5;
            return s;
        }());
        specs.emplace_back(name + "_ends_mid_row.bmp", [&] {
            auto s = narrow(static_cast<uint8_t>(30 + width));
            s.truncateTo = 54 + 2 * stride + 2;
            return s;
        }());
    }

    std::vector<std::string> paths;
    for (const auto& [name, s] : specs) paths.push_back(dir.Write(name, bmp_builder::BuildBmp(s)));
    paths.push_back(dir.Write("PLAIN_UPPER.BMP", bmp_builder::BuildBmp(spec(3))));
    paths.push_back(dir.Write("bitmap_named.jpg", bmp_builder::BuildBmp(spec(1))));
    paths.push_back(dir.Write("photo.jpg", graphic_files::JpegFile(7, 5)));
    paths.push_back(dir.Write("empty.bmp", {}));
    paths.push_back(dir.Path("missing.bmp"));
    paths.push_back(dir.Path("missing.jpg"));
    paths.push_back(dir.Path("notes.txt"));
    paths.push_back(dir.Path("folder.bmp"));
    fs::create_directory(paths.back());
    return paths;
}

TEST(ThreadedCompare, SameAsPlainOnOddlyStoredFiles) {
    const ScratchDir dir;
    const std::vector<std::string> files = WriteOddFiles(dir);
    // Most 7 x 5 files compare with each other: the numbers are really tested.
    // Bands of 5 bytes split every row; 50 hold two 7-pixel rows.
    size_t succeeded = 0;
    ExpectSameResults(files, {StreamBuffers::kDefaultBandBytes, 5, 50}, succeeded);
    EXPECT_GT(succeeded, 300u);
}

TEST(ThreadedCompare, FolderErrorsKeepTheirPlace) {
    const ScratchDir dir;
    BmpSpec s{.width = 2, .height = 2, .bitsPerPixel = 24};
    s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s));
    const std::string a = dir.Write("a.bmp", bmp_builder::BuildBmp(s));
    PairListing listing;
    listing.pairs = {{a, a, std::nullopt}, {a, "folder", "No image file"}, {a, a, std::nullopt}};
    for (unsigned jobs : {1u, 3u}) {
        std::vector<PairResult> results;
        PairRunSettings settings;
        settings.jobs = jobs;
        RunPairs(listing, settings, {[&](const PairResult& r) { results.push_back(r); }, nullptr});
        ASSERT_EQ(results.size(), 3u);
        EXPECT_FALSE(results[0].error);
        EXPECT_EQ(results[1].original, a);
        EXPECT_EQ(results[1].manipulated, "folder");
        EXPECT_EQ(results[1].error, "No image file");
        EXPECT_FALSE(results[2].error);
    }
}

TEST(ThreadedCompare, AStopFlagSetBeforehandDeliversNothing) {
    const ScratchDir dir;
    BmpSpec s{.width = 2, .height = 2, .bitsPerPixel = 24};
    s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s));
    const std::string a = dir.Write("a.bmp", bmp_builder::BuildBmp(s));
    const std::atomic<bool> stop{true};
    size_t delivered = 0;
    PairRunSettings settings;
    settings.jobs = 2;
    settings.stop = &stop;
    PairListing listing;
    listing.pairs.assign(10, {a, a, std::nullopt});
    const PairRunEnd end = RunPairs(listing, settings, {[&](const PairResult&) { ++delivered; }, nullptr});
    EXPECT_EQ(end, PairRunEnd::Stopped);
    EXPECT_EQ(delivered, 0u);
}

}  // namespace
