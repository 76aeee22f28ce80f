// The framebuffer, drawing, the display geometry and the start-up of the
// display stack.
#include "baseLcd.h"

#include "baseBmf.h"
#include "baseGpio.h"
#include "basePanel.h"
#include "export.h"
#include "framebuffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#if UINTPTR_MAX == 0xFFFFFFFFu
// The area record as callers on the phone lay it out.
static_assert(offsetof(LcdRect, x) == 0 && offsetof(LcdRect, y) == 4 && offsetof(LcdRect, height) == 8 &&
              offsetof(LcdRect, width) == 12 && offsetof(LcdRect, format) == 16 && sizeof(LcdRect) == 20);
#endif

extern "C" {
UPGRADEUI_EXPORT unsigned char *fbp = nullptr;
UPGRADEUI_EXPORT unsigned int screensize = 0;
UPGRADEUI_EXPORT uint32_t gPixelFont = 0xFFFFFFFFu;
UPGRADEUI_EXPORT uint32_t gPixelLcd = 0xFF000000u;
}

namespace upgradeui {
namespace {

// The fourth colour byte that paints background; any other paints ink.
constexpr uint8_t kBackgroundByte = 0xFF;
constexpr int kBmfSlot = 0;

uint32_t gWidth = 0;
uint32_t gHeight = 0;
int gFontBigSize = 0;
int gFontMidSize = 0;

// Paints the pixels of [x0, x1) × [y0, y1) that lie on the panel; the others
// are dropped, so nothing outside the framebuffer is ever written.
void PaintArea(long long x0, long long y0, long long x1, long long y1, bool ink) {
  if (fbp == nullptr) return;
  x0 = std::max(x0, 0LL);
  y0 = std::max(y0, 0LL);
  x1 = std::min<long long>(x1, kPanelWidth);
  y1 = std::min<long long>(y1, kPanelHeight);
  for (long long y = y0; y < y1; ++y) {
    for (long long x = x0; x < x1; ++x) PaintPixel(fbp, static_cast<int>(x), static_cast<int>(y), ink);
  }
}

void PaintRect(const LcdRect *rect, bool ink) {
  if (rect == nullptr || rect->width <= 0 || rect->height <= 0) return;
  PaintArea(rect->x, rect->y, static_cast<long long>(rect->x) + rect->width,
            static_cast<long long>(rect->y) + rect->height, ink);
}

void PaintUnsignedArea(uint32_t x, uint32_t y, uint32_t width, uint32_t height, bool ink) {
  PaintArea(x, y, static_cast<long long>(x) + width, static_cast<long long>(y) + height, ink);
}

void Shrink(uint32_t *setting, uint32_t value) {
  if (value > 0 && value < *setting) *setting = value;
}

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT void drawFbDot(uint32_t point, const unsigned char *colour) {
  if (colour == nullptr) return;
  const uint32_t x = point & 0xFFFFu;
  const uint32_t y = point >> 16;
  PaintUnsignedArea(x, y, 1, 1, colour[3] != kBackgroundByte);
}

UPGRADEUI_EXPORT void drawRect(const LcdRect *rect) { PaintRect(rect, false); }

UPGRADEUI_EXPORT void drawRectWithColor(const LcdRect *rect, uint32_t colour) {
  PaintRect(rect, (colour >> 24) != kBackgroundByte);
}

UPGRADEUI_EXPORT void baseDrawRect(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  PaintUnsignedArea(x, y, width, height, false);
}

UPGRADEUI_EXPORT void lcdClearScrn(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  baseDrawRect(x, y, width, height);
}

UPGRADEUI_EXPORT void lcdPushCommit(void) {
  lcdDisplayCommit(0, static_cast<uint16_t>(gWidth), 0, static_cast<uint16_t>(gHeight));
}

UPGRADEUI_EXPORT int initLcd(void) {
  if (baseLcdInit() == -1) return -1;
  gWidth = kPanelWidth;
  gHeight = kPanelHeight;
  screensize = kFramebufferSize;
  const int font = initBmfFileHead(kBmfSlot);
  if (font != 1) {
    std::puts("words lib init error!");
    // A head that could not be had (0) is a failure too.
    return font < 0 ? font : -1;
  }
  std::memset(fbp, 0xFF, kFramebufferSize);
  return 0;
}

UPGRADEUI_EXPORT int baseUiInit(void) {
  if (gpio_init() < 0) return -1;
  return initLcd();
}

UPGRADEUI_EXPORT uint32_t getLcdWidthFromFb(void) { return gWidth; }
UPGRADEUI_EXPORT uint32_t getLcdHightFromFb(void) { return gHeight; }
UPGRADEUI_EXPORT void setLcdWidthToFb(uint32_t width) { Shrink(&gWidth, width); }
UPGRADEUI_EXPORT void setLcdHightToFb(uint32_t height) { Shrink(&gHeight, height); }

UPGRADEUI_EXPORT int getFontBigPixelVal(void) { return gFontBigSize; }
UPGRADEUI_EXPORT int setFontMaxPixelVal(int size) { return gFontBigSize = size; }
UPGRADEUI_EXPORT int getFontMidPixelVal(void) { return gFontMidSize; }
UPGRADEUI_EXPORT int setFontMidPixelVal(int size) { return gFontMidSize = size; }

}  // extern "C"
