// FormatMetric against the printf-based formatting it replaced, which read
// its digits with "%.*e" in the "C" locale; the two must agree to the byte.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <string>

#include "../locale/compiled_locale.h"
#include "metrics.h"
#include "squared_difference.h"

namespace {

// The former FormatMetric, verbatim but for its name. Right only where
// printf writes a one-byte point, as in the "C" locale.
void IncrementDigits(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

std::string PrintfFormatMetric(double value, std::string_view decimalSeparator) {
    constexpr int kSignificant = 18;
    constexpr int kDecimals = 3;
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

    const bool negative = std::signbit(value);
    std::string intDigits = "0";
    std::string decimals(kDecimals, '0');

    if (value != 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", kSignificant - 1, std::fabs(value));
        std::string mantissa;
        mantissa += buf[0];
        mantissa.append(buf + 2, kSignificant - 1);
        const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
        auto digitAt = [&](int j) { return j >= 0 && j < kSignificant ? mantissa[j] : '0'; };

        std::string kept;
        for (int j = 0; j <= exponent; ++j) kept += digitAt(j);
        for (int f = 1; f <= kDecimals; ++f) kept += digitAt(exponent + f);
        const char cut = digitAt(exponent + kDecimals + 1);
        if (cut >= '5') IncrementDigits(kept);

        intDigits = kept.substr(0, kept.size() - kDecimals);
        decimals = kept.substr(kept.size() - kDecimals);
        const size_t firstNonZero = intDigits.find_first_not_of('0');
        intDigits = firstNonZero == std::string::npos ? "0" : intDigits.substr(firstNonZero);
    }

    const bool zero = intDigits == "0" && decimals == std::string(kDecimals, '0');
    std::string text;
    if (negative && !zero) text += '-';
    text += intDigits;
    text += decimalSeparator;
    text += decimals;
    return text;
}

class FormatMetricAgainstPrintf : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << "the old path needs a one-byte point";
    }

    // Counts the disagreements, reporting the first few.
    void Compare(double value) {
        ++compared_;
        const std::string expected = PrintfFormatMetric(value, ".");
        const std::string actual = FormatMetric(value, ".");
        if (actual != expected && ++failures_ <= 10) {
            ADD_FAILURE() << std::setprecision(17) << value << " (" << std::hexfloat << value << "): printf path \""
                          << expected << "\", FormatMetric \"" << actual << '"';
        }
    }
    void TearDown() override { EXPECT_EQ(failures_, 0) << "of " << compared_ << " values"; }

    std::mt19937_64 rng_{20240611};
    long compared_ = 0;
    long failures_ = 0;
};

TEST_F(FormatMetricAgainstPrintf, RandomBitPatterns) {
    // Every exponent of a finite double, both signs.
    for (int i = 0; i < 300000; ++i) {
        const uint64_t bits = rng_();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value)) Compare(value);
    }
}

TEST_F(FormatMetricAgainstPrintf, RandomValuesInTheRangeOfResults) {
    std::uniform_real_distribution<double> psnr(-60.0, 120.0);
    std::uniform_real_distribution<double> mse(0.0, 195075.0);
    std::uniform_real_distribution<double> small(-2.0, 2.0);
    for (int i = 0; i < 200000; ++i) {
        Compare(psnr(rng_));
        Compare(mse(rng_));
        Compare(small(rng_));
    }
}

TEST_F(FormatMetricAgainstPrintf, HalvesOfTheThirdDecimalAndTheirNeighbours) {
    // n + 0.0005 lies on the rounding boundary: the 18 digits decide.
    for (int64_t thousandths = -200000; thousandths <= 200000; thousandths += 7) {
        const double half = (static_cast<double>(thousandths) + 0.5) / 1000.0;
        Compare(half);
        Compare(std::nextafter(half, 0.0));
        Compare(std::nextafter(half, std::numeric_limits<double>::infinity()));
        Compare(std::nextafter(half, -std::numeric_limits<double>::infinity()));
    }
    // Near the powers of ten, where a carry adds a digit.
    for (int p = -12; p <= 30; ++p) {
        const double power = std::pow(10.0, p);
        for (double v = power; v != 0 && std::abs(v - power) <= power * 1e-14;
             v = std::nextafter(v, 0.0)) {
            Compare(v);
        }
        Compare(power - 0.0005);
        Compare(power - 0.0004);
    }
}

TEST_F(FormatMetricAgainstPrintf, MseAndPsnrOfIntegerSums) {
    // The results of real comparisons: sums of squared differences (at
    // most 195075 a pixel) over pixel counts of small and large pictures.
    const int64_t pixelCounts[] = {1, 2, 3, 7, 12, 100, 640 * 480, 1920 * 1080, 4000 * 3000, 8000 * 8000, 46341LL * 46341};
    for (const int64_t pixels : pixelCounts) {
        std::uniform_int_distribution<uint64_t> sums(0, static_cast<uint64_t>(pixels) * 195075);
        for (uint64_t sum = 0; sum < 2000; ++sum) {
            const QualityMetrics m = MetricsFromSquaredSum(sum, pixels);
            Compare(m.MSE);
            Compare(m.PSNR);
        }
        for (int i = 0; i < 20000; ++i) {
            const QualityMetrics m = MetricsFromSquaredSum(sums(rng_), pixels);
            Compare(m.MSE);
            Compare(m.PSNR);
        }
    }
    for (int64_t pixels = 1; pixels <= 400; ++pixels) {
        for (uint64_t sum = 0; sum <= 195075 * static_cast<uint64_t>(pixels); sum += 1 + 251 * pixels) {
            const QualityMetrics m = MetricsFromSquaredSum(sum, pixels);
            Compare(m.MSE);
            Compare(m.PSNR);
        }
    }
}

// The desktop program runs with the C library following the user's
// LC_NUMERIC, whose point may take two bytes (U+066B under ps_AF).
TEST(FormatMetricUnderTheUsersLocale, IgnoresTheCLibrarysPoint) {
    CompiledLocales locales;
    ASSERT_FALSE(locales.Path().empty()) << locales.Failure();
    COMPILE_LOCALE_OR_SKIP(locales, "ps_AF", "UTF-8", "ps_AF.UTF-8");
    const char* oldPath = std::getenv("LOCPATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("LOCPATH", locales.Path().c_str(), 1);
    const std::string savedLocale = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "ps_AF.UTF-8"), nullptr);

    const std::string point = "\u066B";
    EXPECT_EQ(FormatMetric(108.1308036086791, point), "108" + point + "131");
    EXPECT_EQ(FormatMetric(0.0, point), "0" + point + "000");
    EXPECT_EQ(FormatMetric(-4.771212547218887, point), "-4" + point + "771");
    EXPECT_EQ(FormatMetric(99.9996, "."), "100.000");
    EXPECT_EQ(FormatMetric(1.2345678901234568e23, "."), "123456789012345686000000.000");
    EXPECT_EQ(FormatMetric(195075.0, ","), "195075,000");

    std::setlocale(LC_NUMERIC, savedLocale.c_str());
    if (oldPath) setenv("LOCPATH", savedPath.c_str(), 1);
    else unsetenv("LOCPATH");
}

}  // namespace
