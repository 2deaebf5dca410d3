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

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// BITMAPFILEHEADER + BITMAPINFOHEADER of a bottom-up 24-bit picture.
std::vector<uint8_t> Header(int32_t width, int32_t height, uint64_t fileSize, uint32_t imageSize) {
    std::vector<uint8_t> h(54, 0);
    h[0] = 'B';
    h[1] = 'M';
    Put32(h, 2, static_cast<uint32_t>(fileSize));
    Put32(h, 10, 54);
    Put32(h, 14, 40);
    Put32(h, 18, static_cast<uint32_t>(width));
    Put32(h, 22, static_cast<uint32_t>(height));
    Put16(h, 26, 1);
    Put16(h, 28, 24);
    Put32(h, 34, imageSize);
    return h;
}

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
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    const uint64_t imageSize = stride * static_cast<uint64_t>(height);
    const std::vector<uint8_t> header = Header(width, height, 54 + imageSize, static_cast<uint32_t>(imageSize));
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    std::vector<uint8_t> row(stride, 0);
    Noise noise{0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(index + 1)};
    for (int32_t r = 0; ok && r < height; ++r) {
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
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
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
