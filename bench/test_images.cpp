#include "test_images.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <vector>

#include "bmp_builder.h"

namespace {

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

// Row `y` (in file order) of the smooth picture.
void SmoothRow(int32_t width, int32_t y, std::vector<uint8_t>& row) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* p = &row[3 * static_cast<size_t>(x)];
        p[0] = static_cast<uint8_t>(x + y);
        p[1] = static_cast<uint8_t>(x * 3 - y);
        p[2] = static_cast<uint8_t>((x ^ y) >> 2);
    }
}

void Write(const std::string& path, int32_t width, int32_t height,
           const std::function<void(int32_t, std::vector<uint8_t>&)>& fillRow) {
    if (!bmp_builder::WriteRows(path, {.width = width, .height = height, .bitsPerPixel = 24}, fillRow))
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
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

    // A smooth picture, and the same with small noise on every byte.
    Write(original_, width, height, [&](int32_t y, std::vector<uint8_t>& row) { SmoothRow(width, y, row); });
    Noise noise{0x9E3779B97F4A7C15ull};
    Write(manipulated_, width, height, [&](int32_t y, std::vector<uint8_t>& row) {
        std::fill(row.begin(), row.end(), 0);
        SmoothRow(width, y, row);
        for (size_t i = 0; i < row.size(); i += 8) {
            const uint64_t r = noise.Next();
            for (size_t k = 0; k < 8 && i + k < row.size(); ++k)
                row[i + k] = static_cast<uint8_t>(row[i + k] + static_cast<int>((r >> (8 * k)) & 7) - 3);
        }
    });
    fileSize_ = static_cast<int64_t>(bmp_builder::ComputedPixelOffset({}) +
                                     bmp_builder::Stride(width, 24) * static_cast<size_t>(height));
}

TestImagePair::~TestImagePair() {
    std::remove(original_.c_str());
    std::remove(manipulated_.c_str());
    rmdir(folder_.c_str());
}
