#include "bmfWriter.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace mkbmf {
namespace {

int Bands(int height) { return (height + 7) / 8; }

void PutBigEndian32(uint8_t *at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

uint32_t BigEndian32(const uint8_t *at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

}  // namespace

std::string Message(const char *format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

bool Glyph::Ink(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  return (bitmap[static_cast<size_t>(y / 8) * width + x] >> (7 - y % 8)) & 1;
}

void Glyph::SetInk(int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  bitmap[static_cast<size_t>(y / 8) * width + x] |= static_cast<uint8_t>(0x80u >> (y % 8));
}

Glyph BlankGlyph(uint16_t code, int width, int height) {
  Glyph glyph;
  glyph.code = code;
  glyph.width = width;
  glyph.height = height;
  glyph.byte0 = static_cast<uint8_t>(code >> 8);
  glyph.bitmap.assign(static_cast<size_t>(Bands(height)) * width, 0);
  return glyph;
}

Glyph GlyphFromRows(uint16_t code, std::initializer_list<std::string_view> rows) {
  size_t width = 0;
  for (std::string_view row : rows) width = std::max(width, row.size());
  Glyph glyph = BlankGlyph(code, static_cast<int>(width), static_cast<int>(rows.size()));
  int y = 0;
  for (std::string_view row : rows) {
    for (size_t x = 0; x < row.size(); ++x) {
      if (row[x] == '#') glyph.SetInk(static_cast<int>(x), y);
    }
    ++y;
  }
  return glyph;
}

std::vector<uint8_t> EncodeRecord(const Glyph &glyph) {
  std::vector<uint8_t> record(kRecordHeaderSize + glyph.bitmap.size());
  record[0] = glyph.byte0;
  record[1] = static_cast<uint8_t>(glyph.code & 0xFF);
  record[2] = 0;
  record[3] = static_cast<uint8_t>(4 + glyph.bitmap.size());
  record[4] = static_cast<uint8_t>(glyph.width);
  record[5] = static_cast<uint8_t>(glyph.height);
  record[6] = glyph.byte6;
  std::copy(glyph.bitmap.begin(), glyph.bitmap.end(), record.begin() + kRecordHeaderSize);
  return record;
}

bool EncodeFont(std::span<const Glyph> glyphs, std::vector<uint8_t> *file, std::string *error) {
  std::vector<const Glyph *> sorted;
  for (const Glyph &glyph : glyphs) sorted.push_back(&glyph);
  std::sort(sorted.begin(), sorted.end(), [](const Glyph *a, const Glyph *b) { return a->code < b->code; });

  std::vector<std::vector<uint8_t>> pages(kPageCount);
  for (size_t i = 0; i < sorted.size(); ++i) {
    const Glyph &glyph = *sorted[i];
    if (i > 0 && sorted[i - 1]->code == glyph.code) {
      *error = Message("U+%04X is given twice", glyph.code);
      return false;
    }
    if (glyph.width < 0 || glyph.width > 255 || glyph.height < 0 || glyph.height > 255 ||
        glyph.bitmap.size() != static_cast<size_t>(Bands(glyph.height)) * glyph.width) {
      *error = Message("U+%04X has a bitmap that does not match its size", glyph.code);
      return false;
    }
    if (glyph.bitmap.size() > static_cast<size_t>(kMaxBitmapSize)) {
      *error = Message("U+%04X (%d x %d) is too large for a glyph record (%d bitmap bytes at most)", glyph.code,
                       glyph.width, glyph.height, kMaxBitmapSize);
      return false;
    }
    const std::vector<uint8_t> record = EncodeRecord(glyph);
    std::vector<uint8_t> &page = pages[glyph.code >> 8];
    page.insert(page.end(), record.begin(), record.end());
  }

  file->assign(kHeadSize, 0);
  PutBigEndian32(file->data(), static_cast<uint32_t>(sorted.size()));
  uint32_t offset = 0;
  for (int p = 0; p < kPageCount; ++p) {
    const std::vector<uint8_t> &page = pages[p];
    if (page.size() > kMaxPageSize) {
      *error = Message("page %d takes %zu bytes, more than the %zu the phone reads", p, page.size(), kMaxPageSize);
      return false;
    }
    (*file)[kPresenceOffset + p] = page.empty() ? 0 : 1;
    PutBigEndian32(file->data() + kPageOffsetsOffset + 4 * p, offset);
    offset += static_cast<uint32_t>(page.size());
  }
  PutBigEndian32(file->data() + kPageOffsetsOffset + 4 * kPageCount, offset);
  for (const std::vector<uint8_t> &page : pages) file->insert(file->end(), page.begin(), page.end());
  return true;
}

bool DecodeFont(std::span<const uint8_t> file, std::vector<Glyph> *glyphs) {
  if (file.size() < kHeadSize) return false;
  glyphs->clear();
  for (int p = 0; p < kPageCount; ++p) {
    if (file[kPresenceOffset + p] != 1) continue;
    const size_t start = kHeadSize + BigEndian32(&file[kPageOffsetsOffset + 4 * p]);
    const size_t end = kHeadSize + BigEndian32(&file[kPageOffsetsOffset + 4 * (p + 1)]);
    if (end < start || end > file.size()) return false;
    for (size_t at = start; at < end;) {
      if (at + kRecordHeaderSize > end) return false;
      const uint8_t *record = &file[at];
      const size_t next = at + 3 + record[3];
      Glyph glyph = BlankGlyph(static_cast<uint16_t>((p << 8) | record[1]), record[4], record[5]);
      if (record[2] != 0 || next > end || record[3] < 4 || glyph.bitmap.size() != record[3] - 4u) return false;
      glyph.byte0 = record[0];
      glyph.byte6 = record[6];
      std::copy(record + kRecordHeaderSize, record + kRecordHeaderSize + glyph.bitmap.size(), glyph.bitmap.begin());
      glyphs->push_back(std::move(glyph));
      at = next;
    }
  }
  return true;
}

}  // namespace mkbmf
