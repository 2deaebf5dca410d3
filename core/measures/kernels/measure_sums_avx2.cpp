// measure's sums for processors with AVX2 (core/CMakeLists.txt sets the
// flags for this file alone); used only on processors that have it.
#include "measure_sums_kernel.h"

namespace measure_detail {
#if defined(CITRA_AVX2_KERNELS)

void TallyAvx2(const uint8_t* a, const uint8_t* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out) {
    TallyRange(a, b, begin, end, channels, peak, out);
}

void TallyAvx2(const uint16_t* a, const uint16_t* b, size_t begin, size_t end, int channels, uint32_t peak,
          Sums& out) {
    TallyRange(a, b, begin, end, channels, peak, out);
}

#endif

}  // namespace measure_detail
