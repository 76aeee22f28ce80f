#include "board/panel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using board::Image;
using board::Panel;
using Bytes = std::vector<uint8_t>;

// The phone's panel start-up: every byte a command.
const Bytes kPhoneStartup = {0xE2, 0xAE, 0xEE, 0xA2, 0xA1, 0xC0, 0xA6, 0x24,
                             0x81, 0x33, 0x2F, 0xF8, 0x01, 0x40, 0xA4, 0xAF};

Panel StartedPanel() {
  Panel panel;
  panel.Feed(false, kPhoneStartup);
  return panel;
}

// Writes one byte of display data at a page and column.
void WriteAt(Panel &panel, int page, int column, uint8_t byte) {
  panel.Feed(false, Bytes{static_cast<uint8_t>(0xB0 + page), static_cast<uint8_t>(column & 0x0F),
                          static_cast<uint8_t>(0x10 | (column >> 4))});
  panel.Feed(true, Bytes{byte});
}

TEST(PanelTest, StartupSequenceIsDecodedCommandByCommand) {
  const Panel panel = StartedPanel();
  const std::vector<std::string> expected = {
      "reset",        "display off",       "end read-modify-write", "bias 1/9",
      "segment reverse", "common normal",  "display normal",        "regulator ratio 4",
      "contrast 0x33", "power control 7",  "booster ratio 1",       "start line 0",
      "all points normal", "display on",
  };
  EXPECT_EQ(panel.Log(), expected);
  const Panel::Registers &r = panel.registers();
  EXPECT_TRUE(r.display_on);
  EXPECT_TRUE(r.segment_reverse);
  EXPECT_FALSE(r.common_reverse);
  EXPECT_EQ(r.contrast, 0x33);
  EXPECT_EQ(r.booster, 1);
  EXPECT_EQ(r.power_control, 7);
}

TEST(PanelTest, DataGoesToPageAndColumnWithColumnAutoIncrement) {
  Panel panel = StartedPanel();
  // Page 3, column 0x25 from its two nibbles, in either order.
  panel.Feed(false, Bytes{0xB3, 0x12, 0x05});
  panel.Feed(true, Bytes{0x11, 0x22, 0x33});
  EXPECT_EQ(panel.Ram(3, 0x25), 0x11);
  EXPECT_EQ(panel.Ram(3, 0x26), 0x22);
  EXPECT_EQ(panel.Ram(3, 0x27), 0x33);
  EXPECT_EQ(panel.registers().column, 0x28);
  EXPECT_EQ(panel.registers().page, 3);  // the page does not move on
  EXPECT_EQ(panel.Log().back(), "data page 3 columns 37-39");

  // Past the last column the counter stops: those bytes are lost.
  panel.Feed(false, Bytes{0xB0, 0x02, 0x18});
  panel.Feed(true, Bytes{0xA1, 0xA2, 0xA3, 0xA4});
  EXPECT_EQ(panel.Ram(0, 130), 0xA1);
  EXPECT_EQ(panel.Ram(0, 131), 0xA2);
  EXPECT_EQ(panel.Log().back(), "data page 0: 2 bytes past column 131 lost");

  // Read-modify-write returns the column to where it began.
  panel.Feed(false, Bytes{0xB1, 0x00, 0x10, 0xE0});
  panel.Feed(true, Bytes{1, 2, 3});
  panel.Feed(false, Bytes{0xEE});
  EXPECT_EQ(panel.registers().column, 0);
}

TEST(PanelTest, ResetRestoresRegistersAndKeepsTheRam) {
  Panel panel = StartedPanel();
  WriteAt(panel, 2, 7, 0x5A);
  panel.Feed(false, Bytes{0xA7, 0x47, 0xE2});
  EXPECT_FALSE(panel.registers().display_on);
  EXPECT_FALSE(panel.registers().reverse);
  EXPECT_EQ(panel.registers().start_line, 0);
  EXPECT_EQ(panel.registers().power_control, 0);
  EXPECT_EQ(panel.Ram(2, 7), 0x5A);
}

