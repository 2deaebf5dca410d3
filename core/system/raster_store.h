#pragma once
// Zero-filled memory for a raster, from where it is cheapest to fill.
//
// A fresh block is faulted in a page at a time as it is first written: for a
// 192 MB raster that is 47,000 faults of 4 KiB, and they cost more than
// reading the file. Blocks of at least kHugeThreshold bytes are therefore
// mapped anonymously on a 2 MiB boundary and advised for transparent huge
// pages, so the kernel backs them with 2 MiB pages (512 times fewer faults).
// Where huge pages are off or the advice is refused, the block is ordinary
// anonymous memory, as calloc would give. Smaller blocks come from calloc.
#include <cstddef>
#include <cstdint>

class RasterStore {
public:
    static constexpr size_t kHugePageBytes = size_t{2} << 20;
    // Below this the huge page advice gains nothing measurable (bench/RESULTS.md).
    static constexpr size_t kHugeThreshold = size_t{8} << 20;

    // Bytes rounded up to whole huge pages.
    static size_t WholeHugePages(size_t bytes) { return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes; }
    // `length` bytes (whole huge pages) of anonymous memory on a 2 MiB
    // boundary, advised for huge pages; `advised` tells whether the kernel
    // took the advice. Null when the mapping fails. munmap gives it back.
    static uint8_t* MapHugeAligned(size_t length, bool& advised);

    RasterStore() = default;
    RasterStore(const RasterStore&) = delete;
    RasterStore& operator=(const RasterStore&) = delete;
    RasterStore(RasterStore&& other) noexcept;
    RasterStore& operator=(RasterStore&& other) noexcept;
    ~RasterStore();

    // Replaces the block with `bytes` zero bytes. Returns false, the old
    // block kept and errno set (ENOMEM when memory runs out), on failure.
    // `huge`: whether a large block may be advised for huge pages.
    bool Allocate(size_t bytes, bool huge = true);

    uint8_t* Data() const { return data_; }
    // Whether the block was mapped on a 2 MiB boundary and the kernel took
    // the huge page advice.
    bool Advised() const { return advised_; }

private:
    void Release();

    uint8_t* data_ = nullptr;
    size_t mapped_ = 0;  // bytes mapped at data_; 0 for a calloc block
    bool advised_ = false;
};
