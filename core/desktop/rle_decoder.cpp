#include "rle_decoder.h"

namespace {

class RasterWriter {
public:
    RasterWriter(Bitmap& raster, const std::vector<uint32_t>& table)
        : pixels_(raster.MutableData()),
          stride_(raster.Stride()),
          width_(raster.Width()),
          height_(raster.Height()),
          table_(table) {}

    bool Done() const { return y_ >= height_; }
    bool RowFull() const { return x_ >= width_; }
    // Every row reached: past the top, or the top row full.
    bool Filled() const { return Done() || (y_ == height_ - 1 && RowFull()); }

    void Put(uint8_t index) {
        if (x_ < width_ && y_ < height_) {
            const uint32_t colour = index < table_.size() ? table_[index] : 0;
            uint8_t* p = pixels_ + static_cast<size_t>(y_) * stride_ + static_cast<size_t>(x_) * 4;
            p[0] = static_cast<uint8_t>(colour);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour >> 16);
            p[3] = 0xFF;
        }
        ++x_;
    }
    // Moves right without writing (the rest of a run past the right edge).
    void Skip(int64_t count) { x_ += count; }
    void NextLine() {
        x_ = 0;
        ++y_;
    }
    void Move(int64_t dx, int64_t dy) {
        x_ += dx;
        y_ += dy;
    }

private:
    uint8_t* pixels_;
    size_t stride_;
    int64_t width_;
    int64_t height_;
    const std::vector<uint32_t>& table_;
    int64_t x_ = 0;
    int64_t y_ = 0;
};

// The k-th index of a run whose bytes hold one (8-bit) or two (4-bit) indices.
uint8_t IndexOf(uint8_t byte, int k, int bitsPerIndex) {
    if (bitsPerIndex == 8) {
        return byte;
    }
    return (k & 1) ? (byte & 0x0F) : (byte >> 4);
}

}  // namespace

bool DecodeRunLength(std::span<const uint8_t> data, int bitsPerIndex, const std::vector<uint32_t>& colourTable,
                     Bitmap& raster) {
    if (raster.Empty() || raster.BitsPerPixel() != 32 || (bitsPerIndex != 8 && bitsPerIndex != 4)) {
        return true;
    }
    RasterWriter out(raster, colourTable);
    size_t i = 0;
    while (i + 1 < data.size() && !out.Done()) {
        const uint8_t count = data[i];
        const uint8_t code = data[i + 1];
        i += 2;
        if (count > 0) {
            // Encoded run: count pixels from one byte.
            int k = 0;
            for (; k < count && !out.RowFull(); ++k) {
                out.Put(IndexOf(code, k, bitsPerIndex));
            }
            out.Skip(count - k);
            continue;
        }
        if (code == 0) {
            out.NextLine();
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (i + 1 >= data.size()) {
                return out.Filled();
            }
            out.Move(data[i], data[i + 1]);
            i += 2;
        } else {
            // Absolute run: code indices, padded to a 16-bit boundary.
            const size_t bytes = bitsPerIndex == 8 ? code : (code + 1u) / 2;
            int k = 0;
            for (; k < code && !out.RowFull(); ++k) {
                const size_t at = i + (bitsPerIndex == 8 ? k : k / 2);
                if (at >= data.size()) {
                    return out.Filled();
                }
                out.Put(IndexOf(data[at], k, bitsPerIndex));
            }
            out.Skip(code - k);
            i += bytes + (bytes & 1);
        }
    }
    return out.Filled();
}
