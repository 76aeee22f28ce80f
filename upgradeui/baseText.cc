// Text on the framebuffer: a string is measured, aligned in its area, built
// as a bitmap in the font's bit order, turned into the framebuffer's bit order
// and copied onto the framebuffer, cut at the area's and the panel's edges.
#include "baseText.h"

#include "baseBmf.h"
#include "export.h"
#include "framebuffer.h"
#include "utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>

#if UINTPTR_MAX == 0xFFFFFFFFu
// The text box as callers on the phone lay it out.
static_assert(offsetof(TextBox, x) == 0 && offsetof(TextBox, y) == 2 && offsetof(TextBox, width) == 4 &&
              offsetof(TextBox, height) == 6 && sizeof(TextBox) == 8);
#endif

namespace upgradeui {
namespace {

struct Alignment {
  int offset;  // how far the text moves into the area
  bool fit;    // the area shrinks to the text
};

// Where a text of `text` pixels goes in an area of `area` pixels, for one
// direction's two alignment bits.
Alignment Align(int mode, int area, int text) {
  if (area <= text) return {0, false};  // the text is cut instead
  switch (mode) {
    case TEXT_ALIGN_LEFT:
      return {0, true};
    case TEXT_ALIGN_CENTRE:
      return {(area - text) / 2, true};
    case TEXT_ALIGN_RIGHT:
      return {area - text, true};
    default:
      return {0, false};
  }
}

void AlignAxis(uint16_t *position, uint16_t *extent, int mode, int text) {
  const Alignment alignment = Align(mode, *extent, text);
  if (!alignment.fit) return;
  *position = static_cast<uint16_t>(*position + alignment.offset);
  *extent = static_cast<uint16_t>(text);
}

// The font keeps the top row in bit 7 of a column byte, the framebuffer in
// bit 0.
constexpr uint8_t ReverseBits(uint8_t byte) {
  uint8_t reversed = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (byte & (1u << bit)) reversed |= static_cast<uint8_t>(0x80u >> bit);
  }
  return reversed;
}
static_assert(ReverseBits(0x01) == 0x80 && ReverseBits(0xC2) == 0x43);

struct FreeBitmap {
  void operator()(uint8_t *bitmap) const { std::free(bitmap); }
};

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT uint16_t getCharUnicode(const char *str, int *count) {
  if (str == nullptr) {
    if (count != nullptr) *count = 0;
    return 0;
  }
  const Utf8Char c = DecodeUtf8(str);
  if (count != nullptr) *count = c.length;
  return c.code;
}

UPGRADEUI_EXPORT void set_str_pos(TextBox *box, int textWidth, int textHeight, const uint8_t *format) {
  if (box == nullptr) return;
  const uint8_t bits = format != nullptr ? *format : 0;
  AlignAxis(&box->x, &box->width, bits & LCD_FORMAT_HORIZONTAL_MASK, textWidth);
  AlignAxis(&box->y, &box->height, (bits & LCD_FORMAT_VERTICAL_MASK) >> LCD_FORMAT_VERTICAL_SHIFT, textHeight);
}

UPGRADEUI_EXPORT int drawStrBitmap(int x, int y, int width, int height, const uint8_t *bitmap, int size,
                                   int bitmapWidth, int bitmapHeight) {
  if (x >= kPanelWidth || y >= kPanelHeight || fbp == nullptr) return -1;
  if (bitmap == nullptr || size <= 0 || bitmapWidth <= 0 || bitmapHeight <= 0) return 0;
  const int columns = std::min({width, kPanelWidth - x, bitmapWidth});
  const int rows = std::min({height, kPanelHeight - y, bitmapHeight});
  if (columns <= 0 || rows <= 0) return 0;
  const int stride = size / ((bitmapHeight + 7) / 8);
  const int bands = (rows + 7) / 8;
  for (int band = 0; band < bands; ++band) {
    for (int column = 0; column < columns; ++column) {
      const long index = static_cast<long>(band) * stride + column;
      if (column >= stride || index >= size) break;
      const uint8_t byte = bitmap[index];
      for (int bit = 0; bit < 8 && band * 8 + bit < rows; ++bit) {
        const int px = x + column;
        const int py = y + band * 8 + bit;
        // Positions left of or above the panel are dropped.
        if (px >= 0 && py >= 0) PaintPixel(fbp, px, py, (byte >> bit) & 1);
      }
    }
  }
  return bands;
}

UPGRADEUI_EXPORT int displayStrOnFb(const char *str, uint32_t position, uint32_t size, int, uint32_t,
                                    const uint8_t *format) {
  int textWidth = 0;
  int textHeight = 0;
  getStrInfo(str, &textWidth, &textHeight, 0);
  TextBox box = {static_cast<uint16_t>(position), static_cast<uint16_t>(position >> 16), static_cast<uint16_t>(size),
                 static_cast<uint16_t>(size >> 16)};
  set_str_pos(&box, textWidth, textHeight, format);

  BmfStrImage image = {box.x, box.y, box.width, box.height, 0, nullptr, BMF_STR_MODE_BUILD};
  int allocated = 0;
  if (get_bmf_str_buf(str, &image, &allocated) < 0) return -1;
  const std::unique_ptr<uint8_t, FreeBitmap> owned(image.bitmap);
  std::transform(image.bitmap, image.bitmap + image.size, image.bitmap, ReverseBits);
  drawStrBitmap(box.x, box.y, box.width, box.height, image.bitmap, image.size, image.width, image.height);
  return 0;
}

UPGRADEUI_EXPORT void drawLcd(const char *str, const LcdRect *rect, int font, uint32_t colour) {
  if (rect == nullptr) return;
  const uint32_t position = (static_cast<uint32_t>(rect->y) << 16) | (static_cast<uint32_t>(rect->x) & 0xFFFFu);
  const uint32_t size = (static_cast<uint32_t>(rect->height) << 16) | (static_cast<uint32_t>(rect->width) & 0xFFFFu);
  displayStrOnFb(str, position, size, font, colour, &rect->format);
}

}  // extern "C"
