// libFuzzer target: the input is loaded from memory under every registered
// extension (fuzz_checks::CheckLoad); any fault it finds stops the run.
#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto fault = fuzz_checks::CheckLoad(data, size)) {
        std::fprintf(stderr, "fuzz_load_picture: %s\n", fault->c_str());
        std::abort();
    }
    return 0;
}
