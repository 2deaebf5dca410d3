#include "sample_differences_builds.h"
#include "sample_differences_kernel.h"

namespace difference_detail {

void TallyGeneric(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out) {
    TallyBytes(a, b, n, channels, out);
}

void TallyGeneric(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out) {
    TallyWords(a, b, n, channels, out);
}

}  // namespace difference_detail
