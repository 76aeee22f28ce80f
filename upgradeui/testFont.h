// Fonts for the tests of fonts and text: small fonts with known glyphs,
// written where the library reads its font, and a count of the font file's
// opens (each page load opens it once).
#pragma once

#include "bmfWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testfont {

inline constexpr char kFontPath[] = "/etc/bw-eurs.bmf";

// The file of these glyphs (the test fails if they make none).
std::vector<uint8_t> Encode(const std::vector<mkbmf::Glyph> &glyphs);
// Writes the file at kFontPath; false when it cannot.
bool Install(const std::vector<uint8_t> &file);
// Writes the glyphs' file at kFontPath and loads its head into slot 0, with
// no page held.
bool InstallAndLoad(const std::vector<mkbmf::Glyph> &glyphs);

// A glyph all ink.
mkbmf::Glyph Block(uint16_t code, int width, int height);

// How often the font file has been opened by this process so far.
int FontOpens();

// Pixel (x, y) of a bitmap in the font's bit order (bands of `width` bytes,
// the most significant bit the top row).
bool FontInk(const uint8_t *bitmap, int width, int x, int y);

}  // namespace testfont
