// The same loops as ssim_kernel_generic.cpp, built with AVX2 and FMA
// (core/CMakeLists.txt sets the flags for this file alone); used only on
// processors that have both.
#include "ssim_kernel.h"

namespace ssim_detail {

#if defined(CITRA_AVX2_KERNELS)
void SsimRowsAvx2(const Job& job, size_t rowBegin, size_t rowEnd, double* work, double* rowSums) {
    if (job.bitDepth == 16)
        SsimRowsOf<uint16_t>(job, rowBegin, rowEnd, work, rowSums);
    else
        SsimRowsOf<uint8_t>(job, rowBegin, rowEnd, work, rowSums);
}
#endif

}  // namespace ssim_detail
