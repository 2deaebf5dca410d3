// The chi-square attack (Westfeld and Pfitzmann, "Attacks on steganographic
// systems", 2000).
//
// Conventions:
// - Categories are the pairs of values (2k, 2k+1), k = 0..127. Observed: the
//   count of the even value; expected: (n_2k + n_2k+1) / 2, what LSB
//   replacement of every sample drives both towards. One term per category,
//   (n_2k - expected)^2 / expected.
// - A category whose expected count is 4 or less (n_2k + n_2k+1 <= 8) is
//   dropped, its samples left out; the degrees of freedom are the categories
//   kept minus one, and with fewer than two kept there is no probability.
// - The probability of embedding is 1 - CDF of chi-square with those degrees
//   of freedom, Q(dof / 2, statistic / 2).
// - The profile takes the first floor(n * percent / 100) samples of the
//   channel in scan order (rows from the top, each left to right).
#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

#include "detect.h"

namespace {

constexpr std::string_view kNoCategories = "fewer than two pairs of values (2k, 2k+1) with an expected count above 4";

// log Gamma(a) for a = n / 2, n >= 1, from Gamma(1) = 1, Gamma(1/2) = sqrt(pi)
// and Gamma(a + 1) = a Gamma(a). std::lgamma would do, but it writes the
// global signgam, a data race when channels run on several threads, and
// a half-integer needs nothing more than this.
double LogGammaHalf(int n) {
    double log = (n % 2 == 0) ? 0.0 : 0.5 * std::log(std::numbers::pi);
    for (double a = (n % 2 == 0) ? 1.0 : 0.5; a + 0.25 < 0.5 * n; a += 1.0) log += std::log(a);
    return log;
}

// Q(a, x) with a = n / 2: the series of P(a, x) below x = a + 1, the
// continued fraction of Q(a, x) above (both converge quickly there), as
// in every numerical library; written here so the core needs no new one.
double UpperGammaRegularized(int n, double x) {
    const double a = 0.5 * n;
    if (!(x > 0)) return 1.0;
    if (std::isinf(x)) return 0.0;
    const double logFront = a * std::log(x) - x - LogGammaHalf(n);
    constexpr double kEpsilon = 1e-16;
    constexpr int kMaxTerms = 100000;
    if (x < a + 1) {
        double term = 1.0 / a, sum = term;
        for (int i = 1; i < kMaxTerms; ++i) {
            term *= x / (a + i);
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * kEpsilon) break;
        }
        return std::max(0.0, 1.0 - sum * std::exp(logFront));
    }
    // Modified Lentz.
    constexpr double kTiny = 1e-300;
    double b = x + 1 - a;
    double c = 1 / kTiny;
    double d = 1 / b;
    double h = d;
    for (int i = 1; i < kMaxTerms; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < kEpsilon) break;
    }
    return std::min(1.0, std::exp(logFront) * h);
}

// Adds samples [from, to) of the scan order to `counts`. Four tables, so
// that runs of equal samples do not wait on one counter; 32 bits each,
// emptied into `counts` before they could overflow.
template <size_t kStep>  // 0: the plane's own step
void CountSamples(const SamplePlane& plane, uint64_t from, uint64_t to, uint64_t (&counts)[256]) {
    const uint64_t width = static_cast<uint64_t>(plane.width);
    const size_t step = kStep != 0 ? kStep : plane.pixelStep;
    uint32_t parts[4][256] = {};
    uint64_t held = 0;
    const auto empty = [&] {
        for (int v = 0; v < 256; ++v) {
            counts[v] += uint64_t{parts[0][v]} + parts[1][v] + parts[2][v] + parts[3][v];
            parts[0][v] = parts[1][v] = parts[2][v] = parts[3][v] = 0;
        }
        held = 0;
    };
    while (from < to) {
        const int32_t y = static_cast<int32_t>(from / width);
        const uint64_t x0 = from % width;
        const uint64_t x1 = std::min<uint64_t>(width, x0 + (to - from));
        if (held + (x1 - x0) > 0xFFFFFFFFu) empty();
        const uint8_t* row = plane.Row(y);
        uint64_t x = x0;
        for (; x + 4 <= x1; x += 4) {
            ++parts[0][row[x * step]];
            ++parts[1][row[(x + 1) * step]];
            ++parts[2][row[(x + 2) * step]];
            ++parts[3][row[(x + 3) * step]];
        }
        for (; x < x1; ++x) ++parts[0][row[x * step]];
        held += x1 - x0;
        from += x1 - x0;
    }
    empty();
}

void CountSamples(const SamplePlane& plane, uint64_t from, uint64_t to, uint64_t (&counts)[256]) {
    if (plane.pixelStep == 1) {
        CountSamples<1>(plane, from, to, counts);
    } else {
        CountSamples<0>(plane, from, to, counts);
    }
}

ChiSquareStep StepOf(const uint64_t (&counts)[256], int percent, uint64_t samples) {
    ChiSquareStep step;
    step.percent = percent;
    step.samples = samples;
    for (int k = 0; k < 128; ++k) {
        const uint64_t even = counts[2 * k], odd = counts[2 * k + 1];
        if (even + odd <= 8) continue;
        const double expected = 0.5 * static_cast<double>(even + odd);
        const double off = static_cast<double>(even) - expected;
        step.statistic += off * off / expected;
        ++step.categories;
    }
    if (step.categories < 2) {
        step.reason = kNoCategories;
    } else {
        step.probability = ChiSquareTail(step.categories - 1, step.statistic);
    }
    return step;
}

}  // namespace

double ChiSquareTail(int degreesOfFreedom, double statistic) {
    if (degreesOfFreedom < 1) return 1.0;  // no categories to differ in
    return UpperGammaRegularized(degreesOfFreedom, 0.5 * statistic);
}

ChiSquareResult ChiSquareAttack(const SamplePlane& plane, std::span<const int> profilePercents) {
    const uint64_t total = plane.SampleCount();
    ChiSquareResult result;
    result.profile.resize(profilePercents.size());
    // The steps in the order of their sample counts, so one pass counts them all.
    std::vector<size_t> order(profilePercents.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto percentOf = [&](size_t i) { return std::clamp(profilePercents[i], 1, 100); };
    std::stable_sort(order.begin(), order.end(), [&](size_t l, size_t r) { return percentOf(l) < percentOf(r); });

    uint64_t counts[256] = {};
    uint64_t counted = 0;
    for (const size_t i : order) {
        const int percent = percentOf(i);
        // total * percent without overflow for any plane the int32 sides allow.
        const uint64_t target = static_cast<uint64_t>(static_cast<unsigned __int128>(total) * percent / 100);
        CountSamples(plane, counted, target, counts);
        counted = target;
        result.profile[i] = StepOf(counts, percent, target);
    }
    CountSamples(plane, counted, total, counts);
    result.whole = StepOf(counts, 100, total);
    return result;
}
