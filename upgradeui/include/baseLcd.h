/* The upgrade screen's framebuffer and drawing.
 *
 * The framebuffer holds the 132 x 64 panel in 8 pages of 132 bytes: the byte
 * of pixel (x, y) is fbp[x + (y / 8) * 132] and the pixel is its bit y % 8
 * (bit 0 the top row of the page). A set bit is ink (dark). Nothing reaches
 * the panel until lcdPushCommit. Points outside the panel are dropped.
 *
 * Colours are 4 bytes of which only the fourth counts: 0xFF paints background,
 * anything else ink. A colour passed as a 32-bit number has the fourth byte as
 * its most significant one: 0xFF000000 is background, 0 is ink.
 */
#ifndef UPGRADEUI_BASE_LCD_H
#define UPGRADEUI_BASE_LCD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A drawing and text area. */
typedef struct LcdRect {
  int32_t x;
  int32_t y;
  int32_t height; /* height comes before width */
  int32_t width;
  uint8_t format; /* bits 0-1 horizontal and bits 2-3 vertical text alignment */
} LcdRect;

enum {
  LCD_FORMAT_HORIZONTAL_MASK = 0x03,
  LCD_FORMAT_VERTICAL_SHIFT = 2,
  LCD_FORMAT_VERTICAL_MASK = 0x0C
};

/* The framebuffer (null until the panel is started) and its size in bytes
 * (1056 once initLcd ran). */
extern unsigned char *fbp;
extern unsigned int screensize;
/* Colour variables for the library's callers (0xFFFFFFFF, 0xFF000000). */
extern uint32_t gPixelFont;
extern uint32_t gPixelLcd;

/* point: x in the low 16 bits, y in the high 16 bits. */
void drawFbDot(uint32_t point, const unsigned char *colour);
/* Paints an area background. */
void drawRect(const LcdRect *rect);
void drawRectWithColor(const LcdRect *rect, uint32_t colour);
/* Paints an area background; note width before height. */
void baseDrawRect(uint32_t x, uint32_t y, uint32_t width, uint32_t height);
void lcdClearScrn(uint32_t x, uint32_t y, uint32_t width, uint32_t height);
/* Sends the whole framebuffer to the panel. */
void lcdPushCommit(void);

/* Starts the panel and the bitmap font: 0, or negative (the font could not be
 * loaded: "words lib init error!"). */
int initLcd(void);
/* Opens the GPIO device and, if that worked, runs initLcd: the first negative
 * result, else initLcd's. */
int baseUiInit(void);

/* Display geometry: 132 x 64 after initLcd; the setters only shrink it. The
 * framebuffer's stride stays 132 bytes whatever the width. */
uint32_t getLcdWidthFromFb(void);
uint32_t getLcdHightFromFb(void);
void setLcdWidthToFb(uint32_t width);
void setLcdHightToFb(uint32_t height);

/* Font pixel sizes for TrueType text; the setters return their argument. */
int getFontBigPixelVal(void);
int setFontMaxPixelVal(int size);
int getFontMidPixelVal(void);
int setFontMidPixelVal(int size);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_LCD_H */
