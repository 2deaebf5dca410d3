#include "histogram.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>

#include "histogram_counting.h"
#include "worker_count.h"

namespace histogram_detail {

void FlushInto(SubCounts& sub, Totals& totals) {
    for (int lane = 0; lane < 4; ++lane)
        for (int ch = 0; ch < 3; ++ch)
            for (int v = 0; v < 256; ++v) totals[ch][v] += sub.c[lane][ch][v];
    std::memset(&sub, 0, sizeof sub);
}

// Counts the 3 * width pixel bytes starting at p.
void CountRow(const uint8_t* p, size_t width, SubCounts& sub) {
    auto& b0 = sub.c[0][0]; auto& g0 = sub.c[0][1]; auto& r0 = sub.c[0][2];
    auto& b1 = sub.c[1][0]; auto& g1 = sub.c[1][1]; auto& r1 = sub.c[1][2];
    auto& b2 = sub.c[2][0]; auto& g2 = sub.c[2][1]; auto& r2 = sub.c[2][2];
    auto& b3 = sub.c[3][0]; auto& g3 = sub.c[3][1]; auto& r3 = sub.c[3][2];
    size_t x = 0;
    // Four pixels (12 bytes) per step, loaded as three words so the stores
    // into the counters cannot force the pixel bytes to be read again.
    for (; x + 4 <= width; x += 4, p += 12) {
        uint32_t w0, w1, w2;
        std::memcpy(&w0, p, 4);      // B0 G0 R0 B1
        std::memcpy(&w1, p + 4, 4);  // G1 R1 B2 G2
        std::memcpy(&w2, p + 8, 4);  // R2 B3 G3 R3
        ++b0[w0 & 0xFF];
        ++g0[(w0 >> 8) & 0xFF];
        ++r0[(w0 >> 16) & 0xFF];
        ++b1[w0 >> 24];
        ++g1[w1 & 0xFF];
        ++r1[(w1 >> 8) & 0xFF];
        ++b2[(w1 >> 16) & 0xFF];
        ++g2[w1 >> 24];
        ++r2[w2 & 0xFF];
        ++b3[(w2 >> 8) & 0xFF];
        ++g3[(w2 >> 16) & 0xFF];
        ++r3[w2 >> 24];
    }
    for (; x < width; ++x, p += 3) {
        ++b0[p[0]];
        ++g0[p[1]];
        ++r0[p[2]];
    }
}

void PixelCounter::Count(const uint8_t* p, size_t pixels) {
    // A lane gets at most a quarter of the pixels plus three per call;
    // flushing before 2^32 pixels have been counted keeps every counter
    // from wrapping.
    constexpr uint64_t kFlushLimit = std::numeric_limits<uint32_t>::max();
    if (sinceFlush_ + pixels > kFlushLimit) {
        FlushInto(sub_, totals_);
        sinceFlush_ = 0;
    }
    CountRow(p, pixels, sub_);
    sinceFlush_ += pixels;
}

void PixelCounter::Flush() {
    FlushInto(sub_, totals_);
    sinceFlush_ = 0;
}

namespace {

int32_t Clamp32(uint64_t n) {
    return static_cast<int32_t>(std::min<uint64_t>(n, std::numeric_limits<int32_t>::max()));
}

}  // namespace

ChannelHistogram HistogramOfBands(const PixelCounter* counters, unsigned bands) {
    ChannelHistogram result;
    for (int v = 0; v < 256; ++v) {
        uint64_t blue = 0, green = 0, red = 0;
        for (unsigned b = 0; b < bands; ++b) {
            blue += counters[b].Sums()[0][v];
            green += counters[b].Sums()[1][v];
            red += counters[b].Sums()[2][v];
        }
        result.Blue[v] = Clamp32(blue);
        result.Green[v] = Clamp32(green);
        result.Red[v] = Clamp32(red);
    }
    int32_t peak = 0;
    for (int v = 0; v < 256; ++v) {
        if (result.Red[v] > peak) peak = result.Red[v];
        if (result.Green[v] > peak) peak = result.Green[v];
        if (result.Blue[v] > peak) peak = result.Blue[v];
    }
    result.Peak = peak;
    return result;
}

unsigned BandsFor(uint64_t pixels, int32_t height) {
    constexpr uint64_t kPixelsPerBand = uint64_t{1} << 22;
    const unsigned cores = std::max(1u, std::min(DefaultWorkerCount(), 8u));
    const uint64_t wanted = std::max<uint64_t>(1, pixels / kPixelsPerBand);
    return static_cast<unsigned>(std::min<uint64_t>({wanted, cores, static_cast<uint64_t>(std::max(height, 1))}));
}

}  // namespace histogram_detail

using namespace histogram_detail;

namespace {

// Counts storage rows [first, last) of the bitmap.
void CountRows(const Bitmap& bitmap, int32_t first, int32_t last, PixelCounter& counter) {
    const size_t w = static_cast<size_t>(bitmap.Width());
    const int32_t height = bitmap.Height();
    // Counting does not depend on the row order: rows are taken in storage
    // order so that memory is read forwards.
    const bool bottomUp = !bitmap.TopDown();
    for (int32_t i = first; i < last; ++i) counter.Count(PixelRow(bitmap, bottomUp ? height - 1 - i : i).data(), w);
    counter.Flush();
}

}  // namespace

ChannelHistogram ComputeChannelHistogram(const Bitmap& bitmap) {
    const uint64_t pixels = static_cast<uint64_t>(bitmap.Width()) * static_cast<uint64_t>(bitmap.Height());
    return ComputeChannelHistogramInBands(bitmap, BandsFor(pixels, bitmap.Height()));
}

ChannelHistogram ComputeChannelHistogramInBands(const Bitmap& bitmap, unsigned bands) {
    ChannelHistogram result;
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    // Only a 24-bit raster is read as blue, green, red triples; any other
    // depth gives no counts rather than misreading (or overrunning) its rows.
    if (bitmap.BitsPerPixel() != 24 || width <= 0 || height <= 0) return result;
    if (bitmap.Stride() < 3 * static_cast<size_t>(width)) return result;

    bands = std::clamp(bands, 1u, static_cast<unsigned>(height));
    // Everything is allocated here, so a worker has nothing left to fail on.
    std::unique_ptr<PixelCounter[]> counters(new PixelCounter[bands]());
    auto bandStart = [&](unsigned b) { return static_cast<int32_t>(int64_t{height} * b / bands); };
    auto count = [&](unsigned b) { CountRows(bitmap, bandStart(b), bandStart(b + 1), counters[b]); };
    RunBands(bands, count);
    return HistogramOfBands(counters.get(), bands);
}

ChannelHistogram ComputeChannelHistogram(const Picture& picture) {
    // Reads whatever bitmap the picture holds; an empty picture or another
    // kind of graphic is left as it is and gives all-zero counts.
    const Bitmap* bitmap = picture.BitmapIfAny();
    if (bitmap == nullptr) return ChannelHistogram{};
    return ComputeChannelHistogram(*bitmap);
}
