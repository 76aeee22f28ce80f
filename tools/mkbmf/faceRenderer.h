// Glyphs of a font face that FreeType reads (TrueType and OpenType faces,
// their embedded bitmap strikes, BDF and PCF bitmap fonts), rendered in
// monochrome at a pixel size, as BMF glyphs.
#pragma once

#include "bmfWriter.h"

#include <span>
#include <string>
#include <vector>

namespace mkbmf {

struct CodeRange {
  uint32_t first;
  uint32_t last;  // included
};

// Parses "20-7E", "U+00A0-U+00FF", "0x41" (hexadecimal): false when it is none
// of these, or outside 16 bits.
bool ParseCodeRange(std::string_view text, CodeRange *range);

struct RenderOptions {
  std::string path;
  int face = 0;
  int size = 12;  // pixels; a face with bitmap strikes takes the strike of that height
  std::vector<CodeRange> ranges;
};

// Every glyph of the ranges that the face has, in one cell height (ascent
// plus descent, the baseline in byte 6) so that glyphs line up when the phone
// draws them side by side. A glyph is as wide as its advance less the one
// blank column the phone adds after each glyph, or as its ink if that is
// wider. Code points the face lacks are left out: the phone draws them as its
// fallback glyph.
bool RenderFace(const RenderOptions &options, std::vector<Glyph> *glyphs, std::string *error);

}  // namespace mkbmf
