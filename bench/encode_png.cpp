// The PNG encoding share of `citra diff`: decodes a picture (untimed), then
// encodes it with EncodePng as diff writes its pictures (zlib level 1,
// unfiltered), several times, in a fresh process each run of the benchmark;
// prints the median encoding time in seconds and the size.
// Usage: citra_encode_png PICTURE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "image_reader.h"
#include "png_writer.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: citra_encode_png PICTURE [RUNS]\n");
        return 2;
    }
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        const Image picture = ReadImage(argv[1]);
        std::vector<double> seconds;
        size_t bytes = 0;
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            bytes = EncodePng(picture, {}, kDifferencePng).size();
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(seconds.begin(), seconds.end());
        std::printf("%.6f %zu\n", seconds[seconds.size() / 2], bytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
