// Writing BMF bitmap font files, the format of the phone's /etc/bw-eurs.bmf:
// a 1288-byte head (a 32-bit number, 256 page presence bytes, 257 page
// offsets, all big-endian) and pages of glyph records. A glyph record is
// byte 0, the code point's low byte, 0, its length L from byte 3 on, width,
// height, byte 6 and a bitmap of (height + 7) / 8 bands of width column bytes,
// the most significant bit the top row.
//
// The font compiler writes into the free fields: the head's number is the
// glyph count, byte 0 of a record the code point's page and byte 6 the row of
// the baseline. The phone draws none of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <initializer_list>
#include <vector>

namespace mkbmf {

inline constexpr size_t kHeadSize = 1288;
inline constexpr int kPageCount = 256;
inline constexpr size_t kPresenceOffset = 4;
inline constexpr size_t kPageOffsetsOffset = 260;
// The phone reads a page of font slot 0 into a buffer of this many bytes.
inline constexpr size_t kMaxPageSize = 10240;
// The record's length byte counts the 4 bytes before the bitmap and the bitmap.
inline constexpr int kMaxBitmapSize = 255 - 4;
inline constexpr size_t kRecordHeaderSize = 7;

struct Glyph {
  uint16_t code = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bitmap;  // (height + 7) / 8 bands of width bytes
  uint8_t byte0 = 0;
  uint8_t byte6 = 0;

  bool Ink(int x, int y) const;
  void SetInk(int x, int y);
};

// An empty glyph of that size.
Glyph BlankGlyph(uint16_t code, int width, int height);
// A glyph drawn as rows of text, '#' for ink: {"#.#", ".#."}.
Glyph GlyphFromRows(uint16_t code, std::initializer_list<std::string_view> rows);

// The glyph's record: 7 bytes and the bitmap.
std::vector<uint8_t> EncodeRecord(const Glyph &glyph);

// A font file from glyphs in any order. False, with the reason, for repeated
// code points, glyphs too large for a record and pages larger than the
// phone's page buffer.
bool EncodeFont(std::span<const Glyph> glyphs, std::vector<uint8_t> *file, std::string *error);

// A message for the user, formatted as by printf.
std::string Message(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The glyphs of a font file written by EncodeFont (for sheets and checks):
// false for a file it cannot follow.
bool DecodeFont(std::span<const uint8_t> file, std::vector<Glyph> *glyphs);

}  // namespace mkbmf
