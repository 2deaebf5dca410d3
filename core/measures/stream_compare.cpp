#include "stream_compare.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "error.h"
#include "picture.h"
#include "sample_differences.h"
#include "squared_difference.h"
#include "standard_metrics.h"

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

// Tallies n bytes of pixels whose first byte is sample `first` (0 to 2) of
// its pixel.
void TallyFrom(const uint8_t* a, const uint8_t* b, size_t n, size_t first, SampleDifferences& tally) {
    const size_t head = std::min(n, (3 - first) % 3);
    for (size_t i = 0; i < head; ++i) tally.AddSample(static_cast<int>(first + i), a[i], b[i]);
    TallyDifferences(a + head, b + head, n - head, 3, tally);
}

// The differences of the first 3 x width bytes of every row of two 24-bit
// rasters of one size, each row paired with the row at the same distance
// from the top, by sample of the pixel (blue, green, red). `b` is walked in
// file order, in bands of at most bandBytes; a row longer than that is
// walked in pieces.
template <typename RasterA, typename RasterB>
SampleDifferences TallyOverRows(RasterA& a, RasterB& b, int32_t width, int32_t height, uint64_t stride,
                                size_t bandBytes) {
    const size_t rowBytes = 3 * static_cast<size_t>(width);
    const bool sameOrder = a.TopDown() == b.TopDown();
    const uint64_t rows = static_cast<uint64_t>(height);
    SampleDifferences tally;
    const uint64_t rowsPerBand = bandBytes / stride;
    if (rowsPerBand >= 1) {
        for (uint64_t first = 0; first < rows;) {
            const uint64_t count = std::min(rowsPerBand, rows - first);
            const uint64_t firstA = sameOrder ? first : rows - first - count;
            const uint8_t* bandA = a.Bytes(firstA * stride, static_cast<size_t>(count * stride));
            const uint8_t* bandB = b.Bytes(first * stride, static_cast<size_t>(count * stride));
            for (uint64_t i = 0; i < count; ++i) {
                const uint64_t rowA = sameOrder ? i : count - 1 - i;
                TallyDifferences(bandA + rowA * stride, bandB + i * stride, rowBytes, 3, tally);
            }
            first += count;
        }
        return tally;
    }
    for (uint64_t row = 0; row < rows; ++row) {
        const uint64_t rowA = sameOrder ? row : rows - 1 - row;
        for (size_t done = 0; done < rowBytes;) {
            const size_t piece = std::min(bandBytes, rowBytes - done);
            // Each side reads into a buffer of its own.
            const uint8_t* pieceA = a.Bytes(rowA * stride + done, piece);
            const uint8_t* pieceB = b.Bytes(row * stride + done, piece);
            TallyFrom(pieceA, pieceB, piece, done % 3, tally);
            done += piece;
        }
    }
    return tally;
}

// The desktop numbers (the squares of a pixel's three samples summed) and,
// when asked for, the field's, from one tally of blue, green, red samples.
QualityMetrics Finish(SampleDifferences tally, int32_t width, int32_t height, StandardMetrics* standard) {
    const int64_t pixels = static_cast<int64_t>(width) * height;
    const uint64_t sum = tally.squares[0] + tally.squares[1] + tally.squares[2];
    if (standard) {
        std::swap(tally.squares[0], tally.squares[2]);  // red, green, blue
        *standard = StandardFromDifferences(tally, ChannelLayout::Rgb, 255, 3 * static_cast<size_t>(pixels));
    }
    return MetricsFromSquaredSum(sum, pixels);
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

QualityMetrics CompareWithStream(const Bitmap& original, BitmapFileStream& manipulated, StreamBuffers& buffers,
                                 StandardMetrics* standard) {
    RefuseUnlessComparable(ShapeOf(original), ShapeOf(manipulated));
    LoadedRaster a(original);
    StreamedRaster b(manipulated, buffers.First());
    const SampleDifferences tally =
        TallyOverRows(a, b, original.Width(), original.Height(), original.Stride(), buffers.BandBytes());
    manipulated.ThrowIfChanged();
    return Finish(tally, original.Width(), original.Height(), standard);
}

QualityMetrics CompareBitmaps(const Bitmap& original, const Bitmap& manipulated, StandardMetrics* standard) {
    RefuseUnlessComparable(ShapeOf(original), ShapeOf(manipulated));
    LoadedRaster a(original);
    LoadedRaster b(manipulated);
    // Both rasters are in memory: one band holds them whole.
    const uint64_t bytes = original.Stride() * static_cast<uint64_t>(original.Height());
    const SampleDifferences tally = TallyOverRows(a, b, original.Width(), original.Height(), original.Stride(),
                                                  static_cast<size_t>(std::max<uint64_t>(bytes, 1)));
    return Finish(tally, original.Width(), original.Height(), standard);
}

QualityMetrics CompareStreams(BitmapFileStream& original, BitmapFileStream& manipulated, StreamBuffers& buffers,
                              StandardMetrics* standard) {
    RefuseUnlessComparable(ShapeOf(original), ShapeOf(manipulated));
    StreamedRaster a(original, buffers.First());
    StreamedRaster b(manipulated, buffers.Second());
    const SampleDifferences tally =
        TallyOverRows(a, b, original.Width(), original.Height(), original.Layout().stride, buffers.BandBytes());
    original.ThrowIfChanged();
    manipulated.ThrowIfChanged();
    return Finish(tally, original.Width(), original.Height(), standard);
}
