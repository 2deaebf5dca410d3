#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "error.h"
#include "messages.h"
#include "histogram.h"
#include "metrics.h"
#include "picture.h"
#include "scratch_dir.h"

namespace {

// A 24-bit bitmap from its pixel bytes (blue, green, red per pixel), given
// top row first, 3 * width bytes per row; every fill byte is set to `fill`.
Bitmap Make24(int32_t width, int32_t height, const std::vector<uint8_t>& topFirst,
              bool topDown = false, uint8_t fill = 0) {
    Bitmap bitmap;
    EXPECT_TRUE(bitmap.Allocate(width, height, 24, topDown));
    std::memset(bitmap.MutableData(), fill, bitmap.DataSize());
    const size_t rowBytes = 3 * static_cast<size_t>(width);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t stored = topDown ? y : height - 1 - y;
        std::memcpy(bitmap.MutableData() + static_cast<size_t>(stored) * bitmap.Stride(),
                    topFirst.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
    }
    return bitmap;
}

std::vector<uint8_t> RandomBytes(size_t n, std::mt19937& rng, int low = 0, int high = 255) {
    std::uniform_int_distribution<int> dist(low, high);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(dist(rng));
    return bytes;
}

// Pairs whose results are known in closed form. PSNR references are
// 10 * log10(65025 / (MSE + 1.0E-6)) evaluated to 50 digits, as doubles.
struct KnownPair {
    const char* name;
    int32_t width, height;
    uint8_t (*original)(size_t byteIndex);
    uint8_t (*manipulated)(size_t byteIndex, uint8_t originalByte);
    double mse;
    double psnr;
    const char* mseText;
    const char* psnrText;
};

const KnownPair kKnownPairs[] = {
    {"Identical", 5, 3, [](size_t i) { return uint8_t(i * 41 + 7); },
     [](size_t, uint8_t o) { return o; }, 0, 108.1308036086791, "0.000", "108.131"},
    {"OnePixelOneByteByOne", 1, 1, [](size_t i) { return uint8_t(100 + i); },
     [](size_t i, uint8_t o) { return uint8_t(i == 1 ? o + 1 : o); }, 1, 48.13079926573646, "1.000",
     "48.131"},
    {"EveryByteByOne", 4, 3, [](size_t i) { return uint8_t(i * 13 % 255); },
     [](size_t, uint8_t o) { return uint8_t(o + 1); }, 3, 43.359589613834444, "3.000", "43.360"},
    {"FourByFourOneByteByOne", 4, 4, [](size_t i) { return uint8_t(i * 5 + 1); },
     [](size_t i, uint8_t o) { return uint8_t(i == 29 ? o - 1 : o); }, 0.0625, 60.171933948677136,
     "0.063", "60.172"},
    {"OnePixelOneByteBy255", 1, 1, [](size_t i) { return uint8_t(i == 2 ? 0 : 77); },
     [](size_t i, uint8_t o) { return uint8_t(i == 2 ? 255 : o); }, 65025, -6.678884765857937e-11,
     "65025.000", "0.000"},
    {"BlackAgainstWhite", 3, 2, [](size_t) { return uint8_t(0); },
     [](size_t, uint8_t) { return uint8_t(255); }, 195075, -4.771212547218887, "195075.000", "-4.771"},
};

void PrintTo(const KnownPair& c, std::ostream* os) { *os << c.name; }

class KnownPairs : public testing::TestWithParam<KnownPair> {};

TEST_P(KnownPairs, GiveExactMseAndPsnrInBothOrders) {
    const KnownPair& c = GetParam();
    std::vector<uint8_t> a(3 * static_cast<size_t>(c.width) * c.height), b(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = c.original(i);
        b[i] = c.manipulated(i, a[i]);
    }
    const Bitmap original = Make24(c.width, c.height, a);
    const Bitmap manipulated = Make24(c.width, c.height, b);
    const QualityMetrics m = ComputeQualityMetrics(original, manipulated);
    EXPECT_EQ(m.MSE, c.mse);
    // Within a few units in the last place; near zero (65025 / 65025.000001)
    // within 1e-18, which plain double arithmetic misses by about 1e-17.
    EXPECT_NEAR(m.PSNR, c.psnr, 1e-18 + 1e-15 * std::fabs(c.psnr));
    EXPECT_EQ(FormatMetric(m.MSE), c.mseText);
    EXPECT_EQ(FormatMetric(m.PSNR), c.psnrText);

    const QualityMetrics swapped = ComputeQualityMetrics(manipulated, original);
    EXPECT_EQ(swapped.MSE, m.MSE);
    EXPECT_EQ(swapped.PSNR, m.PSNR);
}

INSTANTIATE_TEST_SUITE_P(Metrics, KnownPairs, testing::ValuesIn(kKnownPairs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QualityMetrics, IdenticalPairWithCommaSeparator) {
    std::mt19937 rng(7);
    const auto bytes = RandomBytes(3 * 6 * 2, rng);
    const QualityMetrics m = ComputeQualityMetrics(Make24(6, 2, bytes), Make24(6, 2, bytes));
    EXPECT_EQ(FormatMetric(m.MSE, ","), "0,000");
    EXPECT_EQ(FormatMetric(m.PSNR, ","), "108,131");
}

// The sum is exact across row widths that end inside a vectorised block,
// fill whole blocks, or span several 32-bit partial sums; fill bytes differ
// between the two bitmaps and must not count.
class WideRows : public testing::TestWithParam<int32_t> {};

TEST_P(WideRows, SumIsExactAndIgnoresFillBytes) {
    const int32_t width = GetParam();
    const int32_t height = 3;
    std::mt19937 rng(static_cast<unsigned>(width));
    const size_t n = 3 * static_cast<size_t>(width) * height;
    const auto a = RandomBytes(n, rng);
    const auto b = RandomBytes(n, rng);
    uint64_t expected = 0;
    for (size_t i = 0; i < n; ++i) {
        const int64_t d = int64_t{a[i]} - int64_t{b[i]};
        expected += static_cast<uint64_t>(d * d);
    }
    const QualityMetrics m =
        ComputeQualityMetrics(Make24(width, height, a, false, 0x00), Make24(width, height, b, true, 0xFF));
    const long double pixels = static_cast<long double>(width) * height;
    EXPECT_EQ(std::llround(static_cast<long double>(m.MSE) * pixels), static_cast<long long>(expected));
}

INSTANTIATE_TEST_SUITE_P(Widths, WideRows, testing::Values(1, 2, 3, 21, 22, 64, 65, 1000, 11000, 20001));

TEST(QualityMetrics, WideBlackAgainstWhiteDoesNotWrap) {
    // 90000 bytes per row, every term 65025: a row's sum is beyond 2^32
    // (a 32-bit sum wraps after 66051 such terms).
    const int32_t width = 30000;
    const std::vector<uint8_t> black(3 * width * 2, 0), white(3 * width * 2, 255);
    const QualityMetrics m = ComputeQualityMetrics(Make24(width, 2, black), Make24(width, 2, white));
    EXPECT_EQ(m.MSE, 195075);
}

TEST(QualityMetrics, OnlyFillBytesDifferMeansIdentical) {
    std::mt19937 rng(3);
    for (int32_t width : {1, 2, 3, 5}) {
        const auto bytes = RandomBytes(3 * width * 4, rng);
        const QualityMetrics m =
            ComputeQualityMetrics(Make24(width, 4, bytes, false, 0x00), Make24(width, 4, bytes, false, 0xFF));
        EXPECT_EQ(m.MSE, 0) << width;
    }
}

TEST(QualityMetrics, RowsAreComparedTopToBottomWhateverTheStorageOrder) {
    // The same picture stored bottom-up and top-down compares as identical.
    std::mt19937 rng(11);
    const auto bytes = RandomBytes(3 * 4 * 3, rng);
    EXPECT_EQ(ComputeQualityMetrics(Make24(4, 3, bytes, false), Make24(4, 3, bytes, true)).MSE, 0);

    // Rows of 10, 20, 30 against their upside-down copy: their storage holds
    // the same bytes in the same order, yet the first and last rows differ
    // by 20 in each of 12 bytes: (2 * 12 * 400) / 12 pixels.
    std::vector<uint8_t> rows(36), flipped(36);
    for (size_t i = 0; i < 36; ++i) {
        rows[i] = static_cast<uint8_t>(10 * (1 + i / 12));
        flipped[i] = static_cast<uint8_t>(10 * (3 - i / 12));
    }
    EXPECT_EQ(ComputeQualityMetrics(Make24(4, 3, rows, false), Make24(4, 3, flipped, true)).MSE, 800);
}

TEST(QualityMetrics, LoadedBottomUpAndTopDownFilesOfOnePictureAreIdentical) {
    // 3 x 2: rows of 9 pixel bytes and 3 fill bytes; the top-down file holds
    // the rows in the other order and other fill bytes.
    using namespace bmp_builder;
    const std::vector<uint8_t> top = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<uint8_t> bottom = {90, 80, 70, 60, 50, 40, 30, 20, 10};
    BmpSpec bottomUp, topDown;
    bottomUp.width = topDown.width = 3;
    bottomUp.height = 2;
    topDown.height = -2;
    for (const auto* row : {&bottom, &top}) {
        bottomUp.pixels.insert(bottomUp.pixels.end(), row->begin(), row->end());
        bottomUp.pixels.insert(bottomUp.pixels.end(), {0, 0, 0});
    }
    for (const auto* row : {&top, &bottom}) {
        topDown.pixels.insert(topDown.pixels.end(), row->begin(), row->end());
        topDown.pixels.insert(topDown.pixels.end(), {0xAB, 0xCD, 0xEF});
    }
    ScratchDir dir;
    Picture a, b;
    LoadPicture(a, dir.Write("a.bmp", BuildBmp(bottomUp)));
    LoadPicture(b, dir.Write("b.bmp", BuildBmp(topDown)));
    const QualityMetrics m = ComputeQualityMetrics(AsBitmap(a), AsBitmap(b));
    EXPECT_EQ(FormatMetric(m.MSE), "0.000");
    EXPECT_EQ(FormatMetric(m.PSNR), "108.131");
    const ChannelHistogram h = ComputeChannelHistogram(a);
    EXPECT_EQ(h.Blue[1], 1);
    EXPECT_EQ(h.Red[70], 1);
    EXPECT_EQ(h.Peak, 1);
    EXPECT_EQ(h.Red, ComputeChannelHistogram(b).Red);

    // A row turned upside down in one file makes the pair differ.
    std::swap_ranges(topDown.pixels.begin(), topDown.pixels.begin() + 12, topDown.pixels.begin() + 12);
    LoadPicture(b, dir.Write("c.bmp", BuildBmp(topDown)));
    EXPECT_GT(ComputeQualityMetrics(AsBitmap(a), AsBitmap(b)).MSE, 0);
}

TEST(QualityMetrics, NeitherBitmapIsChanged) {
    std::mt19937 rng(5);
    const auto a = RandomBytes(3 * 3 * 3, rng);
    const auto b = RandomBytes(3 * 3 * 3, rng);
    const Bitmap original = Make24(3, 3, a, false, 0x11);
    const Bitmap manipulated = Make24(3, 3, b, true, 0x22);
    const std::vector<uint8_t> before1(original.Data(), original.Data() + original.DataSize());
    const std::vector<uint8_t> before2(manipulated.Data(), manipulated.Data() + manipulated.DataSize());
    ComputeQualityMetrics(original, manipulated);
    EXPECT_EQ(std::vector<uint8_t>(original.Data(), original.Data() + original.DataSize()), before1);
    EXPECT_EQ(std::vector<uint8_t>(manipulated.Data(), manipulated.Data() + manipulated.DataSize()), before2);
}

// Pairs that break the precondition are refused, depth first, then size,
// then the empty pair, without reading outside any row.
struct Shape {
    int32_t width, height;
    int bits;  // 0: an empty Bitmap; -1: a decoded run-length raster (depth 0)
};

struct Refusal {
    const char* name;
    Shape original, manipulated;
    const char* message;
};

Bitmap MakeShape(const Shape& s) {
    Bitmap bitmap;
    if (s.bits == 0) return bitmap;
    EXPECT_TRUE(bitmap.Allocate(s.width, s.height, s.bits < 0 ? 32 : s.bits, false));
    if (s.bits < 0) bitmap.SetBitsPerPixel(0);
    std::memset(bitmap.MutableData(), 0x33, bitmap.DataSize());
    return bitmap;
}

const Refusal kRefusals[] = {
    {"ManipulatedIs8Bit", {2, 2, 24}, {2, 2, 8}, msg::kNot24Bit},
    {"OriginalIs1BitAndWide", {9, 2, 1}, {9, 2, 24}, msg::kNot24Bit},
    {"DepthBeforeSize", {2, 2, 32}, {3, 5, 24}, msg::kNot24Bit},
    {"DecodedRunLength", {2, 2, -1}, {2, 2, 24}, msg::kNot24Bit},
    {"EmptyAgainst16Bit", {0, 0, 0}, {2, 2, 16}, msg::kNot24Bit},
    {"HeightDiffers", {2, 2, 24}, {2, 3, 24}, msg::kSizeDiffers},
    {"WidthDiffers", {3, 2, 24}, {2, 2, 24}, msg::kSizeDiffers},
    {"EmptyOriginal", {0, 0, 0}, {2, 2, 24}, msg::kSizeDiffers},
    {"EmptyManipulated", {2, 2, 24}, {0, 0, 0}, msg::kSizeDiffers},
    {"BothEmpty", {0, 0, 0}, {0, 0, 0}, msg::kNot24Bit},
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Refusals, RaiseTheirMessage) {
    const Refusal& r = GetParam();
    const Bitmap original = MakeShape(r.original);
    const Bitmap manipulated = MakeShape(r.manipulated);
    EXPECT_EQ(PairRefusal(original, manipulated), std::optional<std::string>(r.message));
    try {
        ComputeQualityMetrics(original, manipulated);
        FAIL() << "no error";
    } catch (const CitraError& e) {
        EXPECT_STREQ(e.what(), r.message);
    }
}

TEST(Metrics, PairRefusalAcceptsTwo24BitBitmapsOfOneSize) {
    for (const Shape shape : {Shape{1, 1, 24}, Shape{3, 2, 24}, Shape{5, 1, 24}}) {
        EXPECT_EQ(PairRefusal(MakeShape(shape), MakeShape(shape)), std::nullopt) << shape.width << "x" << shape.height;
    }
}

INSTANTIATE_TEST_SUITE_P(Metrics, Refusals, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

struct Formatted {
    double value;
    const char* separator;
    const char* text;
};

void PrintTo(const Formatted& f, std::ostream* os) {
    *os << std::setprecision(17) << f.value << " '" << f.separator << "' " << f.text;
}

class FormatMetricCases : public testing::TestWithParam<Formatted> {};

TEST_P(FormatMetricCases, WritesThreeDecimals) {
    const Formatted& f = GetParam();
    EXPECT_EQ(FormatMetric(f.value, f.separator), f.text) << std::hexfloat << f.value;
}

INSTANTIATE_TEST_SUITE_P(
    Metrics, FormatMetricCases,
    testing::Values(
        Formatted{0.0, ".", "0.000"}, Formatted{-0.0, ".", "0.000"},
        Formatted{0.0625, ".", "0.063"},         // exact half goes up
        Formatted{-0.0625, ".", "-0.063"},       // and away from zero
        Formatted{0.9999, ".", "1.000"},         // carry into the integer part
        Formatted{99.9996, ".", "100.000"},      // carry adds a digit
        Formatted{9.99951, ".", "10.000"},
        // 9.9995 is stored as 9.99949999999999939 (18 digits): below the half.
        Formatted{9.9995, ".", "9.999"},
        // 0.0195 is stored just below 0.0195, but its 18 digits read
        // 0.0195000...: rounding those gives 0.020, not 0.019.
        Formatted{0.0195, ".", "0.020"}, Formatted{-0.2495, ".", "-0.250"},
        Formatted{1.0005, ".", "1.000"}, Formatted{2.0005, ".", "2.001"},
        Formatted{-0.0004, ".", "0.000"},        // no negative zero
        Formatted{-0.0005, ".", "-0.001"}, Formatted{-6.678884765857937e-11, ".", "0.000"},
        Formatted{1e-300, ".", "0.000"}, Formatted{195075.0, ".", "195075.000"},
        Formatted{65025.0, ".", "65025.000"}, Formatted{-4.771212547218887, ".", "-4.771"},
        Formatted{108.1308036086791, ".", "108.131"}, Formatted{1234567.25, ".", "1234567.250"},
        Formatted{1e20, ".", "100000000000000000000.000"},
        // Stored as 123456789012345685803008: beyond 18 significant digits
        // the integer part is rounded too.
        Formatted{1.2345678901234568e23, ".", "123456789012345686000000.000"},
        Formatted{108.1308036086791, ",", "108,131"}, Formatted{-4.771212547218887, ",", "-4,771"},
        Formatted{0.0, ",", "0,000"}));


// The refusals at each step of a comparison, from the one judge: a picture
// as it is opened (the original alone; the manipulated against the
// original's width and height, whatever the original's depth), and the pair
// about to be computed.
struct StepCase {
    const char* name;
    PairStep step;
    BitmapShape original;
    BitmapShape manipulated;
    const char* message;  // nullptr: accepted
};

void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class PairSteps : public testing::TestWithParam<StepCase> {};

TEST_P(PairSteps, RefuseAsTheProgramDoes) {
    const StepCase& c = GetParam();
    const std::optional<std::string> want = c.message ? std::optional<std::string>(c.message) : std::nullopt;
    EXPECT_EQ(PairRefusal(c.step, c.original, c.manipulated), want);
}

constexpr BitmapShape k24{4, 3, 24, 12};
constexpr BitmapShape kWide24{5, 3, 24, 16};
constexpr BitmapShape k8{4, 3, 8, 4};
constexpr BitmapShape kEmpty{0, 0, 0, 0};
constexpr BitmapShape kIcon{4, 3, 0, 0};  // another kind of picture: a size, no depth

INSTANTIATE_TEST_SUITE_P(
    Cases, PairSteps,
    testing::Values(StepCase{"Original24", PairStep::Original, k24, kEmpty, nullptr},
                    StepCase{"Original8", PairStep::Original, k8, k24, msg::kNot24Bit},
                    StepCase{"OriginalEmpty", PairStep::Original, kEmpty, k24, msg::kNot24Bit},
                    StepCase{"OriginalOtherKind", PairStep::Original, kIcon, k24, msg::kNot24Bit},
                    StepCase{"ManipulatedSameSize", PairStep::Manipulated, k24, k24, nullptr},
                    StepCase{"ManipulatedAgainstAn8BitOriginal", PairStep::Manipulated, k8, k24, nullptr},
                    StepCase{"ManipulatedAgainstOtherKind", PairStep::Manipulated, kIcon, k24, nullptr},
                    StepCase{"Manipulated8", PairStep::Manipulated, k24, k8, msg::kNot24Bit},
                    StepCase{"ManipulatedEmpty", PairStep::Manipulated, k24, kEmpty, msg::kNot24Bit},
                    StepCase{"ManipulatedDepthBeforeSize", PairStep::Manipulated, kWide24, k8, msg::kNot24Bit},
                    StepCase{"ManipulatedWider", PairStep::Manipulated, k24, kWide24, msg::kSizeDiffers},
                    StepCase{"CompareEmptyManipulated", PairStep::Compare, k24, kEmpty, msg::kSizeDiffers},
                    StepCase{"CompareSameSize", PairStep::Compare, k24, k24, nullptr},
                    StepCase{"CompareShortStride", PairStep::Compare, k24, {4, 3, 24, 8}, msg::kNot24Bit}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

}  // namespace
