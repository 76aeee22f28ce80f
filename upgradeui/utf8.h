// UTF-8 decoding shared by every text function: one to three bytes give a
// 16-bit code point; anything else stands for code point 2.
#pragma once

#include <cstdint>

namespace upgradeui {

struct Utf8Char {
  uint16_t code;
  int length;  // bytes taken
};

// The code point that replaces a byte that starts no character.
inline constexpr uint16_t kUnknownCodePoint = 2;

// Decodes the character at text, which is zero-terminated. A sequence cut
// short by the terminating zero is not read past it: it counts as a byte that
// starts no character.
inline Utf8Char DecodeUtf8(const char *text) {
  const auto byte = [text](int i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  if (lead >= 0xC0 && lead < 0xE0 && byte(1) != 0) {
    return {static_cast<uint16_t>(((lead & 0x1F) << 6) | (byte(1) & 0x3F)), 2};
  }
  if (lead >= 0xE0 && lead < 0xF0 && byte(1) != 0 && byte(2) != 0) {
    return {static_cast<uint16_t>(((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)), 3};
  }
  return {kUnknownCodePoint, 1};
}

// Calls visit(code point) for each character of a zero-terminated text.
template <typename Visit>
void ForEachCodePoint(const char *text, Visit &&visit) {
  if (text == nullptr) return;
  while (*text != '\0') {
    const Utf8Char c = DecodeUtf8(text);
    text += c.length;
    if (!visit(c.code)) return;
  }
}

}  // namespace upgradeui
