// Any font file, with any string drawn with it anywhere: the font reader and
// the text path must never read or write outside a buffer (the page buffer,
// the string's bitmap, the framebuffer), whatever the file's offsets, pages
// and glyph records say, and whatever bytes the string holds.
//
// Input: 4 bytes of position and 4 of size for displayStrOnFb (big-endian),
// the format byte, 2 bytes of string length n, the n bytes of the string,
// then the font file.
#include "baseBmf.h"
#include "baseLcd.h"
#include "baseText.h"
#include "board_fuzz.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr size_t kFixed = 4 + 4 + 1 + 2;
// Longer strings are drawn cut to 511 bytes anyway; this keeps the bitmap of
// a string of the widest glyphs a few megabytes.
constexpr size_t kMaxText = 600;

uint32_t BigEndian32(const uint8_t *at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzboard::RequireBoard();
  // A framebuffer of exactly its size, so that a write past it is caught.
  fbp = new uint8_t[1056]();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < kFixed) return 0;
  const uint32_t position = BigEndian32(data);
  const uint32_t area = BigEndian32(data + 4);
  const uint8_t format = data[8];
  const size_t length = std::min({(size_t{data[9]} << 8) | data[10], size - kFixed, kMaxText});
  const std::string text(reinterpret_cast<const char *>(data + kFixed), length);  // cut at a zero byte
  const std::string_view font(reinterpret_cast<const char *>(data + kFixed + length), size - kFixed - length);
  if (!board::WriteFile("/etc/bw-eurs.bmf", font)) std::abort();

  setFontCachePage(0, -1);
  if (initBmfFileHead(0) != 1) return 0;
  if (displayStrOnFb(text.c_str(), position, area, 0, 0, &format) != 0) std::abort();

  // Every glyph record handed out can be read whole.
  for (size_t i = 0; i < text.size(); ++i) {
    BmfCharInfo info{};
    const uint16_t code = static_cast<uint16_t>(static_cast<uint8_t>(text[i]) | (i << 8));
    const uint8_t *record = getBmfCharInfo(getBmfCharIndex(code, 0), &info);
    volatile uint8_t sum = 0;
    for (int b = 0; b < info.size; ++b) sum = sum + info.bitmap[b];
    if (record != nullptr && info.size != info.width * ((info.height + 7) / 8)) std::abort();
  }
  return 0;
}
