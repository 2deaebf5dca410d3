#pragma once
// The two builds of the difference pass (sample_differences_generic.cpp,
// sample_differences_avx2.cpp); TallyDifferences picks one at run time.
#include <cstddef>
#include <cstdint>

#include "sample_differences.h"

namespace difference_detail {
void TallyGeneric(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out);
void TallyGeneric(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out);
#if defined(CITRA_AVX2_KERNELS)
void TallyAvx2(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out);
void TallyAvx2(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out);
#endif
}  // namespace difference_detail
