#include "testFont.h"

#include "baseBmf.h"

#include "board/sandbox.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace testfont {
namespace {

std::atomic<int> gFontOpens{0};

using OpenFunction = FILE *(*)(const char *, const char *);

FILE *CountedOpen(const char *name, const char *path, const char *mode) {
  if (path != nullptr && std::strcmp(path, kFontPath) == 0) ++gFontOpens;
  const auto next = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, name));
  return next(path, mode);
}

}  // namespace

std::vector<uint8_t> Encode(const std::vector<mkbmf::Glyph> &glyphs) {
  std::vector<uint8_t> file;
  std::string error;
  EXPECT_TRUE(mkbmf::EncodeFont(glyphs, &file, &error)) << error;
  return file;
}

bool Install(const std::vector<uint8_t> &file) {
  return board::WriteFile(kFontPath, std::string_view(reinterpret_cast<const char *>(file.data()), file.size()));
}

bool InstallAndLoad(const std::vector<mkbmf::Glyph> &glyphs) {
  // The page held stays held across a new head: forget it, for a new font.
  setFontCachePage(0, -1);
  return Install(Encode(glyphs)) && initBmfFileHead(0) == 1;
}

mkbmf::Glyph Block(uint16_t code, int width, int height) {
  mkbmf::Glyph glyph = mkbmf::BlankGlyph(code, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) glyph.SetInk(x, y);
  }
  return glyph;
}

int FontOpens() { return gFontOpens; }

bool FontInk(const uint8_t *bitmap, int width, int x, int y) {
  return (bitmap[static_cast<size_t>(y / 8) * width + x] >> (7 - y % 8)) & 1;
}

}  // namespace testfont

// The library opens its font file with the C library's fopen; these wrappers,
// which the dynamic linker finds in the program before the C library, count
// the opens and hand them on.
extern "C" FILE *fopen(const char *path, const char *mode) { return testfont::CountedOpen("fopen", path, mode); }
extern "C" FILE *fopen64(const char *path, const char *mode) { return testfont::CountedOpen("fopen64", path, mode); }
