// UTF-8 decoding, alignment in an area, and the copy of a string's bitmap onto
// a guarded framebuffer with its clipping.
#include "baseText.h"
#include "guardedFramebuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DecodingTest, OneToThreeByteSequencesAndEverythingElse) {
  const struct {
    const char *bytes;
    uint16_t code;
    int count;
  } cases[] = {
      {"A", 0x41, 1},
      {"\x7F", 0x7F, 1},
      {"\xC3\xA9", 0xE9, 2},
      {"\xE4\xB8\xAD", 0x4E2D, 3},
      {"\xEF\xBF\xBF", 0xFFFF, 3},
      {"\x80", 2, 1},                // a continuation byte first
      {"\xBF\x80", 2, 1},
      {"\xF0\x9F\x98\x80", 2, 1},    // four-byte sequences are not supported
      {"\xFF", 2, 1},
      {"\xC3" "A", 0xC1, 2},         // continuation bytes are not checked
      {"\xC3", 2, 1},                // cut short by the terminating zero
      {"\xE4\xB8", 2, 1},
      {"\xE4", 2, 1},
  };
  for (const auto &c : cases) {
    int count = -1;
    EXPECT_EQ(getCharUnicode(c.bytes, &count), c.code) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(count, c.count) << testing::PrintToString(std::string(c.bytes));
  }
}

TEST(AlignmentTest, MovesAndShrinksTheBoxOnlyWhereTheAreaIsLarger) {
  // An area at (10, 5), 100 wide and 20 high, and a text 40 x 12.
  const struct {
    int horizontal, vertical;
    int textWidth, textHeight;
    TextBox box;
  } cases[] = {
      {TEXT_ALIGN_LEFT, TEXT_ALIGN_TOP, 40, 12, {10, 5, 40, 12}},
      {TEXT_ALIGN_CENTRE, TEXT_ALIGN_MIDDLE, 40, 12, {40, 9, 40, 12}},
      {TEXT_ALIGN_CENTRE, TEXT_ALIGN_MIDDLE, 41, 13, {39, 8, 41, 13}},  // rounded down
      {TEXT_ALIGN_RIGHT, TEXT_ALIGN_BOTTOM, 40, 12, {70, 13, 40, 12}},
      {TEXT_ALIGN_NONE, TEXT_ALIGN_NONE, 40, 12, {10, 5, 100, 20}},
      {TEXT_ALIGN_CENTRE, TEXT_ALIGN_TOP, 100, 12, {10, 5, 100, 12}},  // as wide: stays
      {TEXT_ALIGN_RIGHT, TEXT_ALIGN_BOTTOM, 140, 30, {10, 5, 100, 20}},  // larger: cut instead
  };
  for (const auto &c : cases) {
    TextBox box = {10, 5, 100, 20};
    const uint8_t format = TEXT_FORMAT(c.horizontal, c.vertical);
    set_str_pos(&box, c.textWidth, c.textHeight, &format);
    EXPECT_EQ(box.x, c.box.x) << int(format) << " " << c.textWidth;
    EXPECT_EQ(box.y, c.box.y) << int(format) << " " << c.textWidth;
    EXPECT_EQ(box.width, c.box.width) << int(format) << " " << c.textWidth;
    EXPECT_EQ(box.height, c.box.height) << int(format) << " " << c.textWidth;
  }
}

// A bitmap in the framebuffer's bit order, all ink.
std::vector<uint8_t> InkBitmap(int width, int height) {
  return std::vector<uint8_t>(static_cast<size_t>(width) * ((height + 7) / 8), 0xFF);
}

class StrBitmapTest : public testsupport::GuardedFramebufferTest {
 protected:
  // Every pixel is ink exactly inside [x0, x1) × [y0, y1).
  void ExpectInkExactly(int x0, int y0, int x1, int y1) {
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 132; ++x) {
        const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
        ASSERT_EQ(Ink(x, y), inside) << "(" << x << ", " << y << ")";
      }
    }
  }
  int Draw(int x, int y, int w, int h, const std::vector<uint8_t> &bitmap, int bw, int bh) {
    return drawStrBitmap(x, y, w, h, bitmap.data(), static_cast<int>(bitmap.size()), bw, bh);
  }
};

