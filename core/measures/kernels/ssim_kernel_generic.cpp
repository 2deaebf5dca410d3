#include "ssim_kernel.h"

namespace ssim_detail {

void SsimRowsGeneric(const Job& job, size_t rowBegin, size_t rowEnd, double* work, double* rowSums) {
    if (job.bitDepth == 16)
        SsimRowsOf<uint16_t>(job, rowBegin, rowEnd, work, rowSums);
    else
        SsimRowsOf<uint8_t>(job, rowBegin, rowEnd, work, rowSums);
}

}  // namespace ssim_detail
