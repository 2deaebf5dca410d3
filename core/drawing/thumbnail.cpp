#include "thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

template <class T>
const T* Samples(const Image& image) {
    if constexpr (sizeof(T) == 1) {
        return image.samples8.data();
    } else {
        return image.samples16.data();
    }
}

// Sums of the input pixels each output pixel covers, then their means. The
// sums are integers (exact, as the double sums were) and the channel counts
// constants, so the walk over the rows runs at memory speed.
template <class T, size_t C, size_t CC>
void Scale(const Image& in, Image& out) {
    const T* s = Samples<T>(in);
    const size_t w = static_cast<size_t>(in.width), h = static_cast<size_t>(in.height);
    const size_t ow = static_cast<size_t>(out.width), oh = static_cast<size_t>(out.height);
    std::vector<uint64_t> sums(ow * CC);
    std::vector<uint32_t> columnOf(w);
    for (size_t x = 0; x < w; ++x) columnOf[x] = static_cast<uint32_t>(x * ow / w);
    std::vector<size_t> columnCount(ow, 0);
    for (size_t x = 0; x < w; ++x) ++columnCount[columnOf[x]];
    const double toByte = 255.0 / static_cast<double>(in.peak);
    size_t y = 0;
    for (size_t oy = 0; oy < oh; ++oy) {
        std::fill(sums.begin(), sums.end(), 0);
        const size_t yEnd = (oy + 1) * h / oh;
        const size_t rows = yEnd - y;
        for (; y < yEnd; ++y) {
            const T* row = s + y * w * C;
            for (size_t x = 0; x < w; ++x) {
                uint64_t* sum = &sums[columnOf[x] * CC];
                for (size_t ch = 0; ch < CC; ++ch) sum[ch] += row[x * C + ch];
            }
        }
        for (size_t ox = 0; ox < ow; ++ox)
            for (size_t ch = 0; ch < CC; ++ch) {
                const double mean =
                    static_cast<double>(sums[ox * CC + ch]) / static_cast<double>(rows * columnCount[ox]);
                out.samples8[(oy * ow + ox) * CC + ch] =
                    static_cast<uint8_t>(std::clamp(std::lround(mean * toByte), 0L, 255L));
            }
    }
}

// The colour or grey samples of any layout (alpha left out).
template <class T>
void ScaleAny(const Image& in, Image& out) {
    switch (in.layout) {
    case ChannelLayout::Grey: return Scale<T, 1, 1>(in, out);
    case ChannelLayout::GreyAlpha: return Scale<T, 2, 1>(in, out);
    case ChannelLayout::Rgb: return Scale<T, 3, 3>(in, out);
    case ChannelLayout::Rgba: return Scale<T, 4, 3>(in, out);
    }
}

}  // namespace

Image Thumbnail(const Image& image, int32_t maxWidth, int32_t maxHeight) {
    Image out;
    const bool colour = image.layout == ChannelLayout::Rgb || image.layout == ChannelLayout::Rgba;
    out.layout = colour ? ChannelLayout::Rgb : ChannelLayout::Grey;
    const double scale = std::min({1.0, static_cast<double>(maxWidth) / std::max(image.width, 1),
                                   static_cast<double>(maxHeight) / std::max(image.height, 1)});
    out.width = std::max<int32_t>(1, static_cast<int32_t>(std::floor(image.width * scale)));
    out.height = std::max<int32_t>(1, static_cast<int32_t>(std::floor(image.height * scale)));
    out.samples8.resize(out.SampleCount());
    if (image.width <= 0 || image.height <= 0) return out;
    if (image.bitDepth == 16)
        ScaleAny<uint16_t>(image, out);
    else
        ScaleAny<uint8_t>(image, out);
    return out;
}
