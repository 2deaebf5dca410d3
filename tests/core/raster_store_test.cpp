// Raster memory: zero-filled at every size, large blocks on a 2 MiB
// boundary advised for huge pages, a refused size leaving the old block.
#include "raster_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <string>

#include "address_sanitizer.h"

namespace {

bool AllZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; i += 4093)
        if (p[i] != 0) return false;
    return n == 0 || p[n - 1] == 0;
}

std::string HugePagesSetting() {
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(RasterStore, ZeroFilledAtEverySizeAndWritableToTheLastByte) {
    for (const size_t bytes : {size_t{1}, size_t{4096}, RasterStore::kHugeThreshold - 1, RasterStore::kHugeThreshold,
                               RasterStore::kHugeThreshold + 12345, size_t{3} * RasterStore::kHugePageBytes + 1}) {
        for (const bool huge : {true, false}) {
            SCOPED_TRACE(std::to_string(bytes) + (huge ? " huge" : " plain"));
            RasterStore store;
            ASSERT_TRUE(store.Allocate(bytes, huge));
            ASSERT_NE(store.Data(), nullptr);
            EXPECT_TRUE(AllZero(store.Data(), bytes));
            store.Data()[0] = 1;
            store.Data()[bytes - 1] = 2;
            const bool mapped = huge && bytes >= RasterStore::kHugeThreshold;
            if (mapped) {
                EXPECT_EQ(reinterpret_cast<uintptr_t>(store.Data()) % RasterStore::kHugePageBytes, 0u);
            } else {
                EXPECT_FALSE(store.Advised());
            }
        }
    }
}

TEST(RasterStore, LargeBlocksTakeTheHugePageAdviceWhereTheKernelHasIt) {
    const std::string setting = HugePagesSetting();
    if (setting.empty()) GTEST_SKIP() << "this kernel has no transparent huge pages";
    RasterStore store;
    ASSERT_TRUE(store.Allocate(RasterStore::kHugeThreshold * 2));
    EXPECT_TRUE(store.Advised()) << setting;
}

TEST(RasterStore, ARefusedSizeKeepsTheBlockItHad) {
    RasterStore store;
    ASSERT_TRUE(store.Allocate(RasterStore::kHugeThreshold));
    uint8_t* before = store.Data();
    before[7] = 42;
    errno = 0;
    EXPECT_FALSE(store.Allocate(SIZE_MAX / 2));
    EXPECT_EQ(errno, ENOMEM);
    EXPECT_EQ(store.Data(), before);
    EXPECT_EQ(store.Data()[7], 42);
#ifndef CITRA_ADDRESS_SANITIZER  // its calloc stops the process instead of failing
    EXPECT_FALSE(store.Allocate(SIZE_MAX / 2, false));
    EXPECT_EQ(errno, ENOMEM);
    EXPECT_EQ(store.Data(), before);
#endif
}

TEST(RasterStore, MovedBlocksChangeOwnerOnce) {
    RasterStore a;
    ASSERT_TRUE(a.Allocate(RasterStore::kHugeThreshold));
    a.Data()[1] = 9;
    RasterStore b(std::move(a));
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(b.Data()[1], 9);
    RasterStore c;
    ASSERT_TRUE(c.Allocate(10));
    c = std::move(b);
    EXPECT_EQ(c.Data()[1], 9);
    EXPECT_EQ(b.Data(), nullptr);
}

}  // namespace
