#include "sample_allocator.h"

#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstdlib>

#include "raster_store.h"

namespace sample_memory {
namespace {

constexpr size_t kHuge = RasterStore::kHugePageBytes;
// Two images and two file buffers: what one pair of a study holds at once.
constexpr size_t kKeptBlocks = 4;
constexpr size_t kKeptBytes = size_t{1} << 30;

struct Kept {
    void* block = nullptr;
    size_t length = 0;
};

// A thread's kept blocks, given back to the system when the thread ends.
struct Cache {
    std::array<Kept, kKeptBlocks> kept{};
    size_t bytes = 0;

    ~Cache() { Clear(); }
    void Clear() noexcept {
        for (Kept& k : kept) {
            if (k.block) munmap(k.block, k.length);
            k = {};
        }
        bytes = 0;
    }
    // A kept block of exactly this length: Release learns the length from
    // the size the vector gives back, so only an exact match is safe.
    void* Take(size_t length) noexcept {
        for (Kept& k : kept) {
            if (k.block && k.length == length) {
                void* block = k.block;
                bytes -= k.length;
                k = {};
                return block;
            }
        }
        return nullptr;
    }
    bool Keep(void* block, size_t length) noexcept {
        if (bytes + length > kKeptBytes) return false;
        for (Kept& k : kept) {
            if (!k.block) {
                k = {block, length};
                bytes += length;
                return true;
            }
        }
        return false;
    }
};

thread_local Cache cache;
std::atomic<bool> keepFreed{true};

}  // namespace

void* Allocate(size_t bytes) {
    if (bytes < RasterStore::kHugeThreshold) {
        void* block = std::malloc(bytes == 0 ? 1 : bytes);
        if (!block) throw std::bad_alloc();
        return block;
    }
    if (bytes > SIZE_MAX - 2 * kHuge) throw std::bad_alloc();
    const size_t length = RasterStore::WholeHugePages(bytes);
    if (void* block = cache.Take(length)) return block;
    bool advised = false;  // where huge pages are off: ordinary pages
    void* block = RasterStore::MapHugeAligned(length, advised);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void Release(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes < RasterStore::kHugeThreshold) {
        std::free(block);
        return;
    }
    const size_t length = RasterStore::WholeHugePages(bytes);
    if (!keepFreed.load(std::memory_order_relaxed) || !cache.Keep(block, length)) munmap(block, length);
}

size_t CachedBlocks() noexcept {
    size_t n = 0;
    for (const Kept& k : cache.kept) n += k.block != nullptr;
    return n;
}

size_t CachedBytes() noexcept { return cache.bytes; }

void ReleaseCached() noexcept { cache.Clear(); }

void KeepFreedBlocks(bool keep) noexcept { keepFreed.store(keep, std::memory_order_relaxed); }

}  // namespace sample_memory
