#pragma once
// A raster as read from a bitmap file: rows in file order, each padded to a
// multiple of 4 bytes. PixelRow always counts rows from the top.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "raster_store.h"

class Bitmap {
public:
    Bitmap() = default;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    size_t Stride() const { return stride_; }
    bool TopDown() const { return topDown_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Row 0 is the top row; throws CitraError("Scan line index out of range").
    std::span<const uint8_t> PixelRow(int32_t row) const;

    // Colour table and masks as read from the file; kept, never interpreted.
    const std::vector<uint32_t>& ColourTable() const { return colourTable_; }
    const std::array<uint32_t, 3>& ColourMasks() const { return colourMasks_; }

    // Largest pixel storage the raster store accepts.
    static constexpr uint64_t kMaxRasterBytes = uint64_t{1} << 30;
    // Row length in bytes: whole 32-bit words; 0 for a width or depth <= 0.
    static uint64_t StrideFor(int32_t width, int bitsPerPixel);
    // The depths a raster is stored with: 1, 4, 8, 16, 24 and 32 bits.
    static bool IsRasterDepth(int bitsPerPixel);
    // Whether Allocate() takes this size and depth (memory aside).
    static bool StoreAccepts(int32_t width, int32_t height, int bitsPerPixel);

    // Construction, for the readers. Allocate() sizes a zero-filled raster
    // (and drops any colour table and masks); it returns false when the
    // raster store refuses the size, with errno 0 for a refused combination
    // (width or height not positive, depth not 1/4/8/16/24/32, storage above
    // kMaxRasterBytes) and errno set when memory runs out.
    bool Allocate(int32_t width, int32_t height, int bitsPerPixel, bool topDown);
    uint8_t* MutableData() { return pixels_.Data(); }
    const uint8_t* Data() const { return pixels_.Data(); }
    size_t DataSize() const { return stride_ * static_cast<size_t>(height_); }
    void SetColourTable(std::vector<uint32_t> table) { colourTable_ = std::move(table); }
    void SetColourMasks(const std::array<uint32_t, 3>& masks) { colourMasks_ = masks; }
    // Marks a decoded run-length raster: BitsPerPixel becomes 0.
    void SetBitsPerPixel(int bitsPerPixel) { bitsPerPixel_ = bitsPerPixel; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int bitsPerPixel_ = 0;
    size_t stride_ = 0;
    bool topDown_ = false;
    RasterStore pixels_;
    std::vector<uint32_t> colourTable_;
    std::array<uint32_t, 3> colourMasks_{};
};

// Free-function form used by the histogram and the metrics.
inline std::span<const uint8_t> PixelRow(const Bitmap& bitmap, int32_t row) {
    return bitmap.PixelRow(row);
}
