#pragma once
// Memory for decoded samples and whole-file buffers, which are always
// overwritten whole before they are read.
//
// std::vector's usual allocator zero-fills on resize and every fresh block
// is faulted in 4 KiB at a time as it is first written: for a pair of 4000 x
// 4000 PNG files that is 40,000 faults and a memset of every byte, which cost
// more than inflating the files. This allocator
// - leaves new elements uninitialised (resize() writes nothing), so the
//   decoder's own writes are the first;
// - takes blocks of RasterStore::kHugeThreshold bytes and more from
//   anonymous memory on a 2 MiB boundary advised for huge pages;
// - keeps the last large blocks each thread gave back, already faulted in,
//   for the next request that fits (the next pair of a study has the same
//   sizes), within a small cap per thread.
// Value-initialisation is still there when asked for: assign(n, 0) and
// vector(n, 0) write their zeros.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace sample_memory {

// Bytes at least; throws std::bad_alloc when memory runs out.
void* Allocate(size_t bytes);
void Release(void* block, size_t bytes) noexcept;

// The large blocks the calling thread keeps for reuse, and their bytes.
size_t CachedBlocks() noexcept;
size_t CachedBytes() noexcept;
// Gives the calling thread's kept blocks back to the system.
void ReleaseCached() noexcept;
// Whether large blocks given back are kept at all (the default). A host
// whose freed arrays should leave the process at once, as the Python
// module's, turns it off.
void KeepFreedBlocks(bool keep) noexcept;

}  // namespace sample_memory

template <typename T>
struct SampleAllocator {
    static_assert(std::is_trivially_copyable_v<T>, "for plain samples and bytes");
    using value_type = T;

    SampleAllocator() noexcept = default;
    template <typename U>
    SampleAllocator(const SampleAllocator<U>&) noexcept {}  // NOLINT: rebinding

    T* allocate(size_t count) {
        if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(sample_memory::Allocate(count * sizeof(T)));
    }
    void deallocate(T* block, size_t count) noexcept { sample_memory::Release(block, count * sizeof(T)); }

    // Default-initialisation: nothing written for a new sample.
    template <typename U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const SampleAllocator<U>&) const noexcept {
        return true;
    }
};

using SampleBytes = std::vector<uint8_t, SampleAllocator<uint8_t>>;
using SampleWords = std::vector<uint16_t, SampleAllocator<uint16_t>>;

// Samples held either way compare by their values (either order).
template <typename T>
bool operator==(const std::vector<T, SampleAllocator<T>>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
