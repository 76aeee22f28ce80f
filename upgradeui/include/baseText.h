/* Text on the framebuffer: UTF-8 strings drawn with the bitmap font of slot 0
 * into an area, aligned by the area's format byte, cut (never wrapped) at the
 * area's and the panel's edges. Nothing reaches the panel until the caller
 * commits (lcdPushCommit).
 *
 * Format byte: bits 0-1 horizontal alignment (0 left, 1 centred, 2 right,
 * 3 unchanged), bits 2-3 vertical alignment (0 top, 1 middle, 2 bottom,
 * 3 unchanged). An alignment other than 3 also shrinks the area to the text,
 * but only where the area is larger than the text.
 */
#ifndef UPGRADEUI_BASE_TEXT_H
#define UPGRADEUI_BASE_TEXT_H

#include "baseLcd.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  TEXT_ALIGN_LEFT = 0,
  TEXT_ALIGN_CENTRE = 1,
  TEXT_ALIGN_RIGHT = 2,
  TEXT_ALIGN_NONE = 3,
  TEXT_ALIGN_TOP = 0,
  TEXT_ALIGN_MIDDLE = 1,
  TEXT_ALIGN_BOTTOM = 2
};
/* A format byte from a horizontal and a vertical alignment. */
#define TEXT_FORMAT(horizontal, vertical) ((uint8_t)(((horizontal) & 3) | (((vertical) & 3) << 2)))

/* The working copy of a text area. */
typedef struct TextBox {
  uint16_t x;
  uint16_t y;
  uint16_t width;
  uint16_t height;
} TextBox;

/* Decodes one UTF-8 character of one to three bytes: the code point, and the
 * bytes taken in *count. A first byte that starts no sequence, a four-byte
 * sequence, or a sequence cut short by the terminating zero gives code
 * point 2 and 1 byte. Continuation bytes are not checked otherwise. */
uint16_t getCharUnicode(const char *str, int *count);

/* Aligns the box in place for a text of that size. */
void set_str_pos(TextBox *box, int textWidth, int textHeight, const uint8_t *format);

/* Copies a bitmap of bitmapWidth x bitmapHeight pixels (bands of 8 rows, bit 0
 * the top row, size bytes in all) onto the framebuffer at x, y, cut to the
 * area width x height and to the panel; ink and background alike are copied.
 * The number of bands drawn, or -1 when x >= 132 or y >= 64 (or there is no
 * framebuffer). */
int drawStrBitmap(int x, int y, int width, int height, const uint8_t *bitmap, int size, int bitmapWidth,
                  int bitmapHeight);

/* Draws a string: position has y in its high and x in its low 16 bits, size
 * the height and the width likewise. The font and the colour are not used:
 * the text is slot 0's, ink on background. -1 when no bitmap could be built,
 * else 0. */
int displayStrOnFb(const char *str, uint32_t position, uint32_t size, int font, uint32_t colour,
                   const uint8_t *format);
/* displayStrOnFb in an area, aligned by its format byte. */
void drawLcd(const char *str, const LcdRect *rect, int font, uint32_t colour);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_TEXT_H */
