// Sample memory: a large block given back is reused as it is by the next
// request of its size on the thread (no zeros written, no new faults);
// value-initialisation still writes zeros; the kept blocks stay within
// their cap.
#include "sample_allocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "raster_store.h"

namespace {

constexpr size_t kLarge = RasterStore::kHugeThreshold + 12345;

class SampleMemory : public ::testing::Test {
protected:
    void SetUp() override { sample_memory::ReleaseCached(); }
    void TearDown() override { sample_memory::ReleaseCached(); }
};

TEST_F(SampleMemory, ALargeBlockIsReusedAsItWasLeft) {
    const uint8_t* first = nullptr;
    {
        SampleBytes bytes;
        bytes.resize(kLarge);
        std::fill(bytes.begin(), bytes.end(), 0xAB);
        first = bytes.data();
        EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % RasterStore::kHugePageBytes, 0u);
    }
    EXPECT_EQ(sample_memory::CachedBlocks(), 1u);
    SampleBytes again;
    again.resize(kLarge);
    EXPECT_EQ(again.data(), first);
    // resize wrote nothing: the bytes are those left behind.
    EXPECT_TRUE(std::all_of(again.begin(), again.end(), [](uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(sample_memory::CachedBlocks(), 0u);

    again.assign(kLarge, 0);
    EXPECT_TRUE(std::all_of(again.begin(), again.end(), [](uint8_t b) { return b == 0; }));
    const SampleWords zeros(kLarge / 2, 0);
    EXPECT_TRUE(std::all_of(zeros.begin(), zeros.end(), [](uint16_t w) { return w == 0; }));
}

TEST_F(SampleMemory, OnlyABlockOfTheSameMappedSizeIsReused) {
    const uint8_t* first = nullptr;
    {
        SampleBytes bytes(kLarge);
        first = bytes.data();
    }
    SampleBytes larger(kLarge + RasterStore::kHugePageBytes * 3);
    EXPECT_NE(larger.data(), first);
    EXPECT_EQ(sample_memory::CachedBlocks(), 1u);
}

TEST_F(SampleMemory, KeptBlocksStayWithinTheirCap) {
    {
        std::vector<SampleBytes> many;
        for (int i = 0; i < 6; ++i) many.emplace_back(kLarge);
    }
    EXPECT_EQ(sample_memory::CachedBlocks(), 4u);
    {
        // Two blocks of 600 MB: the second is not kept (1 GiB at most).
        SampleBytes a(size_t{600} << 20), b(size_t{600} << 20);
        sample_memory::ReleaseCached();
    }
    EXPECT_LE(sample_memory::CachedBytes(), size_t{1} << 30);
    EXPECT_EQ(sample_memory::CachedBlocks(), 1u);
    sample_memory::ReleaseCached();
    EXPECT_EQ(sample_memory::CachedBytes(), 0u);
}

TEST_F(SampleMemory, EachThreadKeepsItsOwn) {
    { SampleBytes here(kLarge); }
    size_t there = 99;
    std::thread([&] { there = sample_memory::CachedBlocks(); }).join();
    EXPECT_EQ(there, 0u);
    EXPECT_EQ(sample_memory::CachedBlocks(), 1u);
}

TEST_F(SampleMemory, AnImpossibleSizeThrowsBadAlloc) {
    SampleBytes bytes;
    EXPECT_THROW(bytes.resize(size_t{1} << 60), std::bad_alloc);  // more than any address space
    EXPECT_THROW(sample_memory::Allocate(SIZE_MAX - 1), std::bad_alloc);
}

}  // namespace
