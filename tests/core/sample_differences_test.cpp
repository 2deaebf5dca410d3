// The difference pass against a plain loop, for both of its builds, over
// lengths around its block (48 samples) and group (255 blocks) edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cpu_features.h"
#include "sample_differences_builds.h"
#include "sample_differences.h"


namespace {

template <class T>
SampleDifferences Plain(const std::vector<T>& a, const std::vector<T>& b, int channels) {
    SampleDifferences out;
    for (size_t i = 0; i < a.size(); ++i)
        out.AddSample(static_cast<int>(i % static_cast<size_t>(channels)), a[i], b[i]);
    return out;
}

void ExpectEqual(const SampleDifferences& got, const SampleDifferences& want) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(got.squares[c], want.squares[c]) << "channel " << c;
    EXPECT_EQ(got.changed, want.changed);
    EXPECT_EQ(got.maxAbs, want.maxAbs);
}

// Samples mostly near each other, some at the extremes, some equal.
template <class T>
void Fill(std::vector<T>& a, std::vector<T>& b, std::mt19937& random) {
    const uint32_t top = sizeof(T) == 1 ? 255 : 65535;
    for (size_t i = 0; i < a.size(); ++i) {
        const uint32_t kind = random() % 8;
        a[i] = static_cast<T>(random() % (top + 1));
        if (kind == 0) b[i] = a[i];
        else if (kind == 1) { a[i] = 0; b[i] = static_cast<T>(top); }
        else if (kind == 2) { a[i] = static_cast<T>(top); b[i] = 0; }
        else b[i] = static_cast<T>(random() % (top + 1));
    }
}

template <class T>
void CheckEveryBuild() {
    std::mt19937 random(7);
    const std::vector<size_t> pixelCounts{0, 1, 15, 16, 17, 47, 48, 255 * 16 - 1, 255 * 16, 255 * 16 + 5, 3 * 255 * 48 + 11};
    for (int channels = 1; channels <= 4; ++channels) {
        for (size_t pixels : pixelCounts) {
            SCOPED_TRACE(std::to_string(sizeof(T) * 8) + " bits, " + std::to_string(channels) + " channels, " +
                         std::to_string(pixels) + " pixels");
            std::vector<T> a(pixels * static_cast<size_t>(channels)), b(a.size());
            Fill(a, b, random);
            const SampleDifferences want = Plain(a, b, channels);
            // Each build adds to what the tally already holds.
            SampleDifferences start;
            start.AddSample(0, 3, 5);
            SampleDifferences wantAfterStart = start;
            wantAfterStart.Add(want);

            SampleDifferences chosen = start;
            TallyDifferences(a.data(), b.data(), a.size(), channels, chosen);
            ExpectEqual(chosen, wantAfterStart);
            SampleDifferences generic;
            difference_detail::TallyGeneric(a.data(), b.data(), a.size(), channels, generic);
            ExpectEqual(generic, want);
#if defined(CITRA_AVX2_KERNELS)
            if (CpuHasAvx2Fma()) {
                SampleDifferences avx2;
                difference_detail::TallyAvx2(a.data(), b.data(), a.size(), channels, avx2);
                ExpectEqual(avx2, want);
            }
#endif
        }
    }
}

TEST(TallyDifferences, EveryBuildMatchesThePlainLoop8Bit) { CheckEveryBuild<uint8_t>(); }
TEST(TallyDifferences, EveryBuildMatchesThePlainLoop16Bit) { CheckEveryBuild<uint16_t>(); }

// The 32-bit lanes of a group of 255 blocks at their largest: every sample
// differing by 255 for more than a group.
TEST(TallyDifferences, LargestSquaresOverManyGroupsStayExact) {
    const size_t n = 48 * 255 * 5 + 3;
    const std::vector<uint8_t> a(n, 0), b(n, 255);
    SampleDifferences got;
    TallyDifferences(a.data(), b.data(), n, 3, got);
    EXPECT_EQ(got.squares[0] + got.squares[1] + got.squares[2], uint64_t{n} * 65025);
    EXPECT_EQ(got.squares[0], uint64_t{(n + 2) / 3} * 65025);
    EXPECT_EQ(got.changed, n);
    EXPECT_EQ(got.maxAbs, 255u);
}

}  // namespace
