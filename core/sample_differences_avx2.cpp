// The loops of sample_differences_generic.cpp built with AVX2
// (core/CMakeLists.txt sets the flags for this file alone); used only on
// processors that have it.
#include "sample_differences_kernel.h"

namespace difference_detail {

#if defined(CITRA_AVX2_KERNELS)
void TallyAvx2(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out) {
    TallyBytes(a, b, n, channels, out);
}

void TallyAvx2(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out) {
    TallyWords(a, b, n, channels, out);
}
#endif

}  // namespace difference_detail
