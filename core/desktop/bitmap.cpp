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
    // Zeroed memory straight from the kernel, so the pixel read touches
    // every page once; large rasters on huge pages (RasterStore).
    if (!pixels_.Allocate(static_cast<size_t>(stride) * static_cast<size_t>(height))) {
        return false;
    }
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
    if (row < 0 || row >= height_ || pixels_.Data() == nullptr) {
        throw CitraError(msg::kScanLine);
    }
    const size_t storageRow = static_cast<size_t>(topDown_ ? row : height_ - 1 - row);
    return {pixels_.Data() + storageRow * stride_, stride_};
}
