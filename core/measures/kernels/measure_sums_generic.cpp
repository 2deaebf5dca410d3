// measure's sums for any processor.
#include "measure_sums_kernel.h"

namespace measure_detail {

void TallyGeneric(const uint8_t* a, const uint8_t* b, size_t begin, size_t end, int channels, uint32_t peak, Sums& out) {
    TallyRange(a, b, begin, end, channels, peak, out);
}

void TallyGeneric(const uint16_t* a, const uint16_t* b, size_t begin, size_t end, int channels, uint32_t peak,
          Sums& out) {
    TallyRange(a, b, begin, end, channels, peak, out);
}

}  // namespace measure_detail
