// TrueType glyphs on the board, from a face copied to /etc/ttf-fonts.ttf.
#include "baseLcd.h"
#include "baseTtf.h"

#include "board/sandbox.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr char kFacePath[] = "/etc/ttf-fonts.ttf";

// Terminus, the face the board's bitmap font is made from (fonts-terminus).
bool InstallFace() {
  for (const auto &entry : std::filesystem::directory_iterator("/usr/share/fonts/truetype/terminus")) {
    if (entry.path().extension() != ".ttf") continue;
    const std::optional<std::string> face = board::ReadFile(entry.path());
    return face && board::WriteFile(kFacePath, *face);
  }
  return false;
}

int FacePixelSize() { return gTtfFace->size->metrics.y_ppem; }

TEST(TtfModuleTest, WithoutTheFaceStartingFails) {
  EXPECT_EQ(ttfModuleInit(), -2);
  EXPECT_EQ(getTtfInitReasult(), 0);
  EXPECT_EQ(gTtfFace, nullptr);
  ttfModuleDestory();
}

TEST(TtfModuleTest, TheFaceTakesASizeOnlyWhenTheSizeKindChanges) {
  ASSERT_TRUE(InstallFace());
  ASSERT_EQ(ttfModuleInit(), 0);
  EXPECT_EQ(getTtfInitReasult(), 1);
  setFontMidPixelVal(12);
  setFontMaxPixelVal(20);

  int width = 0, height = 0;
  ASSERT_EQ(getGlphsHeight(TTF_SIZE_MID, &width, &height), 0);
  EXPECT_EQ(width, 12);
  EXPECT_EQ(height, 12);
  EXPECT_EQ(FacePixelSize(), 12);
  // Set behind the library's back: the same kind again does not set it.
  ASSERT_EQ(FT_Set_Pixel_Sizes(gTtfFace, 0, 30), 0);
  ASSERT_EQ(getGlphsHeight(TTF_SIZE_MID, &width, &height), 0);
  EXPECT_EQ(FacePixelSize(), 30);
  ASSERT_EQ(getGlphsHeight(TTF_SIZE_BIG, &width, &height), 0);
  EXPECT_EQ(width, 20);
  EXPECT_EQ(FacePixelSize(), 20);
  ASSERT_EQ(getGlphsHeight(TTF_SIZE_MID, &width, &height), 0);
  EXPECT_EQ(FacePixelSize(), 12);

  width = height = 7;
  EXPECT_EQ(getGlphsHeight(3, &width, &height), -1);
  EXPECT_EQ(width, 7);
  EXPECT_EQ(FacePixelSize(), 12);
  EXPECT_EQ(getGlphsHeight(TTF_SIZE_MID, nullptr, &height), -1);

  ttfModuleDestory();
  EXPECT_EQ(gTtfFace, nullptr);
  EXPECT_EQ(getTtfInitReasult(), 1);  // stays set
}

TEST(TtfGlyphsTest, GlyphsAlongAPenLineTheirBoxAndWhatOverflows) {
  ASSERT_TRUE(InstallFace());
  ASSERT_EQ(ttfModuleInit(), 0);
  // A size without a bitmap strike: outline glyphs, which move along the pen.
  setFontMidPixelVal(13);
  int size = 0;
  ASSERT_EQ(getGlphsHeight(TTF_SIZE_MID, &size, &size), 0);

  TtfGlyph glyphs[16] = {};
  EXPECT_EQ(Get_Glphs_Frm_Wstr("WWW", glyphs, 2), 2);  // no more than the capacity
  Free_Glphs_Frm_Wstr(glyphs, 2);
  EXPECT_EQ(glyphs[0].glyph, nullptr);

  const int count = Get_Glphs_Frm_Wstr("ab  c\xC3\xA9", glyphs, 16);
  ASSERT_EQ(count, 6);
  EXPECT_EQ(glyphs[5].code, 0xE9);
  EXPECT_EQ(glyphs[0].index, static_cast<int32_t>(FT_Get_Char_Index(gTtfFace, 'a')));

  FT_BBox box;
  compute_string_bbox(glyphs, count, &box);
  EXPECT_EQ(box.xMin, 0);
  EXPECT_GT(box.xMax, 4 * 5);  // four glyphs with ink, each some pixels wide
  EXPECT_LT(box.xMax, 4 * 13);
  EXPECT_GT(box.yMax, 0);
  // Each glyph starts at the box's right edge so far; a run of spaces (which
  // have no ink) at that edge plus 1, then 4 pixels on each.
  EXPECT_EQ(glyphs[0].x, 0);
  EXPECT_GT(glyphs[1].x, glyphs[0].x);
  EXPECT_GT(glyphs[2].x, glyphs[1].x);
  EXPECT_EQ(glyphs[3].x, glyphs[2].x + 4);
  EXPECT_EQ(glyphs[4].x, glyphs[2].x - 1);
  EXPECT_GT(glyphs[5].x, glyphs[4].x);

  EXPECT_EQ(get_overflow_str_count(glyphs, count, 1000), 0);
  EXPECT_EQ(get_overflow_str_count(glyphs, count, 0), count);
  const int half = get_overflow_str_count(glyphs, count, static_cast<int>(box.xMax - box.xMin) / 2);
  EXPECT_GT(half, 0);
  EXPECT_LT(half, count);

  Free_Glphs_Frm_Wstr(glyphs, count);
  ttfModuleDestory();
}

}  // namespace
