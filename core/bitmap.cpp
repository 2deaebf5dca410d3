#include "bitmap.h"

#include <cerrno>

#include "error.h"
#include "messages.h"

bool Bitmap::IsRasterDepth(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return true;
        default:
            return false;
    }
}

bool Bitmap::StoreAccepts(int32_t width, int32_t height, int bitsPerPixel) {
    return width > 0 && height > 0 && IsRasterDepth(bitsPerPixel) &&
           StrideFor(width, bitsPerPixel) * static_cast<uint64_t>(height) <= kMaxRasterBytes;
}

uint64_t Bitmap::StrideFor(int32_t width, int bitsPerPixel) {
    if (width <= 0 || bitsPerPixel <= 0) {
        return 0;
    }
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

bool Bitmap::Allocate(int32_t width, int32_t height, int bitsPerPixel, bool topDown) {
    if (!StoreAccepts(width, height, bitsPerPixel)) {
        errno = 0;
        return false;
    }
    const uint64_t stride = StrideFor(width, bitsPerPixel);
    // calloc: large blocks come straight from the kernel already zeroed,
    // so the pixel read touches every page once.
    errno = 0;
    auto* pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(height), static_cast<size_t>(stride)));
    if (pixels == nullptr) {
        if (errno == 0) {
            errno = ENOMEM;
        }
        return false;
    }
    pixels_.reset(pixels);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    stride_ = static_cast<size_t>(stride);
    topDown_ = topDown;
    colourTable_.clear();
    colourMasks_ = {};
    return true;
}

std::span<const uint8_t> Bitmap::PixelRow(int32_t row) const {
    if (row < 0 || row >= height_ || !pixels_) {
        throw CitraError(msg::kScanLine);
    }
    const size_t storageRow = static_cast<size_t>(topDown_ ? row : height_ - 1 - row);
    return {pixels_.get() + storageRow * stride_, stride_};
}
