#include "stream_compare.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "error.h"
#include "picture.h"
#include "squared_difference.h"

namespace {

// One side of a pair, seen as its raster: rows in file order, stride bytes each.
class LoadedRaster {
public:
    explicit LoadedRaster(const Bitmap& bitmap) : bitmap_(bitmap) {}
    bool TopDown() const { return bitmap_.TopDown(); }
    const uint8_t* Bytes(uint64_t offset, size_t /*count*/) const { return bitmap_.Data() + offset; }

private:
    const Bitmap& bitmap_;
};

class StreamedRaster {
public:
    StreamedRaster(BitmapFileStream& stream, uint8_t* buffer) : stream_(stream), buffer_(buffer) {}
    bool TopDown() const { return stream_.Layout().topDown; }
    const uint8_t* Bytes(uint64_t offset, size_t count) {
        stream_.ReadRaster(offset, count, buffer_);
        return buffer_;
    }

private:
    BitmapFileStream& stream_;
    uint8_t* buffer_;
};

// Sum of the squared differences of the first 3 x width bytes of every row
// of two 24-bit rasters of one size, each row paired with the row at the
// same distance from the top. `b` is walked in file order, in bands of at
// most bandBytes; a row longer than that is walked in pieces.
template <typename RasterA, typename RasterB>
uint64_t SumOverRows(RasterA& a, RasterB& b, int32_t width, int32_t height, uint64_t stride, size_t bandBytes) {
    const size_t rowBytes = 3 * static_cast<size_t>(width);
    const bool sameOrder = a.TopDown() == b.TopDown();
    const uint64_t rows = static_cast<uint64_t>(height);
    uint64_t sum = 0;
    const uint64_t rowsPerBand = bandBytes / stride;
    if (rowsPerBand >= 1) {
        for (uint64_t first = 0; first < rows;) {
            const uint64_t count = std::min(rowsPerBand, rows - first);
            const uint64_t firstA = sameOrder ? first : rows - first - count;
            const uint8_t* bandA = a.Bytes(firstA * stride, static_cast<size_t>(count * stride));
            const uint8_t* bandB = b.Bytes(first * stride, static_cast<size_t>(count * stride));
            for (uint64_t i = 0; i < count; ++i) {
                const uint64_t rowA = sameOrder ? i : count - 1 - i;
                sum += SquaredDifferenceSum(bandA + rowA * stride, bandB + i * stride, rowBytes);
            }
            first += count;
        }
        return sum;
    }
    for (uint64_t row = 0; row < rows; ++row) {
        const uint64_t rowA = sameOrder ? row : rows - 1 - row;
        for (size_t done = 0; done < rowBytes;) {
            const size_t piece = std::min(bandBytes, rowBytes - done);
            // Each side reads into a buffer of its own.
            const uint8_t* pieceA = a.Bytes(rowA * stride + done, piece);
            const uint8_t* pieceB = b.Bytes(row * stride + done, piece);
            sum += SquaredDifferenceSum(pieceA, pieceB, piece);
            done += piece;
        }
    }
    return sum;
}

void RefuseUnlessComparable(const BitmapShape& original, const BitmapShape& manipulated) {
    if (const std::optional<std::string> refusal = PairRefusal(original, manipulated)) throw CitraError(*refusal);
}

}  // namespace

BitmapShape ShapeOf(const BitmapFileStream& stream) {
    return {stream.Width(), stream.Height(), stream.BitsPerPixel(), stream.Layout().stride};
}

BitmapFileStream::BitmapFileStream(const std::string& path) : file_(path), layout_(ReadBitmapLayout(file_)) {}

BitmapFileStream::BitmapFileStream(std::span<const uint8_t> bytes, uint64_t maxBlockBytes)
    : file_(bytes, maxBlockBytes), layout_(ReadBitmapLayout(file_)) {}

void BitmapFileStream::ReadRaster(uint64_t offset, size_t count, uint8_t* out) {
    size_t got = 0;
    if (offset < layout_.bytesTaken) {
        file_.SeekTo(layout_.pixelOffset + offset);
        got = file_.ReadUpTo(out, static_cast<size_t>(std::min<uint64_t>(count, layout_.bytesTaken - offset)));
    }
    std::memset(out + got, 0, count - got);
}

uint8_t* StreamBuffers::First() {
    if (first_.size() < bandBytes_) first_.resize(bandBytes_);
    return first_.data();
}

uint8_t* StreamBuffers::Second() {
    if (second_.size() < bandBytes_) second_.resize(bandBytes_);
    return second_.data();
}

QualityMetrics CompareWithStream(const Bitmap& original, BitmapFileStream& manipulated, StreamBuffers& buffers) {
    RefuseUnlessComparable(ShapeOf(original), ShapeOf(manipulated));
    LoadedRaster a(original);
    StreamedRaster b(manipulated, buffers.First());
    const uint64_t sum = SumOverRows(a, b, original.Width(), original.Height(), original.Stride(), buffers.BandBytes());
    return MetricsFromSquaredSum(sum, static_cast<int64_t>(original.Width()) * original.Height());
}

QualityMetrics CompareStreams(BitmapFileStream& original, BitmapFileStream& manipulated, StreamBuffers& buffers) {
    RefuseUnlessComparable(ShapeOf(original), ShapeOf(manipulated));
    StreamedRaster a(original, buffers.First());
    StreamedRaster b(manipulated, buffers.Second());
    const uint64_t sum =
        SumOverRows(a, b, original.Width(), original.Height(), original.Layout().stride, buffers.BandBytes());
    return MetricsFromSquaredSum(sum, static_cast<int64_t>(original.Width()) * original.Height());
}
