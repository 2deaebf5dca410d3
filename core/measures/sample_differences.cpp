#include "sample_differences.h"

#include <algorithm>

#include "cpu_features.h"
#include "sample_differences_builds.h"


void SampleDifferences::Add(const SampleDifferences& other) {
    for (int c = 0; c < 4; ++c) squares[c] += other.squares[c];
    changed += other.changed;
    maxAbs = std::max(maxAbs, other.maxAbs);
}

namespace {

template <class T>
void Tally(const T* a, const T* b, size_t n, int channels, SampleDifferences& out) {
#if defined(CITRA_AVX2_KERNELS)
    if (CpuHasAvx2Fma()) return difference_detail::TallyAvx2(a, b, n, channels, out);
#endif
    difference_detail::TallyGeneric(a, b, n, channels, out);
}

}  // namespace

void TallyDifferences(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out) {
    Tally(a, b, n, channels, out);
}

void TallyDifferences(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out) {
    Tally(a, b, n, channels, out);
}
