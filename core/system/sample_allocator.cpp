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

size_t Mapped(size_t bytes) { return (bytes + kHuge - 1) / kHuge * kHuge; }

void* MapAligned(size_t length) {
    // One huge page more than needed, then the unaligned head and the tail
    // given back, so the block starts on a 2 MiB boundary.
    const size_t reserved = length + kHuge;
    void* mapping = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapping);
    const uintptr_t aligned = (start + kHuge - 1) / kHuge * kHuge;
    if (aligned > start) munmap(mapping, aligned - start);
    const uintptr_t end = start + reserved;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    void* block = reinterpret_cast<void*>(aligned);
    // Refused where huge pages are off: ordinary pages, as before.
    madvise(block, length, MADV_HUGEPAGE);
    return block;
}

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
    const size_t length = Mapped(bytes);
    if (void* block = cache.Take(length)) return block;
    return MapAligned(length);
}

void Release(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes < RasterStore::kHugeThreshold) {
        std::free(block);
        return;
    }
    const size_t length = Mapped(bytes);
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
