#include "thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
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

// Each output row: the input rows it covers added column by column (one
// flat loop the compiler vectorises), then each output pixel's run of
// columns added up and divided. The sums are integers, exact; A is wide
// enough for a column of the rows one output row covers.
template <class T, size_t C, size_t CC, class A>
void Scale(const Image& in, Image& out) {
    const T* s = Samples<T>(in);
    const size_t w = static_cast<size_t>(in.width), h = static_cast<size_t>(in.height);
    const size_t ow = static_cast<size_t>(out.width), oh = static_cast<size_t>(out.height);
    // Output column ox covers the input columns x with x * ow / w == ox.
    std::vector<size_t> firstColumn(ow + 1, w);
    for (size_t x = w; x-- > 0;) firstColumn[x * ow / w] = x;
    std::vector<A> columns(w * C);
    // 8 bits at full scale: the rounded mean in integers, as lround gives it.
    const bool bytes = sizeof(T) == 1 && in.peak == 255;
    const double toByte = 255.0 / static_cast<double>(in.peak);
    size_t y = 0;
    for (size_t oy = 0; oy < oh; ++oy) {
        std::fill(columns.begin(), columns.end(), A{0});
        const size_t yEnd = (oy + 1) * h / oh;
        const size_t rows = yEnd - y;
        for (; y < yEnd; ++y) {
            const T* row = s + y * w * C;
            for (size_t i = 0; i < w * C; ++i) columns[i] += row[i];
        }
        uint8_t* o = out.samples8.data() + oy * ow * CC;
        for (size_t ox = 0; ox < ow; ++ox) {
            uint64_t sum[CC] = {};
            for (size_t x = firstColumn[ox]; x < firstColumn[ox + 1]; ++x)
                for (size_t ch = 0; ch < CC; ++ch) sum[ch] += columns[x * C + ch];
            const uint64_t n = rows * (firstColumn[ox + 1] - firstColumn[ox]);
            for (size_t ch = 0; ch < CC; ++ch) {
                if (bytes) {
                    // floor((2 sum + n) / 2n): a quotient of integers below
                    // 2^53 divided in doubles floors exactly, and far faster
                    // than a 64-bit integer division.
                    o[ox * CC + ch] = static_cast<uint8_t>(static_cast<double>(2 * sum[ch] + n) /
                                                           static_cast<double>(2 * n));
                } else {
                    const double mean = static_cast<double>(sum[ch]) / static_cast<double>(n);
                    o[ox * CC + ch] = static_cast<uint8_t>(std::clamp(std::lround(mean * toByte), 0L, 255L));
                }
            }
        }
    }
}

template <class T, size_t C, size_t CC>
void Scale(const Image& in, Image& out) {
    // The most input rows one output row covers, at the largest sample.
    const uint64_t rows = (static_cast<uint64_t>(in.height) + out.height - 1) / out.height + 1;
    if (rows * std::numeric_limits<T>::max() <= std::numeric_limits<uint32_t>::max())
        Scale<T, C, CC, uint32_t>(in, out);
    else
        Scale<T, C, CC, uint64_t>(in, out);
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
