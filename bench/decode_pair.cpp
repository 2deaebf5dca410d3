// The floor of comparing two decoded files: ReadImage of both and a sum of
// their samples (so that the decoding cannot be left out), nothing else.
// Usage: citra_decode_pair FILE1 FILE2
#include <cstdint>
#include <cstdio>
#include <exception>
#include <numeric>

#include "image_reader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: citra_decode_pair FILE1 FILE2\n");
        return 2;
    }
    try {
        uint64_t sum = 0;
        for (int i = 1; i <= 2; ++i) {
            const Image image = ReadImage(argv[i]);
            sum = std::accumulate(image.samples8.begin(), image.samples8.end(), sum);
            sum = std::accumulate(image.samples16.begin(), image.samples16.end(), sum);
        }
        std::printf("%llu\n", static_cast<unsigned long long>(sum));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "citra_decode_pair: %s\n", e.what());
        return 1;
    }
    return 0;
}
