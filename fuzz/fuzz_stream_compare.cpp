// libFuzzer target: the streamed comparison against LoadPicture +
// ComputeQualityMetrics on one pair made from the input
// (fuzz_checks::CheckStreamedCompare); any difference stops the run.
#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto fault = fuzz_checks::CheckStreamedCompare(data, size)) {
        std::fprintf(stderr, "fuzz_stream_compare: %s\n", fault->c_str());
        std::abort();
    }
    return 0;
}
