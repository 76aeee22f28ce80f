#include "mtPostProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DigestTest, HexTextGoesToTheOutputAndToARingOfTenSlots) {
  unsigned char bytes[16];
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(i);
  char out[33];
  out[32] = '#';
  char *first = digestTransformation32(bytes, out);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "000102030405060708090a0b0c0d0e0f");
  EXPECT_EQ(std::string(out, 33), "000102030405060708090a0b0c0d0e0f#") << "no terminator in the output";

  unsigned char high[16];
  for (int i = 0; i < 16; ++i) high[i] = static_cast<unsigned char>(0xF0 | i);
  char *slots[10] = {first};
  for (int i = 1; i < 10; ++i) {
    slots[i] = digestTransformation32(high, out);
    for (int j = 0; j < i; ++j) EXPECT_NE(slots[i], slots[j]);
  }
  EXPECT_STREQ(first, "000102030405060708090a0b0c0d0e0f") << "kept for ten conversions";
  EXPECT_EQ(digestTransformation32(high, out), first) << "the eleventh conversion takes the first slot";
  EXPECT_STREQ(first, "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");

  EXPECT_EQ(digestTransformation32(nullptr, out), nullptr);
  EXPECT_EQ(digestTransformation32(bytes, nullptr), nullptr);
}

TEST(DigestTest, Md5OfMemory) {
  const struct {
    std::string data;
    const char *hex;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {std::string("\0\xff", 2), "d07d34efac6328007ad67c7e0a985e00"},
      {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
  };
  for (const auto &c : cases) {
    char out[32];
    const char *text = mtGet32BytesDigestByMemory(c.data.data(), static_cast<int>(c.data.size()), out);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, c.hex);
    EXPECT_EQ(std::string(out, 32), c.hex);
  }
  char out[32];
  EXPECT_EQ(mtGet32BytesDigestByMemory(nullptr, 0, out), nullptr);
  EXPECT_EQ(mtGet32BytesDigestByMemory("x", -1, out), nullptr);
}

}  // namespace
