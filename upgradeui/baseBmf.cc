// The bitmap font file: its head, the page cache of each font slot, glyph
// lookup, and the bitmaps of whole strings.
//
// A font file comes from outside the library and may be damaged: every glyph
// record is checked against the bytes of the page actually read before it is
// used, so that no read leaves the page buffer and a bad glyph draws as the
// fallback glyph.
#include "baseBmf.h"

#include "bigEndian.h"
#include "export.h"
#include "stdioFile.h"
#include "utf8.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#if UINTPTR_MAX == 0xFFFFFFFFu
// The records as callers on the phone lay them out.
static_assert(offsetof(BmfFileHead, pagePresent) == 0 && offsetof(BmfFileHead, first) == 256 &&
              offsetof(BmfFileHead, pageOffset) == 260 && sizeof(BmfFileHead) == 1288);
static_assert(offsetof(BmfCharInfo, byte0) == 0 && offsetof(BmfCharInfo, code) == 1 &&
              offsetof(BmfCharInfo, width) == 2 && offsetof(BmfCharInfo, height) == 3 &&
              offsetof(BmfCharInfo, byte6) == 4 && offsetof(BmfCharInfo, bitmap) == 8 &&
              offsetof(BmfCharInfo, size) == 12 && sizeof(BmfCharInfo) == 16);
static_assert(offsetof(BmfStrImage, x) == 0 && offsetof(BmfStrImage, y) == 4 && offsetof(BmfStrImage, width) == 8 &&
              offsetof(BmfStrImage, height) == 12 && offsetof(BmfStrImage, size) == 16 &&
              offsetof(BmfStrImage, bitmap) == 20 && offsetof(BmfStrImage, mode) == 24 && sizeof(BmfStrImage) == 28);
#endif

extern "C" {
UPGRADEUI_EXPORT uint32_t bmfMaxPageSize[4] = {0, 0, 0, 0};
}

