#pragma once
// A raster read from its file band by band on one thread while other
// threads already compare against the part in place.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

class Bitmap;
class BitmapFileStream;

// How far the raster's storage is filled, from its first byte on.
class RasterFill {
public:
    // Waits until bytes [0, end) are in place. Throws CitraError with the
    // reading thread's message when reading stopped before them.
    void WaitFor(uint64_t end) const;
    // For the reading thread: bytes [0, end) are in place, or reading failed.
    void Filled(uint64_t end);
    void Failed(const std::string& message);

private:
    std::atomic<uint64_t> filled_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::optional<std::string> failure_;
};

// Reads the raster of the stream's file into `bitmap`, zero-filled and
// allocated by AllocateRaster from the stream's layout (compression 0 or
// 3), in file order, bandBytes at a time, reporting each band to `fill`:
// the bytes the loader would have put there. A failure is reported to
// `fill` and thrown.
void ReadRasterInBands(BitmapFileStream& stream, Bitmap& bitmap, RasterFill& fill, size_t bandBytes);
