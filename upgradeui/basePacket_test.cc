#include "basePacket.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

constexpr char kMagic[] = "+<_>)<(>*<&>^<%>";
constexpr int kDevice = 0x32343230;  // "2420"

std::array<unsigned char, 64> Header(const char *product) {
  std::array<unsigned char, 64> header{};
  std::memcpy(header.data(), kMagic, 16);
  for (int i = 16; i < 60; ++i) header[i] = static_cast<unsigned char>(i * 37);
  std::memcpy(header.data() + 60, product, 4);
  return header;
}

TEST(PacketHeaderTest, AcceptsTheUniversalIdsAndTheDevicesOwnOnly) {
  const struct {
    const char *product;
    int device;
    int expected;
  } cases[] = {
      {"1001", kDevice, 0}, {"1002", kDevice, 0}, {"1001", 0, 0},       {"2420", kDevice, 0},
      {"2421", kDevice, -1}, {"1003", kDevice, -1}, {"0242", kDevice, -1}, {"2420", 0, -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.product);
    EXPECT_EQ(basePacketHeaderCheck(Header(c.product).data(), c.device, kMagic), c.expected);
  }
}

TEST(PacketHeaderTest, AnyMagicByteDifferentRejectsWhateverTheProduct) {
  for (int at = 0; at < 16; ++at) {
    SCOPED_TRACE(at);
    auto header = Header("1001");
    header[at] ^= 0x20;
    EXPECT_EQ(basePacketHeaderCheck(header.data(), kDevice, kMagic), -1);
  }
  EXPECT_EQ(basePacketHeaderCheck(nullptr, kDevice, kMagic), -1);
  EXPECT_EQ(basePacketHeaderCheck(Header("1001").data(), kDevice, nullptr), -1);
}

}  // namespace