TEST_F(StrBitmapTest, OffThePanelDrawsNothing) {
  const std::vector<uint8_t> bitmap = InkBitmap(30, 8);
  EXPECT_EQ(Draw(132, 0, 30, 8, bitmap, 30, 8), -1);
  EXPECT_EQ(Draw(0, 64, 30, 8, bitmap, 30, 8), -1);
  EXPECT_EQ(InkCount(), 0);
}

TEST_F(StrBitmapTest, ClipsToTheAreaThePanelAndTheBitmap) {
  const struct {
    int x, y, w, h, bw, bh;
    int bands;
    int x0, y0, x1, y1;  // the ink drawn
  } cases[] = {
      {120, 0, 132, 8, 30, 8, 1, 120, 0, 132, 8},   // cut to 12 columns at the panel's edge
      {10, 0, 5, 8, 30, 8, 1, 10, 0, 15, 8},        // cut to the area
      {10, 0, 50, 8, 7, 8, 1, 10, 0, 17, 8},        // no wider than the bitmap
      {0, 20, 10, 8, 10, 8, 1, 0, 20, 10, 28},      // straddles pages 2 and 3
      {0, 36, 10, 16, 10, 16, 2, 0, 36, 10, 52},    // the last band too
      {0, 60, 10, 16, 10, 16, 1, 0, 60, 10, 64},    // cut at the panel's bottom
      {0, 3, 10, 5, 10, 16, 1, 0, 3, 10, 8},        // cut to the area's height
      {-3, 0, 10, 8, 10, 8, 1, 0, 0, 7, 8},         // left of the panel: dropped
      {0, -3, 10, 8, 10, 8, 1, 0, 0, 10, 5},        // above the panel: dropped
      {-200, -200, 10, 8, 10, 8, 1, 0, 0, 0, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "at (" << c.x << ", " << c.y << ") area " << c.w << " x " << c.h
                                    << " bitmap " << c.bw << " x " << c.bh);
    Fill(0);
    EXPECT_EQ(Draw(c.x, c.y, c.w, c.h, InkBitmap(c.bw, c.bh), c.bw, c.bh), c.bands);
    ExpectInkExactly(c.x0, c.y0, c.x1, c.y1);
  }
}

TEST_F(StrBitmapTest, BackgroundIsCopiedAndRowsOfPartlyCoveredPagesKeepTheirValues) {
  Fill(0xFF);
  // 8 rows at y = 20: bits 4-7 of page 2 and bits 0-3 of page 3.
  const std::vector<uint8_t> blank(10, 0x00);
  EXPECT_EQ(Draw(0, 20, 10, 8, blank, 10, 8), 1);
  EXPECT_EQ(fbp[2 * 132], 0x0F);
  EXPECT_EQ(fbp[3 * 132], 0xF0);
  EXPECT_EQ(fbp[2 * 132 + 10], 0xFF);
  EXPECT_EQ(InkCount(), 132 * 64 - 80);
}

TEST_F(StrBitmapTest, ABitmapSmallerThanItsSizeSaysIsNotReadPastItsEnd) {
  // 10 bytes for a bitmap 10 x 16 that would take 20: bands of 5 bytes (the
  // size over the bands), the rest of each band not drawn.
  const std::vector<uint8_t> bitmap = InkBitmap(10, 8);
  EXPECT_EQ(Draw(0, 0, 10, 16, bitmap, 10, 16), 2);
  ExpectInkExactly(0, 0, 5, 16);
  EXPECT_EQ(drawStrBitmap(0, 0, 10, 8, nullptr, 10, 10, 8), 0);
}

}  // namespace
