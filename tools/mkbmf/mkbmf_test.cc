// The font compiler's parts: code point ranges, the BMF encoding read back,
// and the same font from the same face every time.
#include "bmfWriter.h"
#include "faceRenderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CodeRangeTest, HexadecimalRangesAndSingleCodePoints) {
  const struct {
    const char *text;
    bool ok;
    uint32_t first, last;
  } cases[] = {
      {"20-7E", true, 0x20, 0x7E},   {"U+00A0-U+00FF", true, 0xA0, 0xFF}, {"0x41", true, 0x41, 0x41},
      {"410-4ff", true, 0x410, 0x4FF}, {"7E-20", false, 0, 0},            {"10000", false, 0, 0},
      {"G0", false, 0, 0},           {"", false, 0, 0},                   {"20-", false, 0, 0},
  };
  for (const auto &c : cases) {
    mkbmf::CodeRange range{};
    EXPECT_EQ(mkbmf::ParseCodeRange(c.text, &range), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(range.first, c.first) << c.text;
      EXPECT_EQ(range.last, c.last) << c.text;
    }
  }
}

TEST(EncodeTest, TheFileReadsBackAsTheGlyphsInCodePointOrder) {
  const std::vector<mkbmf::Glyph> glyphs = {mkbmf::GlyphFromRows(0x0410, {"#.#", ".#."}),
                                            mkbmf::GlyphFromRows('B', {"##", "#.", "##", "#.", "##", "#.", "##", "#.", "##"}),
                                            mkbmf::GlyphFromRows('A', {"#"})};
  std::vector<uint8_t> file;
  std::string error;
  ASSERT_TRUE(mkbmf::EncodeFont(glyphs, &file, &error)) << error;
  // Head: glyph count, pages 0 and 4 present, offsets; 'A' first.
  EXPECT_EQ(file[3], 3);
  EXPECT_EQ(file[mkbmf::kPresenceOffset + 0], 1);
  EXPECT_EQ(file[mkbmf::kPresenceOffset + 1], 0);
  EXPECT_EQ(file[mkbmf::kPresenceOffset + 4], 1);
  const std::vector<uint8_t> recordA = {0, 'A', 0, 5, 1, 1, 0, 0x80};
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + mkbmf::kHeadSize, file.begin() + mkbmf::kHeadSize + 8), recordA);

  std::vector<mkbmf::Glyph> decoded;
  ASSERT_TRUE(mkbmf::DecodeFont(file, &decoded));
  ASSERT_EQ(decoded.size(), 3u);
  EXPECT_EQ(decoded[0].code, 'A');
  EXPECT_EQ(decoded[1].code, 'B');
  EXPECT_EQ(decoded[1].bitmap, glyphs[1].bitmap);
  EXPECT_EQ(decoded[2].code, 0x0410);
  EXPECT_EQ(decoded[2].byte0, 4);  // the page

  const std::vector<mkbmf::Glyph> twice = {glyphs[2], glyphs[2]};
  EXPECT_FALSE(mkbmf::EncodeFont(twice, &file, &error));
  EXPECT_EQ(error, "U+0041 is given twice");
}

TEST(RenderTest, TheSameFaceGivesTheSameFileAndGlyphsShareTheCellHeight) {
  mkbmf::RenderOptions options;
  options.path = MKBMF_TEST_FACE;
  options.ranges = {{0x20, 0x7E}, {0x410, 0x44F}};
  std::vector<uint8_t> files[2];
  for (std::vector<uint8_t> &file : files) {
    std::vector<mkbmf::Glyph> glyphs;
    std::string error;
    ASSERT_TRUE(mkbmf::RenderFace(options, &glyphs, &error)) << error;
    ASSERT_EQ(glyphs.size(), 95u + 64u);
    for (const mkbmf::Glyph &glyph : glyphs) ASSERT_EQ(glyph.height, glyphs[0].height) << glyph.code;
    ASSERT_TRUE(mkbmf::EncodeFont(glyphs, &file, &error)) << error;
  }
  EXPECT_EQ(files[0], files[1]);

  options.path = "/nonexistent.ttf";
  std::vector<mkbmf::Glyph> glyphs;
  std::string error;
  EXPECT_FALSE(mkbmf::RenderFace(options, &glyphs, &error));
  EXPECT_EQ(error, "FreeType cannot read /nonexistent.ttf");
}

}  // namespace
