// Writes 24-bit BMP files for the comparison benchmark:
//   make_bmp_set WIDTH HEIGHT ORIGINAL MANIPULATED...
// ORIGINAL gets a smooth pattern; each MANIPULATED file the same pattern with
// a small pseudo-random change on every byte (a different one per file).
// Files are written row by row, so the program stays small.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_builder.h"

namespace {

uint8_t PatternByte(int32_t x, int32_t y, int channel) {
    return static_cast<uint8_t>((x * (channel + 1) + y * (3 - channel) + (x ^ y) / 16) & 0xFF);
}

// xorshift64*: a fixed, cheap byte stream per file.
struct Noise {
    uint64_t state;
    uint8_t Next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<uint8_t>((state * 0x2545F4914F6CDD1DULL) >> 56);
    }
};

bool WriteFile(const char* path, int32_t width, int32_t height, int index) {
    Noise noise{0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(index + 1)};
    return bmp_builder::WriteRows(
        path, {.width = width, .height = height, .bitsPerPixel = 24}, [&](int32_t r, std::vector<uint8_t>& row) {
            const int32_t y = height - 1 - r;  // bottom row first
            for (int32_t x = 0; x < width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    int v = PatternByte(x, y, c);
                    if (index > 0) {
                        // Mostly small changes, now and then a large one.
                        const uint8_t n = noise.Next();
                        v += (n & 0x80) ? static_cast<int>(n & 0x07) - 3 : (n < 4 ? 97 : 0);
                        v = v < 0 ? 0 : (v > 255 ? 255 : v);
                    }
                    row[3 * static_cast<size_t>(x) + c] = static_cast<uint8_t>(v);
                }
            }
        });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_bmp_set WIDTH HEIGHT ORIGINAL [MANIPULATED...]\n");
        return 2;
    }
    const int32_t width = std::atoi(argv[1]);
    const int32_t height = std::atoi(argv[2]);
    if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * height * 3 > (uint64_t{1} << 31)) {
        std::fprintf(stderr, "make_bmp_set: bad size %s x %s\n", argv[1], argv[2]);
        return 2;
    }
    for (int i = 3; i < argc; ++i) {
        if (!WriteFile(argv[i], width, height, i - 3)) {
            std::perror(argv[i]);
            return 1;
        }
    }
    return 0;
}
