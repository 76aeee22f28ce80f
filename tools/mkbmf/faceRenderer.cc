#include "faceRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace mkbmf {
namespace {

struct LibraryCloser {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<FT_LibraryRec_, LibraryCloser>;
using Face = std::unique_ptr<FT_FaceRec_, FaceCloser>;

bool ParseCodePoint(std::string_view text, uint32_t *code) {
  for (std::string_view prefix : {"U+", "u+", "0x", "0X"}) {
    if (text.starts_with(prefix)) {
      text.remove_prefix(prefix.size());
      break;
    }
  }
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *code, 16);
  return error == std::errc() && end == text.data() + text.size() && *code <= 0xFFFF;
}

// A bitmap face without outlines is sized by choosing its strike.
bool SetSize(FT_Face face, int size, std::string *error) {
  if (!FT_IS_SCALABLE(face)) {
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
      if (face->available_sizes[i].height == size) return FT_Select_Size(face, i) == 0;
    }
    *error = Message("the face has no bitmap strike %d pixels high; it has", size);
    for (int i = 0; i < face->num_fixed_sizes; ++i) *error += Message(" %d", face->available_sizes[i].height);
    return false;
  }
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
    *error = Message("the face cannot be set to %d pixels", size);
    return false;
  }
  return true;
}

bool PixelInk(const FT_Bitmap &bitmap, unsigned x, unsigned y) {
  const unsigned char *row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
  if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] >> (7 - x % 8)) & 1;
  return row[x] >= 128;  // grey strikes and renderings: half and more is ink
}

}  // namespace

bool ParseCodeRange(std::string_view text, CodeRange *range) {
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    if (!ParseCodePoint(text, &range->first)) return false;
    range->last = range->first;
    return true;
  }
  return ParseCodePoint(text.substr(0, dash), &range->first) && ParseCodePoint(text.substr(dash + 1), &range->last) &&
         range->first <= range->last;
}

bool RenderFace(const RenderOptions &options, std::vector<Glyph> *glyphs, std::string *error) {
  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) {
    *error = "FreeType cannot start";
    return false;
  }
  const Library library(rawLibrary);
  FT_Face rawFace = nullptr;
  if (FT_New_Face(library.get(), options.path.c_str(), options.face, &rawFace) != 0) {
    *error = Message("FreeType cannot read %s", options.path.c_str());
    return false;
  }
  const Face face(rawFace);
  if (!SetSize(face.get(), options.size, error)) return false;

  const FT_Size_Metrics &metrics = face->size->metrics;
  const int ascent = static_cast<int>(std::ceil(metrics.ascender / 64.0));
  const int descent = static_cast<int>(std::ceil(-metrics.descender / 64.0));
  const int height = std::max(1, ascent + descent);

  glyphs->clear();
  for (const CodeRange &range : options.ranges) {
    for (uint32_t code = range.first; code <= range.last; ++code) {
      const FT_UInt index = FT_Get_Char_Index(face.get(), code);
      if (index == 0) continue;
      if (FT_Load_Glyph(face.get(), index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) continue;
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap &bitmap = slot->bitmap;
      if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0) {
        continue;
      }
      const int advance = static_cast<int>((slot->advance.x + 32) >> 6);
      const int inkLeft = slot->bitmap_left;
      const int inkRight = inkLeft + static_cast<int>(bitmap.width);
      const int origin = std::min(0, inkLeft);  // ink left of the pen moves the glyph right
      const int width = std::max(advance - 1, bitmap.width > 0 ? inkRight : 0) - origin;

      Glyph glyph = BlankGlyph(static_cast<uint16_t>(code), std::max(0, width), height);
      glyph.byte6 = static_cast<uint8_t>(ascent);
      for (unsigned y = 0; y < bitmap.rows; ++y) {
        for (unsigned x = 0; x < bitmap.width; ++x) {
          if (PixelInk(bitmap, x, y)) {
            glyph.SetInk(inkLeft - origin + static_cast<int>(x), ascent - slot->bitmap_top + static_cast<int>(y));
          }
        }
      }
      glyphs->push_back(std::move(glyph));
      if (code == 0xFFFF) break;
    }
  }
  return true;
}

}  // namespace mkbmf
