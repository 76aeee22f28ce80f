// A PNG sheet of a font's glyphs for inspection: rows of 16 code points, each
// glyph in a cell of its own, labelled with the row's first code point in the
// font's own digits where it has them.
#pragma once

#include "bmfWriter.h"

#include <span>
#include <string>

namespace mkbmf {

bool WriteGlyphSheet(std::span<const Glyph> glyphs, const std::string &path, int scale, std::string *error);

}  // namespace mkbmf
