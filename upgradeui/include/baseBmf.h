/* The bitmap font file /etc/bw-eurs.bmf (font slot 0) and the bitmaps of
 * strings drawn with it.
 *
 * File layout, numbers big-endian:
 *   0     4 bytes    a number kept with the head
 *   4     256 bytes  page presence: byte p is 1 when page p (code points
 *                    p * 256 to p * 256 + 255) has glyphs
 *   260   257 * 4    page offsets: page p occupies the file bytes from
 *                    1288 + offset[p] up to 1288 + offset[p + 1]
 *   1288  pages      glyph records in ascending order of the code point's
 *                    low byte
 * Glyph record: byte 0 (passed on), low byte of the code point, 0, L (the
 * record's length from byte 3 on: the next record starts L + 3 bytes
 * further), width, height, byte 6 (passed on), then the bitmap of L - 4
 * bytes: (height + 7) / 8 bands of width bytes, top band first, each byte a
 * column of 8 rows with the most significant bit at the top, set bits ink.
 *
 * Three font slots with fixed page buffers (10240, 20480 and 35840 bytes);
 * only slot 0 has a file. A slot holds one page at a time, loaded when a code
 * point of another page is looked up; glyph record pointers stay valid until
 * the slot's next page change. A code point without a usable glyph is drawn
 * with a built-in 12 x 16 fallback glyph. Nothing here takes a lock: one
 * thread at a time.
 */
#ifndef UPGRADEUI_BASE_BMF_H
#define UPGRADEUI_BASE_BMF_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  BMF_HEAD_SIZE = 1288,
  BMF_PAGE_COUNT = 256,
  BMF_SLOT_COUNT = 3,
  BMF_CACHE_ENTRIES = 10,
  BMF_FALLBACK_WIDTH = 12,
  BMF_FALLBACK_HEIGHT = 16
};

/* A slot's head as kept in memory. */
typedef struct BmfFileHead {
  uint8_t pagePresent[BMF_PAGE_COUNT];
  uint32_t first;
  uint32_t pageOffset[BMF_PAGE_COUNT + 1];
} BmfFileHead;

/* What a glyph record says (getBmfCharInfo). */
typedef struct BmfCharInfo {
  uint8_t byte0;
  uint8_t code; /* low byte of the code point */
  uint8_t width;
  uint8_t height;
  uint8_t byte6;
  const uint8_t *bitmap;
  uint16_t size; /* bitmap bytes */
} BmfCharInfo;

/* A string's bitmap (get_bmf_str_buf): (height + 7) / 8 bands of width
 * bytes, in the font's bit order. */
typedef struct BmfStrImage {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  int32_t size;    /* bytes */
  uint8_t *bitmap; /* null on entry; the caller frees it */
  int32_t mode;    /* 1 on entry to build the bitmap */
} BmfStrImage;

enum { BMF_STR_MODE_BUILD = 1, BMF_STR_MODE_NONE = 32 };

/* Largest page length seen per slot. */
extern uint32_t bmfMaxPageSize[4];

/* Loads the slot's head: 1, negative on a read failure, 0 when the slot has
 * none. */
int initBmfFileHead(int slot);
/* The slot's head, page buffer or item index (256 record pointers); null for
 * a slot other than 0, 1 and 2. */
BmfFileHead *getBmfHeadPoint(int slot);
uint8_t *getBmfPagePoint(int slot);
uint8_t **getBmfItemIndexPoint(int slot);
/* The slot's initialised flag; other slots read as 0 and are not set. */
int getBmfInitFlag(int slot);
void setBmfInitFlag(int slot, int flag);
/* The page each slot holds (-1 none), entries 0-9; outside them the getter
 * gives -1 and the setter does nothing. */
int getFontCachePage(int entry);
void setFontCachePage(int entry, int page);

/* Reads length bytes at a file offset of the slot's font file into buffer:
 * the number read (short at the end of the file), or -1. */
int getBmfFileContents(int slot, long offset, uint8_t *buffer, int length);
/* Loads page into the slot's page buffer: bytes read, or -1 (the slot is then
 * marked uninitialised). */
int initPage(int page, int slot);
/* Rebuilds the slot's item index from its loaded page: 0, or -1. */
int initItemIndex(int slot);

/* The glyph record of a code point, loading its page; null when the font has
 * no usable glyph for it. */
uint8_t *getBmfCharIndex(uint16_t code, int slot);
/* Fills info from a record, or with the fallback glyph for a null record
 * (leaving byte0, code and byte6); returns the record. */
uint8_t *getBmfCharInfo(uint8_t *record, BmfCharInfo *info);
/* The slot for a kind of text (1 for kind 1, else 0), the code point's page
 * loaded in it when the slot is initialised. */
int getFontType(uint16_t code, int kind);

/* Measures a UTF-8 string in slot 0: width is the sum of glyph width + 1,
 * height the tallest glyph (left as it was for an empty string). 0. */
int getStrInfo(const char *str, int *width, int *height, int unused);
/* Draws the string's glyphs into a zeroed bitmap of bands bands of stride
 * bytes; shorter glyphs are centred vertically. Columns beyond stride are
 * cut. 0. */
int getStrBuffer(const char *str, uint8_t *bitmap, int stride, int bands, int unused);
/* Builds the string's bitmap (at most its first 511 bytes are drawn) in a
 * new buffer: 0 (allocated set to 1 when given); -1 null image, -2 unknown
 * mode, -3 no memory, -4 the image already holds a bitmap; 32 for mode 32,
 * which builds nothing and leaves the image as it was. */
int get_bmf_str_buf(const char *str, BmfStrImage *image, int *allocated);

/* Kept for callers; shows nothing. */
void bmfShowMaxPageSize(void);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_BMF_H */
