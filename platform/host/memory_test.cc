#include "host/memory.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(MemoryTest, BlocksAreZeroFilledAndCounted) {
  long before = hostMemLiveBlocks();
  auto *block = static_cast<unsigned char *>(uMalloc(100));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(block[i], 0) << i;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
  EXPECT_EQ(hostMemLiveBlocks(), before + 1);
  uFree(block);
  uFree(nullptr);
  EXPECT_EQ(hostMemLiveBlocks(), before);
}

TEST(MemoryTest, FailsTheNthAllocationOnce) {
  hostMemFailAfter(3, 0);
  void *a = uMalloc(1), *b = uMalloc(1), *c = uMalloc(1), *d = uMalloc(1);
  hostMemFailOff();
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(c, nullptr);
  EXPECT_NE(d, nullptr);
  uFree(a);
  uFree(b);
  uFree(d);
}

TEST(MemoryTest, PersistentFailureFailsEveryLaterAllocation) {
  hostMemFailAfter(2, 1);
  void *a = uMalloc(1);
  void *b = uMalloc(1);
  void *c = uMalloc(1);
  EXPECT_EQ(hostMemFailuresInjected(), 2);
  hostMemFailOff();
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(c, nullptr);
  void *d = uMalloc(1);
  EXPECT_NE(d, nullptr);
  uFree(a);
  uFree(d);
}

TEST(MemoryTest, FailureInjectionReachesCopiesListsAndSemaphores) {
  // The other stand-ins allocate through uMalloc, so an out-of-memory loop
  // over a library also fails their allocations.
  hostMemFailAfter(1, 1);
  EXPECT_EQ(uStrGetCopy("text"), nullptr);
  EXPECT_EQ(uListInit(0), nullptr);
  EXPECT_EQ(semMCreate(0), nullptr);
  hostMemFailOff();
}

TEST(MemoryDeathTest, FreeingABlockTwiceAborts) {
  void *block = uMalloc(8);
  uFree(block);
  EXPECT_DEATH(uFree(block), "");
}

}  // namespace
