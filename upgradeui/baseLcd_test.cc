// Drawing into a framebuffer of the test's own, with guard bytes around it, so
// that a write outside the 1056 bytes shows.
#include "baseLcd.h"
#include "guardedFramebuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

using testsupport::kBackground;
using testsupport::kInk;
using testsupport::Point;

class DrawingTest : public testsupport::GuardedFramebufferTest {};

TEST_F(DrawingTest, PixelIsBitYMod8OfByteXPlusPageTimes132) {
  const struct {
    uint32_t x, y;
    size_t index;
    int bit;
  } cases[] = {
      {0, 0, 0, 0},     {131, 63, 1055, 7}, {5, 9, 137, 1},  {7, 8, 139, 0},
      {131, 0, 131, 0}, {0, 63, 924, 7},    {66, 31, 462, 7}, {66, 32, 594, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ")");
    Fill(0);
    drawFbDot(Point(c.x, c.y), kInk);
    EXPECT_EQ(Touched(), std::vector<size_t>{c.index});
    EXPECT_EQ(fbp[c.index], 1u << c.bit);
    Fill(0xFF);
    drawFbDot(Point(c.x, c.y), kBackground);
    EXPECT_EQ(fbp[c.index], 0xFFu & ~(1u << c.bit));
  }
}

TEST_F(DrawingTest, OnlyTheFourthColourByteCounts) {
  const unsigned char almost_background[4] = {0xFF, 0xFF, 0xFF, 0xFE};
  drawFbDot(Point(3, 3), almost_background);
  EXPECT_EQ(fbp[3], 0x08);
  const unsigned char background_with_noise[4] = {1, 2, 3, 0xFF};
  drawFbDot(Point(3, 3), background_with_noise);
  EXPECT_EQ(fbp[3], 0);
  // Both exported colour variables have 0xFF as their fourth byte (the most
  // significant one): background.
  drawFbDot(Point(3, 3), reinterpret_cast<const unsigned char *>(&gPixelFont));
  EXPECT_EQ(fbp[3], 0);
  drawFbDot(Point(3, 3), reinterpret_cast<const unsigned char *>(&gPixelLcd));
  EXPECT_EQ(fbp[3], 0);
  drawRectWithColor(nullptr, 0);
  drawFbDot(Point(3, 3), nullptr);
  EXPECT_EQ(InkCount(), 0);
}

TEST_F(DrawingTest, PointsOutsideThePanelAreDropped) {
  for (uint32_t point : {Point(132, 0), Point(0, 64), Point(132, 64), Point(0xFFFF, 0xFFFF), Point(200, 3)}) {
    drawFbDot(point, kInk);
  }
  EXPECT_EQ(InkCount(), 0);
}

TEST_F(DrawingTest, AreasPaintRowsYToYPlusHeightAndColumnsXToXPlusWidth) {
  const LcdRect rect = {2, 6, 4, 3, 0};  // x, y, height, width
  drawRectWithColor(&rect, 0);
  EXPECT_EQ(InkCount(), 12);
  // Rows 6-9 straddle pages 0 and 1 at columns 2-4.
  for (size_t column : {2u, 3u, 4u}) {
    EXPECT_EQ(fbp[column], 0xC0);
    EXPECT_EQ(fbp[132 + column], 0x03);
  }
  drawRect(&rect);
  EXPECT_EQ(InkCount(), 0);

  const LcdRect empty[] = {{0, 0, 0, 10, 0}, {0, 0, 10, 0, 0}, {0, 0, -5, 10, 0}, {0, 0, 10, -1, 0}};
  for (const LcdRect &area : empty) drawRectWithColor(&area, 0);
  EXPECT_EQ(InkCount(), 0);
  drawRectWithColor(&rect, 0xFF000000u);  // background
  EXPECT_EQ(InkCount(), 0);
}

TEST_F(DrawingTest, AreasReachingOffThePanelPaintOnlyItsPart) {
  const LcdRect corner = {-5, 60, 10, 10, 0};
  drawRectWithColor(&corner, 0);
  EXPECT_EQ(InkCount(), 5 * 4);
  const LcdRect huge = {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0};
  drawRectWithColor(&huge, 0);  // ends far left of and above the panel
  EXPECT_EQ(InkCount(), 5 * 4);
  const LcdRect everything = {0, 0, INT_MAX, INT_MAX, 0};
  drawRectWithColor(&everything, 0);
  EXPECT_EQ(InkCount(), 132 * 64);

  baseDrawRect(0xFFFFFFFFu, 0, 2, 64);  // would wrap round to columns 0 and 1
  EXPECT_EQ(InkCount(), 132 * 64);
  baseDrawRect(0, 0, 132, 64);
  EXPECT_EQ(InkCount(), 0);
  Fill(0xFF);
  lcdClearScrn(130, 62, 100, 100);
  EXPECT_EQ(InkCount(), 132 * 64 - 4);
}

TEST(FontSizeTest, SettersReturnTheirArgumentAndGettersReadIt) {
  EXPECT_EQ(setFontMaxPixelVal(16), 16);
  EXPECT_EQ(setFontMidPixelVal(12), 12);
  EXPECT_EQ(getFontBigPixelVal(), 16);
  EXPECT_EQ(getFontMidPixelVal(), 12);
}

TEST(DrawingWithoutPanelTest, NothingHappensBeforeThePanelIsStarted) {
  ASSERT_EQ(fbp, nullptr);
  const LcdRect rect = {0, 0, 10, 10, 0};
  drawRectWithColor(&rect, 0);
  drawFbDot(Point(1, 1), kInk);
  baseDrawRect(0, 0, 132, 64);
  EXPECT_EQ(getLcdWidthFromFb(), 0u);
  setLcdWidthToFb(100);  // shrink only: 0 stays 0
  EXPECT_EQ(getLcdWidthFromFb(), 0u);
}

}  // namespace
