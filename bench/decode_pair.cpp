// The floor of comparing two decoded files: ReadImage of both, side by side
// on two threads as `citra compare` decodes a single pair, and a sum of
// their samples (so that the decoding cannot be left out), nothing else.
// With --libspng, PNG files are decoded by libspng alone, as before their
// image data was inflated by libdeflate (see png_inflate.sh); the file is
// read as ReadImage reads it.
// Usage: citra_decode_pair [--libspng] FILE1 FILE2
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <numeric>
#include <string>
#include <thread>

#include "error.h"
#include "image_png.h"
#include "image_reader.h"
#include "input_file.h"

namespace {

Image ReadWithLibspng(const char* path) {
    InputFile file(path);
    const SampleBytes bytes = file.ReadBlock(file.Size());
    file.ThrowIfChanged();
    try {
        return DecodePngWithLibspng(bytes, ImageLimits{});
    } catch (const CitraError& e) {
        throw CitraError(std::string(path) + ": " + e.what(), e.Kind());
    }
}

uint64_t DecodeAndSum(const char* path, bool libspng, std::string& error) {
    try {
        const Image image = libspng ? ReadWithLibspng(path) : ReadImage(path);
        const uint64_t sum = std::accumulate(image.samples8.begin(), image.samples8.end(), uint64_t{0});
        return std::accumulate(image.samples16.begin(), image.samples16.end(), sum);
    } catch (const std::exception& e) {
        error = e.what();
        return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool libspng = argc == 4 && std::strcmp(argv[1], "--libspng") == 0;
    if (argc != 3 && !libspng) {
        std::fprintf(stderr, "usage: citra_decode_pair [--libspng] FILE1 FILE2\n");
        return 2;
    }
    const char* firstPath = argv[argc - 2];
    const char* secondPath = argv[argc - 1];
    std::string firstError, secondError;
    uint64_t first = 0;
    uint64_t second = 0;
    {
        std::jthread reader([&] { first = DecodeAndSum(firstPath, libspng, firstError); });
        second = DecodeAndSum(secondPath, libspng, secondError);
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