TEST(PanelTest, GlassFollowsTheDisplayRegisters) {
  // One dark RAM bit: page 0, column 0, bit 0 (RAM line 0).
  struct Case {
    const char *what;
    Bytes commands;  // after the start-up and the one bit
    int x, y;        // where that bit shows; -1: the whole glass is dark
    int ink;         // dark pixels on the glass
  } cases[] = {
      {"phone set-up", {}, 0, 0, 1},
      {"segment normal mirrors the columns", {0xA0}, 131, 0, 1},
      {"common reverse mirrors the rows", {0xC8}, 0, 63, 1},
      {"start line 1 scrolls line 0 to the bottom", {0x41}, 0, 63, 1},
      {"reverse display inverts", {0xA7}, -2, -2, 132 * 64 - 1},
      {"all points on", {0xA5}, -1, -1, 132 * 64},
      {"display off is blank", {0xAE}, -2, -2, 0},
      {"no power is blank", {0x28}, -2, -2, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Panel panel = StartedPanel();
    WriteAt(panel, 0, 0, 0x01);
    panel.Feed(false, c.commands);
    const Image glass = panel.Glass();
    EXPECT_EQ(glass.InkCount(), c.ink);
    if (c.x >= 0) {
      EXPECT_TRUE(glass.Ink(c.x, c.y));
    }
  }
}

TEST(PanelTest, ReplayTakesTheAcceptedTransfersOfATranscript) {
  auto transfer = [](int level, const char *tx, const char *result) {
    board::DeviceRecord record;
    record.device = "spi";
    record.event = "transfer";
    record.fields = {{"gpio22", std::to_string(level)}, {"tx", tx}, {"result", result}};
    return record;
  };
  std::vector<board::DeviceRecord> records;
  for (uint8_t byte : kPhoneStartup) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", byte);
    records.push_back(transfer(0, hex, "1"));
  }
  records.push_back(transfer(0, "b2", "1"));
  records.push_back(transfer(0, "00", "1"));
  records.push_back(transfer(0, "10", "1"));
  records.push_back(transfer(1, "ff", "-1"));  // refused by the driver: never reached the panel
  records.push_back(transfer(1, "80", "1"));
  Panel panel;
  panel.Replay(records);
  EXPECT_EQ(panel.Ram(2, 0), 0x80);
  EXPECT_EQ(panel.Glass().InkCount(), 1);
  EXPECT_TRUE(panel.Glass().Ink(0, 23));
}

TEST(ImageTest, PagesTerminalAndPng) {
  std::vector<uint8_t> pages(1056, 0);
  pages[0] = 0x01;     // (0, 0)
  pages[1055] = 0x80;  // (131, 63)
  pages[137] = 0x02;   // (5, 9)
  const Image image = Image::FromPages(pages);
  EXPECT_EQ(image.InkCount(), 3);
  EXPECT_TRUE(image.Ink(0, 0));
  EXPECT_TRUE(image.Ink(131, 63));
  EXPECT_TRUE(image.Ink(5, 9));

  const std::string text = image.Terminal();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 34);  // frame and 32 lines
  EXPECT_EQ(text.find("\u2502\u2580"), text.find('\n') + 1);  // (0, 0): upper half

  const std::string path = testing::TempDir() + "/panel." + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(image.WritePng(path, 3));
  std::ifstream in(path, std::ios::binary);
  std::string head(24, '\0');
  in.read(head.data(), 24);
  EXPECT_EQ(head.substr(1, 3), "PNG");
  auto be32 = [&](int at) {
    return (uint8_t(head[at]) << 24) | (uint8_t(head[at + 1]) << 16) | (uint8_t(head[at + 2]) << 8) |
           uint8_t(head[at + 3]);
  };
  EXPECT_EQ(be32(16), 132 * 3);
  EXPECT_EQ(be32(20), 64 * 3);
  std::remove(path.c_str());
}

}  // namespace
