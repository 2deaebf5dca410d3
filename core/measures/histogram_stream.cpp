#include "histogram_stream.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "error.h"
#include "histogram_counting.h"

using namespace histogram_detail;

namespace {

// Counts storage rows [first, last) of the raster, read through `buffer`
// (at least one pixel, a whole number of pixels) a band of rows at a time;
// a row longer than the buffer is read in pieces.
void CountStreamedRows(BitmapFileStream& stream, uint64_t first, uint64_t last, std::vector<uint8_t>& buffer,
                       PixelCounter& counter) {
    const uint64_t stride = stream.Layout().stride;
    const size_t rowBytes = 3 * static_cast<size_t>(stream.Width());
    if (stride <= buffer.size()) {
        const uint64_t rowsPerBand = buffer.size() / stride;
        for (uint64_t row = first; row < last; row += rowsPerBand) {
            const uint64_t rows = std::min(rowsPerBand, last - row);
            stream.ReadRaster(row * stride, static_cast<size_t>(rows * stride), buffer.data());
            for (uint64_t r = 0; r < rows; ++r) counter.Count(buffer.data() + r * stride, rowBytes / 3);
        }
    } else {
        for (uint64_t row = first; row < last; ++row) {
            for (size_t done = 0; done < rowBytes;) {
                const size_t piece = std::min(buffer.size(), rowBytes - done);
                stream.ReadRaster(row * stride + done, piece, buffer.data());
                counter.Count(buffer.data(), piece / 3);
                done += piece;
            }
        }
    }
    counter.Flush();
}

}  // namespace

ChannelHistogram ComputeChannelHistogramStreamed(const std::string& path, BitmapFileStream& stream, size_t bandBytes,
                                                 unsigned bands) {
    const int32_t width = stream.Width(), height = stream.Height();
    if (stream.BitsPerPixel() != 24 || width <= 0 || height <= 0) return ChannelHistogram{};
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (bands == 0) bands = BandsFor(pixels, height);
    bands = std::clamp(bands, 1u, static_cast<unsigned>(height));
    const size_t bufferBytes = std::max<size_t>(3, bandBytes / 3 * 3);

    // Everything that can fail but the reading is done here, before any
    // thread starts: the other bands' openings of the file and the buffers.
    std::vector<std::optional<BitmapFileStream>> others(bands);
    const BitmapFileLayout& layout = stream.Layout();
    for (unsigned b = 1; b < bands; ++b) {
        others[b].emplace(path);
        const BitmapFileLayout& other = others[b]->Layout();
        if (other.width != layout.width || other.height != layout.height || other.stride != layout.stride ||
            other.BitsPerPixel() != layout.BitsPerPixel() || other.pixelOffset != layout.pixelOffset)
            throw CitraError(path + ": file changed while it was read", ErrorKind::InputOutput);
    }
    std::vector<std::vector<uint8_t>> buffers(bands, std::vector<uint8_t>(bufferBytes));
    std::unique_ptr<PixelCounter[]> counters(new PixelCounter[bands]());
    std::vector<std::exception_ptr> failures(bands);

    auto bandStart = [&](unsigned b) { return static_cast<uint64_t>(height) * b / bands; };
    RunBands(bands, [&](unsigned b) {
        try {
            CountStreamedRows(b == 0 ? stream : *others[b], bandStart(b), bandStart(b + 1), buffers[b], counters[b]);
        } catch (...) {
            failures[b] = std::current_exception();
        }
    });
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    stream.ThrowIfChanged();
    for (unsigned b = 1; b < bands; ++b) others[b]->ThrowIfChanged();
    return HistogramOfBands(counters.get(), bands);
}
