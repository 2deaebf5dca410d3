// libFuzzer target: the input is decoded from memory by ReadImage as every
// kind it takes (fuzz_checks::CheckReadImage); any fault it finds stops the
// run.
#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto fault = fuzz_checks::CheckReadImage(data, size)) {
        std::fprintf(stderr, "fuzz_read_image: %s\n", fault->c_str());
        std::abort();
    }
    return 0;
}
