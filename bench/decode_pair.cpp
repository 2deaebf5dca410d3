// The floor of comparing two decoded files: ReadImage of both, side by side
// on two threads as `citra compare` decodes a single pair, and a sum of
// their samples (so that the decoding cannot be left out), nothing else.
// Usage: citra_decode_pair FILE1 FILE2
#include <cstdint>
#include <cstdio>
#include <exception>
#include <numeric>
#include <string>
#include <thread>

#include "image_reader.h"

namespace {

uint64_t DecodeAndSum(const char* path, std::string& error) {
    try {
        const Image image = ReadImage(path);
        const uint64_t sum = std::accumulate(image.samples8.begin(), image.samples8.end(), uint64_t{0});
        return std::accumulate(image.samples16.begin(), image.samples16.end(), sum);
    } catch (const std::exception& e) {
        error = e.what();
        return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: citra_decode_pair FILE1 FILE2\n");
        return 2;
    }
    std::string firstError, secondError;
    uint64_t first = 0;
    uint64_t second = 0;
    {
        std::jthread reader([&] { first = DecodeAndSum(argv[1], firstError); });
        second = DecodeAndSum(argv[2], secondError);
    }
    for (const std::string& error : {firstError, secondError}) {
        if (!error.empty()) {
            std::fprintf(stderr, "citra_decode_pair: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("%llu\n", static_cast<unsigned long long>(first + second));
    return 0;
}
