// BMP of every depth into RGB(A) samples, from the raster the bitmap reader
// keeps raw (indices, packed bit fields, or the 32-bit raster of run-length
// data).
#include <algorithm>
#include <string>

#include "bmp_reader.h"
#include "error.h"
#include "image_decoders.h"
#include "image_reader.h"
#include "input_file.h"
#include "little_endian.h"

namespace {

constexpr uint32_t kCompressionBitFields = 3;

// One colour channel of a bit-field pixel: its bits moved down and scaled
// to 0..255, rounded.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask == 0) return;
        while (((mask >> shift) & 1u) == 0) ++shift;
        max = mask >> shift;
    }
    uint8_t Scale(uint32_t pixel) const {
        if (max == 0) return 0;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint8_t>((value * 255 + max / 2) / max);
    }
};

// The alpha mask of a header with one (56 bytes and longer), for 32-bit
// bit-field pixels; 0 when there is none.
uint32_t AlphaMask(std::span<const uint8_t> bytes, const BitmapFileLayout& layout) {
    if (layout.bitCount != 32 || layout.compression != kCompressionBitFields || bytes.size() < 70) return 0;
    const uint32_t headerSize = Le32(bytes.data() + 14);
    if (headerSize < 56) return 0;
    return Le32(bytes.data() + 14 + 52);
}

}  // namespace

int BmpDecodedChannels(std::span<const uint8_t> firstBytes, const BitmapFileLayout& layout) {
    return AlphaMask(firstBytes, layout) != 0 ? 4 : 3;
}

Image DecodeBmp(std::span<const uint8_t> bytes, const ImageLimits& limits) {
    BitmapFileLayout layout;
    {
        InputFile headers(bytes);
        layout = ReadBitmapLayout(headers);
    }
    if (layout.Empty()) throw CitraError("bitmap has no pixels");
    // The desktop loader leaves missing rows as the raster starts; those are
    // not the picture's samples, so no numbers are made of them.
    if (auto missing = MissingPixelData(layout)) throw CitraError(*missing, ErrorKind::CutShort);
    const uint32_t alphaMask = AlphaMask(bytes, layout);
    const ChannelLayout channels = alphaMask != 0 ? ChannelLayout::Rgba : ChannelLayout::Rgb;
    // The limits come before the raster is read: it is at most 4/3 of the
    // samples.
    Image image = AllocateImage(static_cast<uint64_t>(layout.width), static_cast<uint64_t>(layout.height), channels,
                                8, 255, limits);

    InputFile file(bytes);
    bool runLengthCut = false;
    const std::unique_ptr<Bitmap> bitmap = ReadBitmapFile(file, &runLengthCut);
    if (runLengthCut) {
        throw CitraError("file cut short: its " + std::to_string(layout.bytesTaken) +
                             " bytes of run-length data end before the picture does",
                         ErrorKind::CutShort);
    }
    const std::vector<uint32_t>& table = bitmap->ColourTable();
    std::array<uint32_t, 3> masks = bitmap->ColourMasks();
    if (layout.compression != kCompressionBitFields) {
        if (layout.bitCount == 16) masks = {0x7C00, 0x03E0, 0x001F};
        if (layout.bitCount == 32) masks = {0xFF0000, 0xFF00, 0xFF};
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(alphaMask);
    const int depth = bitmap->BitsPerPixel();
    const size_t width = static_cast<size_t>(image.width);
    const int n = image.Channels();

    for (int32_t y = 0; y < image.height; ++y) {
        const std::span<const uint8_t> row = bitmap->PixelRow(y);
        uint8_t* out = image.samples8.data() + static_cast<size_t>(y) * width * n;
        for (size_t x = 0; x < width; ++x, out += n) {
            if (depth == 24 || depth == 0) {
                // 24-bit pixels and run-length output: blue, green, red.
                const size_t step = depth == 24 ? 3 : 4;
                out[0] = row[x * step + 2];
                out[1] = row[x * step + 1];
                out[2] = row[x * step];
            } else if (depth <= 8) {
                const size_t bit = x * static_cast<size_t>(depth);
                const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
                // An index beyond the table gives black.
                const uint32_t colour = index < table.size() ? table[index] : 0;
                out[0] = static_cast<uint8_t>(colour >> 16);
                out[1] = static_cast<uint8_t>(colour >> 8);
                out[2] = static_cast<uint8_t>(colour);
            } else {
                const uint32_t pixel = depth == 16 ? Le16(&row[x * 2]) : Le32(&row[x * 4]);
                out[0] = red.Scale(pixel);
                out[1] = green.Scale(pixel);
                out[2] = blue.Scale(pixel);
                if (n == 4) out[3] = alpha.Scale(pixel);
            }
        }
    }
    return image;
}
