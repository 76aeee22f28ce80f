// TrueType glyphs through FreeType: the face /etc/ttf-fonts.ttf, its pixel
// size, glyphs of a string along a pen line and their bounding boxes.
#include "baseTtf.h"

#include "baseLcd.h"
#include "export.h"
#include "utf8.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <algorithm>
#include <cstddef>
#include <cstdio>

#if UINTPTR_MAX == 0xFFFFFFFFu
// The glyph record as callers on the phone lay it out.
static_assert(offsetof(TtfGlyph, code) == 0 && offsetof(TtfGlyph, x) == 4 && offsetof(TtfGlyph, index) == 8 &&
              offsetof(TtfGlyph, glyph) == 12 && sizeof(TtfGlyph) == 16);
#endif

extern "C" {
UPGRADEUI_EXPORT FT_Library gTtfLibrary = nullptr;
UPGRADEUI_EXPORT FT_Face gTtfFace = nullptr;
}

namespace upgradeui {
namespace {

constexpr char kTtfPath[] = "/etc/ttf-fonts.ttf";
// No size kind has been set on the face.
constexpr int kNoSizeKind = 3;
// A space advances the pen by 4 pixels, in 26.6 fixed point.
constexpr FT_Pos kSpaceAdvance = 4 * 64;
constexpr FT_ULong kSpace = 32;
// The starting box, which any glyph widens.
constexpr FT_Pos kBoxStart = 32000;

int gTtfInitialised = 0;
int gLastSizeKind = kNoSizeKind;

FT_BBox EmptyBox() { return {kBoxStart, kBoxStart, -kBoxStart, -kBoxStart}; }

void Widen(FT_BBox *box, const FT_BBox &glyph) {
  box->xMin = std::min(box->xMin, glyph.xMin);
  box->yMin = std::min(box->yMin, glyph.yMin);
  box->xMax = std::max(box->xMax, glyph.xMax);
  box->yMax = std::max(box->yMax, glyph.yMax);
}

void ReleaseFace() {
  if (gTtfFace != nullptr) FT_Done_Face(gTtfFace);
  if (gTtfLibrary != nullptr) FT_Done_FreeType(gTtfLibrary);
  gTtfFace = nullptr;
  gTtfLibrary = nullptr;
  gLastSizeKind = kNoSizeKind;
}

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT int ttfModuleInit(void) {
  ReleaseFace();  // starting again does not leak the earlier face
  if (FT_Init_FreeType(&gTtfLibrary) != 0) {
    gTtfLibrary = nullptr;
    return -1;
  }
  if (FT_New_Face(gTtfLibrary, kTtfPath, 0, &gTtfFace) != 0) {
    gTtfFace = nullptr;
    ReleaseFace();
    return -2;
  }
  gTtfInitialised = 1;
  return 0;
}

UPGRADEUI_EXPORT void ttfModuleDestory(void) { ReleaseFace(); }

UPGRADEUI_EXPORT int getTtfInitReasult(void) { return gTtfInitialised; }

UPGRADEUI_EXPORT int getGlphsHeight(int kind, int *width, int *height) {
  if (width == nullptr || height == nullptr) return -1;
  int size;
  if (kind == TTF_SIZE_MID) {
    size = getFontMidPixelVal();
  } else if (kind == TTF_SIZE_BIG) {
    size = getFontBigPixelVal();
  } else {
    return -1;
  }
  *width = size;
  *height = size;
  if (kind != gLastSizeKind && gTtfFace != nullptr) {
    FT_Set_Pixel_Sizes(gTtfFace, static_cast<FT_UInt>(*width), static_cast<FT_UInt>(*height));
  }
  gLastSizeKind = kind;
  return 0;
}

UPGRADEUI_EXPORT int Get_Glphs_Frm_Wstr(const char *str, TtfGlyph *glyphs, int capacity) {
  if (str == nullptr || glyphs == nullptr || gTtfFace == nullptr) return 0;
  FT_Vector pen = {0, 0};
  int count = 0;
  ForEachCodePoint(str, [&](uint16_t code) {
    if (count >= capacity) return false;
    TtfGlyph &record = glyphs[count];
    record.code = code;
    record.index = static_cast<int32_t>(FT_Get_Char_Index(gTtfFace, code));
    if (const FT_Error error = FT_Load_Glyph(gTtfFace, static_cast<FT_UInt>(record.index), FT_LOAD_DEFAULT)) {
      std::printf("--------FT_Load_Glyph error:%d--------\n", error);
      return true;
    }
    FT_Glyph glyph = nullptr;
    if (const FT_Error error = FT_Get_Glyph(gTtfFace->glyph, &glyph)) {
      std::printf("--------FT_Get_Glyph error:%d--------\n", error);
      return true;
    }
    FT_Glyph_Transform(glyph, nullptr, &pen);
    pen.x += code == kSpace ? kSpaceAdvance : gTtfFace->glyph->advance.x;
    record.x = 0;
    record.glyph = glyph;
    ++count;
    return true;
  });
  return count;
}

UPGRADEUI_EXPORT int Free_Glphs_Frm_Wstr(TtfGlyph *glyphs, int count) {
  if (glyphs == nullptr) return 0;
  for (int i = 0; i < count; ++i) {
    if (glyphs[i].glyph != nullptr) FT_Done_Glyph(glyphs[i].glyph);
    glyphs[i].glyph = nullptr;
  }
  return 0;
}

UPGRADEUI_EXPORT void compute_string_bbox(TtfGlyph *glyphs, int count, FT_BBox *box) {
  if (box == nullptr) return;
  FT_BBox bounds = EmptyBox();
  FT_Pos right = 0;
  int spaces = 0;
  for (int i = 0; glyphs != nullptr && i < count; ++i) {
    if (glyphs[i].glyph == nullptr) continue;
    FT_BBox glyph;
    FT_Glyph_Get_CBox(glyphs[i].glyph, FT_GLYPH_BBOX_PIXELS, &glyph);
    if (glyphs[i].code == static_cast<int32_t>(kSpace)) {
      // A run of spaces: the first one pixel right of the text, each further
      // one 4 pixels on.
      glyphs[i].x = static_cast<int32_t>(right + 4 * spaces + 1);
      ++spaces;
    } else {
      glyphs[i].x = static_cast<int32_t>(right);
      spaces = 0;
    }
    Widen(&bounds, glyph);
    right = bounds.xMax;
  }
  *box = bounds;
}

UPGRADEUI_EXPORT int get_overflow_str_count(TtfGlyph *glyphs, int count, int maxWidth) {
  if (glyphs == nullptr) return 0;
  FT_BBox bounds = EmptyBox();
  int overflow = 0;
  for (int i = count - 1; i >= 0; --i) {
    if (glyphs[i].glyph == nullptr) continue;
    FT_BBox glyph;
    FT_Glyph_Get_CBox(glyphs[i].glyph, FT_GLYPH_BBOX_TRUNCATE, &glyph);
    Widen(&bounds, glyph);
    if (bounds.xMax - bounds.xMin > maxWidth) ++overflow;
  }
  return overflow;
}

}  // extern "C"