namespace upgradeui {
namespace {

constexpr int kSlotCount = BMF_SLOT_COUNT;
constexpr int kPageCount = BMF_PAGE_COUNT;
constexpr size_t kHeadSize = BMF_HEAD_SIZE;
static_assert(kHeadSize == 4 + kPageCount + (kPageCount + 1) * 4);

// Glyph record: byte 0, code point low byte, 0, length L from byte 3 on,
// width, height, byte 6, bitmap.
constexpr int kRecordCode = 1;
constexpr int kRecordSizeHigh = 2;
constexpr int kRecordLength = 3;
constexpr int kRecordWidth = 4;
constexpr int kRecordHeight = 5;
constexpr int kRecordByte6 = 6;
constexpr int kRecordBitmap = 7;
// The record's length counts from byte 3; these bytes come before it.
constexpr size_t kRecordLengthOrigin = 3;
// Bytes of the length that precede the bitmap (length, width, height, byte 6).
constexpr int kRecordBitmapOrigin = 4;

// Strings longer than this are measured whole but drawn cut.
constexpr size_t kMaxDrawnBytes = 511;

// Drawn for a code point that has no usable glyph: 12 x 16, band 0 then band 1.
constexpr uint8_t kFallbackBitmap[BMF_FALLBACK_WIDTH * 2] = {
    0x01, 0x03, 0x07, 0x1B, 0x37, 0xF7, 0x77, 0x36, 0x18, 0x07, 0x03, 0x01,
    0x80, 0xC0, 0xE0, 0xF8, 0xFC, 0xFF, 0x2E, 0x7C, 0xF8, 0xE0, 0xC0, 0x80};

// The page buffers, fixed for the life of the process.
alignas(4) uint8_t gPage0[10240];
alignas(4) uint8_t gPage1[20480];
alignas(4) uint8_t gPage2[35840];

struct Slot {
  const char *path;  // only slot 0 has a file
  std::span<uint8_t> page;
  BmfFileHead head;
  uint8_t *index[kPageCount];  // records of the loaded page, by code point low byte
  size_t loaded;               // bytes of the page buffer that the last page load read
  int initialised;
};

Slot gSlots[kSlotCount] = {
    {"/etc/bw-eurs.bmf", gPage0, {}, {}, 0, 0},
    {nullptr, gPage1, {}, {}, 0, 0},
    {nullptr, gPage2, {}, {}, 0, 0},
};

int gCachePage[BMF_CACHE_ENTRIES] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

Slot *SlotAt(int slot) { return slot >= 0 && slot < kSlotCount ? &gSlots[slot] : nullptr; }

int Bands(int height) { return (height + 7) / 8; }

// A record is used only when it lies wholly in the bytes of the page that
// were read and its bitmap is exactly as large as its width and height say.
bool UsableRecord(const Slot &slot, const uint8_t *record) {
  const uint8_t *const begin = slot.page.data();
  if (record < begin || record >= begin + slot.loaded) return false;
  const size_t available = slot.loaded - static_cast<size_t>(record - begin);
  if (available < kRecordBitmap) return false;
  const int length = record[kRecordLength];
  if (kRecordLengthOrigin + static_cast<size_t>(length) > available) return false;
  const int bitmapSize = record[kRecordSizeHigh] + length - kRecordBitmapOrigin;
  return record[kRecordSizeHigh] == 0 && length >= kRecordBitmapOrigin &&
         bitmapSize == record[kRecordWidth] * Bands(record[kRecordHeight]);
}

struct Glyph {
  int width;
  int height;
  const uint8_t *bitmap;  // Bands(height) bands of width bytes
};

Glyph LookUpGlyph(uint16_t code) {
  BmfCharInfo info{};
  getBmfCharInfo(getBmfCharIndex(code, 0), &info);
  return {info.width, info.height, info.bitmap};
}

// A glyph moved down within `bands` bands: by whole bands, and by a further
// half band (4 rows) when the difference is odd.
class CentredGlyph {
 public:
  CentredGlyph(const Glyph &glyph, int bands) : width_(glyph.width) {
    const size_t size = static_cast<size_t>(bands) * static_cast<size_t>(glyph.width);
    bitmap_.reset(static_cast<uint8_t *>(std::calloc(size == 0 ? 1 : size, 1)));
    if (!bitmap_) return;
    const int glyphBands = Bands(glyph.height);
    const int spare = bands - glyphBands;
    const int top = spare / 2;
    const auto source = [&](int band, int column) -> int {
      return band >= 0 && band < glyphBands ? glyph.bitmap[band * glyph.width + column] : 0;
    };
    for (int column = 0; column < glyph.width; ++column) {
      if (spare % 2 == 0) {
        for (int band = 0; band < glyphBands; ++band) At(top + band, column) = static_cast<uint8_t>(source(band, column));
      } else {
        // Half a band down, the most significant bit being the top row: each
        // band takes the bottom half of the band above and the top half of
        // its own, and one more band is written below.
        for (int band = 0; band <= glyphBands; ++band) {
          At(top + band, column) = static_cast<uint8_t>((source(band - 1, column) << 4) | (source(band, column) >> 4));
        }
      }
    }
  }
  bool ok() const { return bitmap_ != nullptr; }
  const uint8_t *bitmap() const { return bitmap_.get(); }

 private:
  uint8_t &At(int band, int column) { return bitmap_[static_cast<size_t>(band) * width_ + column]; }

