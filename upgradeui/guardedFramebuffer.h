// A framebuffer of the test's own, with guard bytes around it, so that a
// write outside the 1056 bytes shows: the drawing tests draw into it.
#pragma once

#include "baseLcd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace testsupport {

inline constexpr size_t kSize = 1056;
inline constexpr size_t kGuard = 256;
inline constexpr unsigned char kGuardByte = 0xA5;
inline constexpr unsigned char kInk[4] = {0, 0, 0, 0};
inline constexpr unsigned char kBackground[4] = {0, 0, 0, 0xFF};

inline uint32_t Point(uint32_t x, uint32_t y) { return x | (y << 16); }

class GuardedFramebufferTest : public testing::Test {
 protected:
  void SetUp() override {
    std::memset(memory_, kGuardByte, sizeof memory_);
    std::memset(memory_ + kGuard, 0, kSize);
    fbp = memory_ + kGuard;
  }
  void TearDown() override {
    for (size_t i = 0; i < kGuard; ++i) {
      ASSERT_EQ(memory_[i], kGuardByte) << "written before the framebuffer at " << i;
      ASSERT_EQ(memory_[kGuard + kSize + i], kGuardByte) << "written after the framebuffer at " << i;
    }
    fbp = nullptr;
  }

  // Indexes of the bytes that are not zero.
  std::vector<size_t> Touched() const {
    std::vector<size_t> touched;
    for (size_t i = 0; i < kSize; ++i) {
      if (fbp[i] != 0) touched.push_back(i);
    }
    return touched;
  }
  int InkCount() const {
    int count = 0;
    for (size_t i = 0; i < kSize; ++i) count += __builtin_popcount(fbp[i]);
    return count;
  }
  void Fill(unsigned char value) { std::memset(fbp, value, kSize); }
  bool Ink(int x, int y) const { return (fbp[x + (y / 8) * 132] >> (y % 8)) & 1; }

  unsigned char memory_[kGuard + kSize + kGuard];
};

}  // namespace testsupport
