#include "packetBuilder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

TEST(PacketBuilderTest, PrefixLaysOutTheFieldsAndReadsBack) {
  fwpacket::Fields fields;
  fields.productId = "10012";  // cut to four characters
  fields.material = 0x23;
  for (size_t i = 0; i < 16; ++i) fields.digest[i] = static_cast<uint8_t>(0xA0 + i);
  const std::string prefix = fwpacket::Prefix(fields);
  ASSERT_EQ(prefix.size(), 96u);
  EXPECT_EQ(prefix.substr(0, 16), "+<_>)<(>*<&>^<%>");
  EXPECT_EQ(static_cast<uint8_t>(prefix[16]), 0xA0);
  EXPECT_EQ(static_cast<uint8_t>(prefix[31]), 0xAF);
  EXPECT_EQ(prefix.substr(32, 28), std::string(28, '\0'));
  EXPECT_EQ(prefix.substr(60, 4), "1001");
  EXPECT_EQ(prefix.substr(64, 4), "BINN");
  EXPECT_EQ(prefix[84], 0x23);
  EXPECT_EQ(prefix.substr(85), std::string(11, '\0'));

  fields.productId = "1001";
  fields.typeMagic = "BI";  // padded with zeros
  auto back = fwpacket::ReadPrefix(fwpacket::Prefix(fields));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->productId, "1001");
  EXPECT_EQ(back->typeMagic, "BI");
  EXPECT_EQ(back->digest, fields.digest);
  EXPECT_EQ(fwpacket::Describe(*back),
            "magic: +<_>)<(>*<&>^<%>\ndigest: a0a1a2a3a4a5a6a7a8a9aaabacadaeaf\nproduct: 1001\ntype: BI\n"
            "material: 0x23 (flash material version 3)\n");
  EXPECT_FALSE(fwpacket::ReadPrefix(prefix.substr(0, 95)).has_value());
}

TEST(PacketBuilderTest, PacketIsThePrefixThenThePayloadWithItsDigest) {
  char dir[] = "/tmp/fwpacket_test.XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string payload = std::string(dir) + "/payload", packet = std::string(dir) + "/packet";
  std::ofstream(payload, std::ios::binary) << "abc";
  auto digest = fwpacket::FileDigest(payload);
  ASSERT_TRUE(digest.has_value());
  fwpacket::Fields fields;
  fields.digest = *digest;
  ASSERT_TRUE(fwpacket::WritePacket(fields, payload, packet));
  std::stringstream content;
  content << std::ifstream(packet, std::ios::binary).rdbuf();
  EXPECT_EQ(content.str(), fwpacket::Prefix(fields) + "abc");
  EXPECT_NE(fwpacket::Describe(fields).find("digest: 900150983cd24fb0d6963f7d28e17f72\n"), std::string::npos);
  EXPECT_FALSE(fwpacket::WritePacket(fields, std::string(dir) + "/none", packet));
  std::filesystem::remove_all(dir);
}

}  // namespace
