// The display stack on the board: what baseUiInit and a commit send to the
// panel, and what the panel then shows.
#include "baseGpio.h"
#include "baseLcd.h"

#include "board/panel.h"
#include "board/sandbox.h"
#include "board/transcript.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// The transfer of bytes at a level of GPIO 22, as the bus records it.
std::string Transfer(std::span<const uint8_t> bytes, int level) {
  std::string hex;
  char pair[3];
  for (uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return "spi transfer len=" + std::to_string(bytes.size()) + " speed=7500000 delay=1 bits=8 cs-change=0 gpio22=" +
         std::to_string(level) + " tx=" + hex + " result=" + std::to_string(bytes.size());
}

// One command byte: GPIO 22 to 0, then the byte.
void ExpectCommand(Lines &lines, uint8_t byte) {
  lines.push_back("gpio set line=22 value=0 result=0");
  lines.push_back(Transfer(std::span(&byte, 1), 0));
}

Lines DeviceLines(size_t from = 0) {
  const auto records = board::ReadTranscript();
  return board::Lines({records.begin() + static_cast<long>(std::min(from, records.size())), records.end()});
}

TEST(UiInitTest, OpensGpioSetsUpTheBusAndStartsThePanelWithItsPauses) {
  ASSERT_EQ(baseUiInit(), 0);

  Lines expected = {
      "gpio open",
      "gpio free line=22 result=-1 errno=EINVAL",  // not requested yet: the device says so
      "gpio request line=22 label=lcd_cmd_data result=0",
      "gpio output line=22 value=0 result=0",
      "spi open",
      "spi set-mode value=2 result=0",
      "spi get-mode value=2 result=0",
      "spi set-bits value=8 result=0",
      "spi get-bits value=8 result=0",
      "spi set-speed value=7500000 result=0",
      "spi get-speed value=7500000 result=0",
  };
  // The panel's start-up: reset, display off, end read-modify-write, bias 1/9,
  // segment reversed, common normal, not inverted, regulator ratio 4,
  // contrast 0x33, power all on, booster ratio 1, start line 0, all points
  // normal, display on; 10 ms after the reset, 2 ms after every other step.
  const struct {
    uint8_t byte;
    int pause_us;
  } startup[] = {{0xE2, 10000}, {0xAE, 2000}, {0xEE, 2000}, {0xA2, 2000}, {0xA1, 2000}, {0xC0, 2000},
                 {0xA6, 2000},  {0x24, 2000}, {0x81, 0},    {0x33, 2000}, {0x2F, 2000}, {0xF8, 2000},
                 {0x01, 2000},  {0x40, 2000}, {0xA4, 2000}, {0xAF, 2000}};
  for (const auto &step : startup) {
    ExpectCommand(expected, step.byte);
    if (step.pause_us != 0) expected.push_back("clock sleep usec=" + std::to_string(step.pause_us));
  }
  EXPECT_EQ(DeviceLines(), expected);

  EXPECT_EQ(getLcdWidthFromFb(), 132u);
  EXPECT_EQ(getLcdHightFromFb(), 64u);
  EXPECT_EQ(screensize, 1056u);
  ASSERT_NE(fbp, nullptr);
  for (unsigned i = 0; i < 1056; ++i) ASSERT_EQ(fbp[i], 0xFF) << i;

  board::Panel panel;
  panel.Replay(board::ReadTranscript());
  EXPECT_TRUE(panel.registers().display_on);
  EXPECT_EQ(panel.registers().contrast, 0x33);
  EXPECT_EQ(panel.registers().booster, 1);
}

TEST(CommitTest, SendsEveryPageAndThePanelThenShowsTheFramebuffer) {
  ASSERT_EQ(baseUiInit(), 0);
  baseDrawRect(0, 0, 132, 64);
  const LcdRect frame = {10, 5, 30, 60, 0};
  drawRectWithColor(&frame, 0);
  const LcdRect inside = {12, 7, 26, 56, 0};
  drawRect(&inside);
  const unsigned char ink[4] = {0, 0, 0, 0};
  for (uint32_t point : {0u, 131u, 63u << 16, 131u | (63u << 16), 5u | (9u << 16)}) drawFbDot(point, ink);
  // The whole framebuffer goes, whatever the geometry settings say.
  setLcdWidthToFb(100);
  setLcdHightToFb(30);

  const size_t before = board::ReadTranscript().size();
  lcdPushCommit();
  Lines expected;
  for (int page = 0; page < 8; ++page) {
    ExpectCommand(expected, static_cast<uint8_t>(0xB0 + page));
    ExpectCommand(expected, 0x00);
    ExpectCommand(expected, 0x10);
    expected.push_back("gpio set line=22 value=1 result=0");
    expected.push_back(Transfer(std::span<const uint8_t>(fbp + 132 * page, 132), 1));
  }
  EXPECT_EQ(DeviceLines(before), expected);

  board::Panel panel;
  panel.Replay(board::ReadTranscript());
  const board::Image glass = panel.Glass();
  EXPECT_EQ(glass, board::Image::FromPages(std::span<const uint8_t>(fbp, 1056)));
  EXPECT_TRUE(glass.Ink(131, 63));
  EXPECT_TRUE(glass.Ink(10, 5));
  EXPECT_FALSE(glass.Ink(12, 7));
  glass.WritePng(std::string(board::kStateDir) + "/commit.png");
}

TEST(InitLcdTest, WithoutTheFontFileTheScreenIsUnavailable) {
  ASSERT_EQ(unlink("/etc/bw-eurs.bmf"), 0);
  ASSERT_EQ(gpio_init(), 0);
  testing::internal::CaptureStdout();
  const int result = initLcd();
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_LT(result, 0);
  EXPECT_EQ(printed, "could not Open /etc/bw-eurs.bmf\nwords lib init error!\n");
  // The panel was started and the framebuffer exists, still clear.
  ASSERT_NE(fbp, nullptr);
  EXPECT_EQ(fbp[0], 0);
  EXPECT_EQ(fbp[1055], 0);
}

TEST(UiInitTest, WithoutTheGpioDeviceNothingStarts) {
  ASSERT_EQ(unlink("/dev/user-gpio"), 0);
  EXPECT_EQ(baseUiInit(), -1);
  EXPECT_EQ(DeviceLines(), Lines{"gpio open errno=ENOENT"});
}

TEST(UiInitTest, StartingAgainReusesTheFramebufferAndClosesTheOldBus) {
  ASSERT_EQ(baseUiInit(), 0);
  unsigned char *first = fbp;
  ASSERT_EQ(baseUiInit(), 0);
  EXPECT_EQ(fbp, first);
  int opens = 0, closes = 0;
  for (const auto &record : board::ReadTranscript()) {
    if (record.device != "spi") continue;
    opens += record.event == "open";
    closes += record.event == "close";
  }
  EXPECT_EQ(opens, 2);
  EXPECT_EQ(closes, 1);
}

TEST(GeometryTest, SettersOnlyShrink) {
  ASSERT_EQ(baseUiInit(), 0);
  const struct {
    uint32_t set;
    uint32_t width;
  } steps[] = {{200, 132}, {132, 132}, {100, 100}, {120, 100}, {0, 100}, {99, 99}};
  for (const auto &step : steps) {
    setLcdWidthToFb(step.set);
    EXPECT_EQ(getLcdWidthFromFb(), step.width) << step.set;
  }
  setLcdHightToFb(64);
  EXPECT_EQ(getLcdHightFromFb(), 64u);
  setLcdHightToFb(0xFFFFFFFFu);  // compared unsigned: greater
  EXPECT_EQ(getLcdHightFromFb(), 64u);
  setLcdHightToFb(1);
  EXPECT_EQ(getLcdHightFromFb(), 1u);
  // initLcd starts over at the panel's size.
  ASSERT_EQ(initLcd(), 0);
  EXPECT_EQ(getLcdWidthFromFb(), 132u);
  EXPECT_EQ(getLcdHightFromFb(), 64u);
}

}  // namespace
