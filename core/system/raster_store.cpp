#include "raster_store.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

uint8_t* RasterStore::MapHugeAligned(size_t length, bool& advised) {
    // Map one huge page more than needed, then give back the unaligned head
    // and the tail beyond the last page.
    const size_t reserved = length + kHugePageBytes;
    void* mapping = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(mapping);
    const uintptr_t aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    if (aligned > start) munmap(mapping, aligned - start);
    const uintptr_t end = start + reserved;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    auto* block = reinterpret_cast<uint8_t*>(aligned);
    // Refused (huge pages compiled out, or an old kernel): ordinary pages.
    advised = madvise(block, length, MADV_HUGEPAGE) == 0;
    return block;
}

RasterStore::RasterStore(RasterStore&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)),
      advised_(std::exchange(other.advised_, false)) {}

RasterStore& RasterStore::operator=(RasterStore&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        advised_ = std::exchange(other.advised_, false);
    }
    return *this;
}

RasterStore::~RasterStore() { Release(); }

void RasterStore::Release() {
    if (mapped_ != 0) munmap(data_, mapped_);
    else std::free(data_);
    data_ = nullptr;
    mapped_ = 0;
    advised_ = false;
}

bool RasterStore::Allocate(size_t bytes, bool huge) {
    if (!huge || bytes < kHugeThreshold) {
        errno = 0;
        void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
        if (block == nullptr) {
            if (errno == 0) errno = ENOMEM;
            return false;
        }
        Release();
        data_ = static_cast<uint8_t*>(block);
        return true;
    }
    if (bytes > SIZE_MAX - 2 * kHugePageBytes) {
        errno = ENOMEM;
        return false;
    }
    const size_t length = WholeHugePages(bytes);
    bool advised = false;
    uint8_t* block = MapHugeAligned(length, advised);
    if (block == nullptr) {
        errno = ENOMEM;
        return false;
    }
    Release();
    data_ = block;
    mapped_ = length;
    advised_ = advised;
    return true;
}
