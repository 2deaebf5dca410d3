#include "BitmapImage.h"

#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap.h"

namespace {

// One colour channel packed into a 16- or 32-bit pixel.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    MaskChannel() = default;
    explicit MaskChannel(uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    int Value(uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        return static_cast<int>((static_cast<uint64_t>((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

// Reads pixel x of one row, whatever the bitmap's depth.
class PixelReader {
public:
    explicit PixelReader(const Bitmap& bitmap) : bits_(bitmap.BitsPerPixel()) {
        const auto& masks = bitmap.ColourMasks();
        const bool hasMasks = masks[0] != 0 || masks[1] != 0 || masks[2] != 0;
        if (bits_ == 16) {
            channels_ = hasMasks ? Channels(masks) : Channels({0x7C00, 0x03E0, 0x001F});
        } else if (bits_ == 32) {
            channels_ = hasMasks ? Channels(masks) : Channels({0xFF0000, 0x00FF00, 0x0000FF});
        }
        for (uint32_t entry : bitmap.ColourTable()) {
            palette_.push_back(qRgb((entry >> 16) & 0xFF, (entry >> 8) & 0xFF, entry & 0xFF));
        }
    }

    // False for rasters without pixels to show.
    bool CanRead() const {
        // 0: decoded run-length data, blue, green, red, 255 per pixel.
        return bits_ == 0 || Bitmap::IsRasterDepth(bits_);
    }

    QRgb At(std::span<const uint8_t> row, int x) const {
        switch (bits_) {
            case 24: {
                const uint8_t* p = row.data() + static_cast<size_t>(x) * 3;
                return qRgb(p[2], p[1], p[0]);
            }
            case 0: {
                const uint8_t* p = row.data() + static_cast<size_t>(x) * 4;
                return qRgb(p[2], p[1], p[0]);
            }
            case 32: {
                const uint8_t* p = row.data() + static_cast<size_t>(x) * 4;
                return Masked(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
            }
            case 16: {
                const uint8_t* p = row.data() + static_cast<size_t>(x) * 2;
                return Masked(uint32_t(p[0]) | uint32_t(p[1]) << 8);
            }
            case 8:
                return Indexed(row[static_cast<size_t>(x)]);
            case 4: {
                const uint8_t byte = row[static_cast<size_t>(x) / 2];
                return Indexed(x % 2 == 0 ? byte >> 4 : byte & 0x0F);
            }
            case 1: {
                const uint8_t byte = row[static_cast<size_t>(x) / 8];
                return Indexed((byte >> (7 - x % 8)) & 1);
            }
            default:
                return qRgb(0, 0, 0);
        }
    }

private:
    using ChannelSet = std::array<MaskChannel, 3>;
    static ChannelSet Channels(const std::array<uint32_t, 3>& masks) {
        return {MaskChannel(masks[0]), MaskChannel(masks[1]), MaskChannel(masks[2])};
    }
    QRgb Masked(uint32_t pixel) const {
        return qRgb(channels_[0].Value(pixel), channels_[1].Value(pixel), channels_[2].Value(pixel));
    }
    QRgb Indexed(unsigned index) const {
        return index < palette_.size() ? palette_[index] : qRgb(0, 0, 0);
    }

    int bits_;
    ChannelSet channels_{};
    std::vector<QRgb> palette_;
};

// Source index sampled for target index i of n, over a source of length m:
// the source pixel under the target pixel's centre.
int SampleIndex(int i, int n, int m) {
    return static_cast<int>((2 * static_cast<int64_t>(i) + 1) * m / (2 * static_cast<int64_t>(n)));
}

}  // namespace

QImage BitmapRegionImage(const Bitmap& bitmap, QRect source) {
    const QRect area = source.intersected(QRect(0, 0, bitmap.Width(), bitmap.Height()));
    const PixelReader reader(bitmap);
    if (area.isEmpty() || !reader.CanRead()) {
        return {};
    }
    QImage image(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        const std::span<const uint8_t> row = bitmap.PixelRow(area.top() + y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (bitmap.BitsPerPixel() == 24) {
            const uint8_t* p = row.data() + static_cast<size_t>(area.left()) * 3;
            for (int x = 0; x < area.width(); ++x, p += 3) {
                out[x] = qRgb(p[2], p[1], p[0]);
            }
        } else {
            for (int x = 0; x < area.width(); ++x) {
                out[x] = reader.At(row, area.left() + x);
            }
        }
    }
    return image;
}

QImage BitmapScaledImage(const Bitmap& bitmap, QSize size) {
    const PixelReader reader(bitmap);
    if (size.isEmpty() || bitmap.Empty() || !reader.CanRead()) {
        return {};
    }
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    std::vector<int> columns(static_cast<size_t>(size.width()));
    for (int x = 0; x < size.width(); ++x) {
        columns[static_cast<size_t>(x)] =
            SampleIndex(x, size.width(), width);
    }
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const int sourceRow = SampleIndex(y, size.height(), height);
        const std::span<const uint8_t> row = bitmap.PixelRow(sourceRow);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            out[x] = reader.At(row, columns[static_cast<size_t>(x)]);
        }
    }
    return image;
}
