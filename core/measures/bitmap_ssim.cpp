#include "bitmap_ssim.h"

void BitmapRgbRows::Read(size_t first, size_t count, uint8_t* out) {
    const BitmapFileLayout& layout = stream_.Layout();
    const size_t height = static_cast<size_t>(layout.height);
    const size_t width = static_cast<size_t>(layout.width);
    const uint64_t stride = layout.stride;
    // Rows [first, first + count) from the top are one run of rows in the
    // file: in this order top-down, reversed bottom-up.
    const size_t fileFirst = layout.topDown ? first : height - first - count;
    band_.resize(static_cast<size_t>(count * stride));
    stream_.ReadRaster(fileFirst * stride, band_.size(), band_.data());
    for (size_t i = 0; i < count; ++i) {
        const size_t fileRow = layout.topDown ? i : count - 1 - i;
        const uint8_t* bgr = band_.data() + fileRow * stride;
        uint8_t* rgb = out + i * width * 3;
        for (size_t x = 0; x < width; ++x, bgr += 3, rgb += 3) {
            rgb[0] = bgr[2];
            rgb[1] = bgr[1];
            rgb[2] = bgr[0];
        }
    }
}

std::vector<double> BitmapPairSsim(BitmapFileStream& a, BitmapFileStream& b, unsigned threads) {
    BitmapRgbRows rowsA(a), rowsB(b);
    std::vector<double> ssim = ChannelSsimByRows(rowsA, rowsB, static_cast<size_t>(a.Width()),
                                                 static_cast<size_t>(a.Height()), 3, 255, threads);
    a.ThrowIfChanged();
    b.ThrowIfChanged();
    return ssim;
}