  struct Free {
    void operator()(uint8_t *p) const { std::free(p); }
  };
  int width_;
  std::unique_ptr<uint8_t[], Free> bitmap_;
};

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT BmfFileHead *getBmfHeadPoint(int slot) {
  Slot *font = SlotAt(slot);
  return font != nullptr ? &font->head : nullptr;
}

UPGRADEUI_EXPORT uint8_t *getBmfPagePoint(int slot) {
  Slot *font = SlotAt(slot);
  return font != nullptr ? font->page.data() : nullptr;
}

UPGRADEUI_EXPORT uint8_t **getBmfItemIndexPoint(int slot) {
  Slot *font = SlotAt(slot);
  return font != nullptr ? font->index : nullptr;
}

UPGRADEUI_EXPORT int getBmfInitFlag(int slot) {
  const Slot *font = SlotAt(slot);
  return font != nullptr ? font->initialised : 0;
}

UPGRADEUI_EXPORT void setBmfInitFlag(int slot, int flag) {
  if (Slot *font = SlotAt(slot)) font->initialised = flag;
}

UPGRADEUI_EXPORT int getFontCachePage(int entry) {
  return entry >= 0 && entry < BMF_CACHE_ENTRIES ? gCachePage[entry] : -1;
}

UPGRADEUI_EXPORT void setFontCachePage(int entry, int page) {
  if (entry >= 0 && entry < BMF_CACHE_ENTRIES) gCachePage[entry] = page;
}

UPGRADEUI_EXPORT int getBmfFileContents(int slot, long offset, uint8_t *buffer, int length) {
  const Slot *font = SlotAt(slot);
  if (font == nullptr || font->path == nullptr || buffer == nullptr || length < 0 || offset < 0) return -1;
  Stream file = OpenStream(font->path, "rb");
  if (!file) {
    std::printf("could not Open %s\n", font->path);
    return -1;
  }
  // One read per call: the stream buffers nothing of its own.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  if (std::fseek(file.get(), offset, SEEK_SET) != 0) {
    std::printf("Read error in %s\n", font->path);
    return -1;
  }
  std::memset(buffer, 0, static_cast<size_t>(length));
  const size_t got = std::fread(buffer, 1, static_cast<size_t>(length), file.get());
  if (got < static_cast<size_t>(length)) {
    if (!std::feof(file.get())) {
      std::printf("Read error in %s\n", font->path);
      return -1;
    }
    std::printf("End of file\n");
  }
  return static_cast<int>(got);
}

UPGRADEUI_EXPORT int initBmfFileHead(int slot) {
  Slot *font = SlotAt(slot);
  if (font == nullptr) return 0;
  std::memset(&font->head, 0, sizeof font->head);
  uint8_t raw[kHeadSize];
  const int got = getBmfFileContents(slot, 0, raw, static_cast<int>(kHeadSize));
  if (got < 0) return got;
  // A short head leaves the rest zero: pages absent.
  font->head.first = BigEndian32(raw);
  std::memcpy(font->head.pagePresent, raw + 4, kPageCount);
  for (int page = 0; page <= kPageCount; ++page) {
    font->head.pageOffset[page] = BigEndian32(raw + 4 + kPageCount + 4 * page);
  }
  font->initialised = 1;
  return 1;
}

UPGRADEUI_EXPORT int initPage(int page, int slot) {
  Slot *font = SlotAt(slot);
  if (font == nullptr || page < 0 || page >= kPageCount) return -1;
  // Whatever happens, the buffer no longer holds the page it held, and the
  // index into it is void until initItemIndex runs on the new bytes.
  std::fill(std::begin(font->index), std::end(font->index), nullptr);
  font->loaded = 0;
  gCachePage[slot] = -1;

  const uint32_t start = font->head.pageOffset[page];
  const uint32_t end = font->head.pageOffset[page + 1];
  const size_t limit = font->page.size();
  if (end > start && end - start > bmfMaxPageSize[slot]) bmfMaxPageSize[slot] = end - start;
  size_t length = end - start;
  // A page that does not fit, or whose offsets make no sense, is read up to
  // the buffer's size less one byte.
  if (end <= start || length > limit) length = limit - 1;

  const long long offset = static_cast<long long>(kHeadSize) + start;
  const int got = offset <= LONG_MAX ? getBmfFileContents(slot, static_cast<long>(offset), font->page.data(),
                                                          static_cast<int>(length))
                                     : -1;
  if (got < 0) {
    font->initialised = 0;
    return -1;
  }
  font->loaded = static_cast<size_t>(got);
  return got;
}

UPGRADEUI_EXPORT int initItemIndex(int slot) {
  Slot *font = SlotAt(slot);
  if (font == nullptr) return -1;
  uint8_t *entries[kPageCount] = {};
  // Records come in ascending order of their code point's low byte; the walk
  // takes them only from the bytes that were read.
  size_t cursor = 0;
  for (int low = 0; low < kPageCount && cursor + kRecordBitmap <= font->loaded; ++low) {
    uint8_t *record = font->page.data() + cursor;
    if (record[kRecordCode] != low) continue;
    if (UsableRecord(*font, record)) entries[low] = record;
    cursor += record[kRecordLength] + kRecordLengthOrigin;
  }
  std::copy(std::begin(entries), std::end(entries), font->index);
  return 0;
}

UPGRADEUI_EXPORT uint8_t *getBmfCharIndex(uint16_t code, int slot) {
  Slot *font = SlotAt(slot);
  if (font == nullptr) return nullptr;
  const int page = code >> 8;
  if (font->head.pagePresent[page] != 1) return nullptr;
  if (gCachePage[slot] != page) {
    if (initPage(page, slot) < 0 || initItemIndex(slot) < 0) return nullptr;
    gCachePage[slot] = page;
  }
  uint8_t *record = font->index[code & 0xFF];
  // Checked again: the page buffer is exported and may have been written.
  return record != nullptr && UsableRecord(*font, record) ? record : nullptr;
}

UPGRADEUI_EXPORT uint8_t *getBmfCharInfo(uint8_t *record, BmfCharInfo *info) {
  if (info == nullptr) return record;
  if (record == nullptr) {
    info->width = BMF_FALLBACK_WIDTH;
    info->height = BMF_FALLBACK_HEIGHT;
    info->bitmap = kFallbackBitmap;
    info->size = sizeof kFallbackBitmap;
    return record;
  }
  info->byte0 = record[0];
  info->code = record[kRecordCode];
  info->width = record[kRecordWidth];
  info->height = record[kRecordHeight];
  info->byte6 = record[kRecordByte6];
  info->bitmap = record + kRecordBitmap;
  info->size = static_cast<uint16_t>(record[kRecordSizeHigh] + record[kRecordLength] - kRecordBitmapOrigin);
  return record;
}

UPGRADEUI_EXPORT int getFontType(uint16_t code, int kind) {
  const int slot = kind == 1 ? 1 : 0;
  if (getBmfInitFlag(slot)) (void)getBmfCharIndex(code, slot);
  return slot;
}

UPGRADEUI_EXPORT int getStrInfo(const char *str, int *width, int *height, int) {
  if (str == nullptr || width == nullptr || height == nullptr) return 0;
  long long total = 0;
  int tallest = 0;
  bool any = false;
  ForEachCodePoint(str, [&](uint16_t code) {
    const Glyph glyph = LookUpGlyph(code);
    total += glyph.width + 1;
    tallest = std::max(tallest, glyph.height);
    any = true;
    return true;
  });
  // A text too long to measure in an int measures as the largest int, for
  // which no bitmap can be had.
  *width = static_cast<int>(std::min<long long>(total, INT_MAX));
  if (any) *height = tallest;
  return 0;
}

UPGRADEUI_EXPORT int getStrBuffer(const char *str, uint8_t *bitmap, int stride, int bands, int) {
  if (str == nullptr || bitmap == nullptr || stride <= 0 || bands <= 0) return 0;
  int cursor = 0;
  ForEachCodePoint(str, [&](uint16_t code) {
    const Glyph glyph = LookUpGlyph(code);
    const uint8_t *source = glyph.bitmap;
    std::optional<CentredGlyph> centred;
    if (Bands(glyph.height) < bands) {
      centred.emplace(glyph, bands);
      if (!centred->ok()) return false;
      source = centred->bitmap();
    }
    // Columns beyond the stride are cut: a font that changed between
    // measuring and drawing cannot write past the bitmap.
    const int columns = std::clamp(stride - cursor, 0, glyph.width);
    for (int band = 0; band < bands; ++band) {
      uint8_t *row = bitmap + static_cast<size_t>(band) * stride + cursor;
      if (columns > 0) std::memcpy(row, source + static_cast<size_t>(band) * glyph.width, columns);
      if (cursor + glyph.width < stride) row[glyph.width] = 0;  // the gap column
    }
    cursor += glyph.width + 1;
    return cursor < stride;
  });
  return 0;
}

UPGRADEUI_EXPORT int get_bmf_str_buf(const char *str, BmfStrImage *image, int *allocated) {
  if (image == nullptr) return -1;
  if (image->mode != BMF_STR_MODE_BUILD && image->mode != BMF_STR_MODE_NONE) return -2;
  char drawn[kMaxDrawnBytes + 1] = {};
  if (str != nullptr) std::strncpy(drawn, str, kMaxDrawnBytes);
  int width = 0;
  int height = 0;
  getStrInfo(str, &width, &height, 0);
  if (image->mode == BMF_STR_MODE_NONE) return BMF_STR_MODE_NONE;

  const int bands = Bands(height);
  if (image->bitmap != nullptr) return -4;
  const long long size = static_cast<long long>(width) * bands;
  if (size > INT_MAX) return -3;
  auto *bitmap = static_cast<uint8_t *>(std::calloc(size == 0 ? 1 : static_cast<size_t>(size), 1));
  if (bitmap == nullptr) return -3;
  image->bitmap = bitmap;
  image->size = static_cast<int32_t>(size);
  image->width = width;
  image->height = height;
  if (allocated != nullptr) *allocated = 1;
  getStrBuffer(drawn, bitmap, width, bands, 0);
  return 0;
}

UPGRADEUI_EXPORT void bmfShowMaxPageSize(void) {}

}  // extern "C"
