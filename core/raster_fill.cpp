#include "raster_fill.h"

#include <algorithm>
#include <exception>

#include "bitmap.h"
#include "error.h"
#include "stream_compare.h"

void RasterFill::WaitFor(uint64_t end) const {
    if (filled_.load(std::memory_order_acquire) >= end) return;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failure_ || filled_.load(std::memory_order_acquire) >= end; });
    if (filled_.load(std::memory_order_acquire) < end) throw CitraError(*failure_);
}

void RasterFill::Filled(uint64_t end) {
    {
        std::lock_guard lock(mutex_);
        filled_.store(end, std::memory_order_release);
    }
    changed_.notify_all();
}

void RasterFill::Failed(const std::string& message) {
    {
        std::lock_guard lock(mutex_);
        failure_ = message;
    }
    changed_.notify_all();
}

void ReadRasterInBands(BitmapFileStream& stream, Bitmap& bitmap, RasterFill& fill, size_t bandBytes) {
    // The bytes past those the file gives are 0 already.
    const uint64_t taken = std::min<uint64_t>(bitmap.DataSize(), stream.Layout().bytesTaken);
    const uint64_t band = std::max<uint64_t>(bandBytes, 1);
    try {
        for (uint64_t done = 0; done < taken;) {
            const size_t count = static_cast<size_t>(std::min(band, taken - done));
            stream.ReadRaster(done, count, bitmap.MutableData() + done);
            done += count;
            fill.Filled(done);
        }
        fill.Filled(bitmap.DataSize());
    } catch (const std::exception& e) {
        fill.Failed(e.what());
        throw;
    }
}
