// Strings on the board's panel: placement in their areas with a font of the
// test's own, and the upgrade screen's messages in the board's font, compared
// with reviewed pictures.
#include "baseLcd.h"
#include "baseText.h"
#include "goldenScreen.h"
#include "testFont.h"

#include "board/panel.h"

#include <gtest/gtest.h>

#include <span>
#include <vector>

namespace {

board::Image Framebuffer() { return board::Image::FromPages(std::span<const uint8_t>(fbp, 1056)); }

struct Block {
  int x0, y0, x1, y1;  // ink in [x0, x1) × [y0, y1)
};
board::Image Picture(std::initializer_list<Block> blocks) {
  board::Image image;
  for (const Block &block : blocks) {
    for (int y = block.y0; y < block.y1; ++y) {
      for (int x = block.x0; x < block.x1; ++x) image.Set(x, y, true);
    }
  }
  return image;
}

TEST(DisplayStrTest, TextIsAlignedInItsAreaAndCutAtItsEdges) {
  ASSERT_EQ(baseUiInit(), 0);
  // 'I' a block 3 x 12, 'i' a block 2 x 8, 'W' a block 5 x 16.
  ASSERT_TRUE(testfont::InstallAndLoad(
      {testfont::Block('I', 3, 12), testfont::Block('i', 2, 8), testfont::Block('W', 5, 16)}));
  const uint8_t centred = TEXT_FORMAT(TEXT_ALIGN_CENTRE, TEXT_ALIGN_MIDDLE);
  const struct {
    const char *what;
    const char *text;
    LcdRect area;  // x, y, height, width, format
    board::Image expected;
  } cases[] = {
      {"centred: (132 - 12) / 2 = 60", "III", {0, 32, 12, 132, centred},
       Picture({{60, 32, 63, 44}, {64, 32, 67, 44}, {68, 32, 71, 44}})},
      {"centred, odd spare width rounded down", "II", {0, 0, 12, 131, centred},
       Picture({{61, 0, 64, 12}, {65, 0, 68, 12}})},
      {"wider than the area: from its left, cut at its right", "III", {10, 32, 12, 10, centred},
       Picture({{10, 32, 13, 44}, {14, 32, 17, 44}, {18, 32, 20, 44}})},
      {"right and bottom", "I", {0, 0, 40, 132, TEXT_FORMAT(TEXT_ALIGN_RIGHT, TEXT_ALIGN_BOTTOM)},
       Picture({{128, 28, 131, 40}})},
      {"8 rows at y = 20", "i", {0, 20, 8, 132, 0}, Picture({{0, 20, 2, 28}})},
      {"16 rows at y = 36, the last band too", "W", {0, 36, 16, 132, 0}, Picture({{0, 36, 5, 52}})},
      {"a short glyph centred in a taller text", "iW", {0, 0, 16, 132, 0},
       Picture({{0, 4, 2, 12}, {3, 0, 8, 16}})},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    baseDrawRect(0, 0, 132, 64);
    drawLcd(c.text, &c.area, 0, 0);
    const board::Image drawn = Framebuffer();
    EXPECT_EQ(drawn, c.expected) << drawn.Terminal();
  }
  // Background in the text's box is painted too; the rest stays.
  std::fill(fbp, fbp + 1056, 0xFF);
  const LcdRect area = {0, 0, 12, 132, 0};
  drawLcd("I", &area, 0, 0);
  EXPECT_EQ(Framebuffer().InkCount(), 132 * 64 - 12);  // the gap column
}

// The messages of the upgrade screens in the board's font, on a blank glass,
// each in the area the upgrade screens give it, centred.
TEST(UpgradeMessagesTest, LookAsReviewed) {
  ASSERT_EQ(baseUiInit(), 0);
  const uint8_t centred = TEXT_FORMAT(TEXT_ALIGN_CENTRE, TEXT_ALIGN_MIDDLE);
  const LcdRect upper = {0, 20, 12, 132, centred};
  const LcdRect lower = {0, 32, 12, 132, centred};
  const struct {
    const char *name;
    const char *first;  // in the upper area
    const char *second;  // in the lower one
  } screens[] = {
      {"upgrading", nullptr, "Upgrading ..."},
      {"upgrading-45", nullptr, "Upgrading 45%"},
      {"completed", "Update Completed", "Rebooting ..."},
      {"failed", "Update Failed", "Rebooting ..."},
  };
  for (const auto &screen : screens) {
    baseDrawRect(0, 0, 132, 64);
    if (screen.first != nullptr) drawLcd(screen.first, &upper, 0, 0);
    drawLcd(screen.second, &lower, 0, 0);
    lcdPushCommit();
    EXPECT_TRUE(testsupport::GlassMatchesGolden(screen.name));
  }
}

}  // namespace
