// Packet checks against the board's files: /etc/product, /proc/flashinfo,
// /etc/material_verion.conf and the user configuration file.
#include "basePacket.h"

#include "board/sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

namespace {

constexpr char kProduct[] = "/etc/product";
constexpr char kMaterial[] = "/etc/material_verion.conf";
constexpr char kConfig[] = "/mnt/userdata/default_user_config.txt";

// Writes a board file, or removes it for a missing one.
void Place(const char *path, const std::optional<std::string> &content) {
  if (content) {
    ASSERT_TRUE(board::WriteFile(path, *content)) << path;
  } else {
    unlink(path);
  }
}

TEST(ProductIdTest, FirstFourBytesOfEtcProductBigEndian) {
  const struct {
    std::optional<std::string> product;
    int id;
  } cases[] = {
      {"2420\n", 0x32343230},
      {"1001", 0x31303031},
      {"12", 0x31320000},  // missing bytes count as zero
      {std::string("\x80\x00\x00\x01tail", 8), static_cast<int>(0x80000001u)},
      {"", 0},
      {std::nullopt, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.product.value_or("<missing>"));
    Place(kProduct, c.product);
    EXPECT_EQ(baseProductIdGet(), c.id);
  }
}

TEST(MaterialCheckTest, EveryMatchingEntryOfEveryFlashLineMustBeSatisfied) {
  const struct {
    const char *what;
    std::optional<std::string> flash;  // first line of /proc/flashinfo
    std::optional<std::string> table;
    unsigned char material;
    int expected;
  } cases[] = {
      {"version equal to the minimum", "W25N", "FLASH W25N=3\n", 0x23, 0},
      {"version below the minimum", "W25N", "FLASH W25N=3\n", 0x22, -1},
      {"high bits do not count", "W25N", "FLASH W25N=3\n", 0xF2, -1},
      {"hexadecimal minimum", "W25N", "FLASH W25N=a\n", 0x29, -1},
      {"hexadecimal minimum met", "W25N", "FLASH W25N=a\n", 0x2A, 0},
      {"entry name runs on beyond the flash name", "W25N", "FLASH X=1 W25N01GV=5\n", 0x24, -1},
      {"every flash line counts", "W25N", "FLASH W25N=1\nFLASH W25N=4\n", 0x03, -1},
      {"last field keeps the CR LF", "W25N", "FLASH W25N=4\r\n", 0x03, -1},
      {"other lines are ignored", "W25N", "NAND W25N=9\n# FLASH W25N=9\n FLASH W25N=9\n", 0x01, 0},
      {"flash not listed", "MX35", "FLASH W25N=9\n", 0x01, 0},
      {"entry without equals sign decides nothing", "W25N", "FLASH W25N W25N=9\nFLASH W25N=9\n", 0x01, 0},
      {"not a number: no minimum", "W25N", "FLASH W25N=zz\n", 0x00, 0},
      {"flash name ending in a line feed matches no entry", "W25N\n", "FLASH W25N=9\n", 0x01, 0},
      {"empty flash name decides nothing", "", "FLASH W25N=9\n", 0x01, 0},
      {"no /proc/flashinfo", std::nullopt, "FLASH W25N=9\n", 0x01, 0},
      {"no material table", "W25N", std::nullopt, 0x01, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    if (c.flash) {
      ASSERT_TRUE(board::ServeProcFile("flashinfo", *c.flash));
    } else {
      board::RemoveProcFile("flashinfo");
    }
    Place(kMaterial, c.table);
    EXPECT_EQ(baseMaterialVerionCheck(&c.material), c.expected);
  }
  EXPECT_EQ(baseMaterialVerionCheck(nullptr), 0);
}

TEST(MaterialCheckTest, TheBoardsOwnFlashAndTable) {
  // sim/fixtures/phone: flash W25N01GV needs material version 2.
  const unsigned char old_packet = 0x01, current = 0x02;
  EXPECT_EQ(baseMaterialVerionCheck(&old_packet), -1);
  EXPECT_EQ(baseMaterialVerionCheck(&current), 0);
}

constexpr unsigned char kDigest[16] = {0xde, 0xad, 0xbe, 0xef, 0x00, 0x01, 0x02, 0x03,
                                       0x7f, 0x80, 0x0a, 0xa0, 0xff, 0x10, 0x42, 0x99};
constexpr char kDigestHex[] = "deadbeef000102037f800aa0ff104299";

TEST(DigestWriteTest, TheDigestLineGetsTheKeptDigestAndEveryOtherByteStays) {
  const std::string head = "Firmware Url       :http://x/fw.z\r\nFirmware User      :u\r\n";
  const std::string tail = "Firmware password  :p\r\nZel Verify Peer Enable:1\r\n";
  const std::string label = "Firmware Digest    :";
  const struct {
    const char *what;
    std::optional<std::string> config;
    int type;
    std::optional<std::string> expected;
  } cases[] = {
      {"empty value", head + label + "\r\n" + tail, 3, head + label + kDigestHex + "\r\n" + tail},
      {"old value replaced whole", head + label + "0123 old value\r\n" + tail, 3,
       head + label + kDigestHex + "\r\n" + tail},
      {"only the first digest line", label + "\r\n" + label + "x\r\n", 3, label + kDigestHex + "\r\n" + label + "x\r\n"},
      {"value up to the first CR LF", label + "a\nb\r\nc\r\n", 3, label + kDigestHex + "\r\nc\r\n"},
      {"type 4 keeps nothing", head + label + "old\r\n", 4, head + label + "old\r\n"},
      {"type 0 keeps nothing", head + label + "old\r\n", 0, head + label + "old\r\n"},
      {"no digest line: unchanged", head + tail, 3, head + tail},
      {"no CR LF after the label: unchanged", head + label + "old", 3, head + label + "old"},
      {"empty file stays empty", "", 3, ""},
      {"missing file stays missing", std::nullopt, 3, std::nullopt},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Place(kConfig, c.config);
    if (c.config) {
      ASSERT_EQ(chmod(kConfig, 0640), 0);
    }
    baseImageDigestSave(kDigest, c.type);
    baseWriteImgaeDigestToFlash();
    EXPECT_EQ(board::ReadFile(kConfig), c.expected);
    EXPECT_EQ(access("/mnt/userdata/default_user_config.txt.new", F_OK), -1);
    struct stat info {};
    if (c.config && stat(kConfig, &info) == 0) {
      EXPECT_EQ(info.st_mode & 0777, 0640u);
    }
  }
}

TEST(DigestWriteTest, ASaveOfAnotherTypeClearsTheKeptDigest) {
  const std::string config = "Firmware Digest    :old\r\n";
  Place(kConfig, config);
  baseImageDigestSave(kDigest, 3);
  baseImageDigestSave(kDigest, 4);
  baseWriteImgaeDigestToFlash();
  EXPECT_EQ(board::ReadFile(kConfig), config);
  baseImageDigestSave(nullptr, 3);
  baseWriteImgaeDigestToFlash();
  EXPECT_EQ(board::ReadFile(kConfig), config);
}

}  // namespace
