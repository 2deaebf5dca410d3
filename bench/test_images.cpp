#include "test_images.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// 54-byte file header + BITMAPINFOHEADER of a bottom-up 24-bit bitmap.
std::vector<uint8_t> Header(int32_t width, int32_t height, uint32_t pixelBytes) {
    std::vector<uint8_t> h(54, 0);
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], 54 + pixelBytes);
    Put32(&h[10], 54);
    Put32(&h[14], 40);
    Put32(&h[18], static_cast<uint32_t>(width));
    Put32(&h[22], static_cast<uint32_t>(height));
    Put16(&h[26], 1);
    Put16(&h[28], 24);
    Put32(&h[34], pixelBytes);
    return h;
}

// xorshift: cheap, and varied enough that every byte value occurs.
struct Noise {
    uint64_t s;
    uint64_t Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
};

void WriteAll(FILE* f, const uint8_t* p, size_t n, const std::string& path) {
    if (std::fwrite(p, 1, n, f) != n) throw std::runtime_error("cannot write " + path);
}

}  // namespace

TestImagePair::TestImagePair(int32_t width, int32_t height) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/citra-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("cannot make a folder in " + pattern);
    folder_ = buf.data();
    original_ = folder_ + "/original.bmp";
    manipulated_ = folder_ + "/manipulated.bmp";

    const size_t stride = (static_cast<size_t>(width) * 24 + 31) / 32 * 4;
    const uint32_t pixelBytes = static_cast<uint32_t>(stride * height);
    const std::vector<uint8_t> header = Header(width, height, pixelBytes);
    FILE* a = std::fopen(original_.c_str(), "wb");
    FILE* b = std::fopen(manipulated_.c_str(), "wb");
    if (!a || !b) {
        if (a) std::fclose(a);
        if (b) std::fclose(b);
        throw std::runtime_error("cannot create the test images in " + folder_);
    }
    WriteAll(a, header.data(), header.size(), original_);
    WriteAll(b, header.data(), header.size(), manipulated_);
    // A smooth picture, and the same with small noise on every byte.
    Noise noise{0x9E3779B97F4A7C15ull};
    std::vector<uint8_t> rowA(stride, 0), rowB(stride, 0);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* pa = &rowA[3 * static_cast<size_t>(x)];
            pa[0] = static_cast<uint8_t>(x + y);
            pa[1] = static_cast<uint8_t>(x * 3 - y);
            pa[2] = static_cast<uint8_t>((x ^ y) >> 2);
        }
        for (size_t i = 0; i < stride; i += 8) {
            const uint64_t r = noise.Next();
            for (size_t k = 0; k < 8 && i + k < stride; ++k)
                rowB[i + k] = static_cast<uint8_t>(rowA[i + k] + static_cast<int>((r >> (8 * k)) & 7) - 3);
        }
        WriteAll(a, rowA.data(), stride, original_);
        WriteAll(b, rowB.data(), stride, manipulated_);
    }
    const bool closed = std::fclose(a) == 0 && std::fclose(b) == 0;
    if (!closed) throw std::runtime_error("cannot write the test images in " + folder_);
    fileSize_ = static_cast<int64_t>(header.size() + pixelBytes);
}

TestImagePair::~TestImagePair() {
    std::remove(original_.c_str());
    std::remove(manipulated_.c_str());
    rmdir(folder_.c_str());
}
