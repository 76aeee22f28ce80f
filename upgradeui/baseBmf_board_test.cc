// The bitmap font on the board: glyph lookup and the page cache, measuring,
// string bitmaps, and fonts damaged in the ways a file from outside can be.
#include "baseBmf.h"
#include "testFont.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using mkbmf::Glyph;
using mkbmf::GlyphFromRows;
using testfont::Block;
using testfont::FontOpens;

constexpr uint16_t kCyrillicA = 0x0410;  // page 4

// Three glyphs on two pages.
std::vector<Glyph> TwoPageGlyphs() {
  return {GlyphFromRows('A', {".#.", "#.#", "###", "#.#"}), GlyphFromRows('B', {"##.", "###", "#.#", "##."}),
          Block(kCyrillicA, 5, 4)};
}

BmfCharInfo InfoOf(uint16_t code) {
  BmfCharInfo info{};
  getBmfCharInfo(getBmfCharIndex(code, 0), &info);
  return info;
}

struct Measure {
  int width;
  int height;
};
Measure MeasureText(const char *text, int height = -1) {
  Measure measure{-1, height};
  getStrInfo(text, &measure.width, &measure.height, 0);
  return measure;
}

TEST(BmfLookupTest, FindsGlyphsAndLoadsEachPageOnceUntilAnotherIsLookedUp) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  EXPECT_EQ(getBmfInitFlag(0), 1);
  EXPECT_EQ(getFontCachePage(0), -1);

  int opens = FontOpens();
  const BmfCharInfo a = InfoOf('A');
  EXPECT_EQ(FontOpens(), ++opens);  // page 0 read
  EXPECT_EQ(getFontCachePage(0), 0);
  EXPECT_EQ(a.code, 'A');
  EXPECT_EQ(a.width, 3);
  EXPECT_EQ(a.height, 4);
  EXPECT_EQ(a.size, 3);
  const std::vector<uint8_t> expected = GlyphFromRows('A', {".#.", "#.#", "###", "#.#"}).bitmap;
  EXPECT_EQ(std::vector<uint8_t>(a.bitmap, a.bitmap + a.size), expected);

  EXPECT_EQ(InfoOf('B').width, 3);
  EXPECT_EQ(FontOpens(), opens);  // same page, no read
  EXPECT_EQ(InfoOf(kCyrillicA).width, 5);
  EXPECT_EQ(FontOpens(), ++opens);
  EXPECT_EQ(getFontCachePage(0), 4);
  EXPECT_NE(getBmfCharIndex('A', 0), nullptr);
  EXPECT_EQ(FontOpens(), ++opens);  // page 0 again

  // No glyph: a code point of an absent page reads nothing; one missing from
  // a present page is looked up in the page held.
  EXPECT_EQ(getBmfCharIndex(0x0300, 0), nullptr);
  EXPECT_EQ(getBmfCharIndex('C', 0), nullptr);
  EXPECT_EQ(FontOpens(), opens);
  // Slots 1 and 2 have no file, other slots none at all.
  EXPECT_EQ(getBmfCharIndex('A', 1), nullptr);
  EXPECT_EQ(getBmfHeadPoint(3), nullptr);
  EXPECT_EQ(getFontType('A', 1), 1);
  EXPECT_EQ(getFontType('A', 0), 0);
}

TEST(BmfLookupTest, AMissingGlyphIsTheFallbackGlyph) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  BmfCharInfo info;
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(getBmfCharInfo(getBmfCharIndex('z', 0), &info), nullptr);
  EXPECT_EQ(info.width, 12);
  EXPECT_EQ(info.height, 16);
  ASSERT_EQ(info.size, 24);
  const uint8_t fallback[24] = {0x01, 0x03, 0x07, 0x1B, 0x37, 0xF7, 0x77, 0x36, 0x18, 0x07, 0x03, 0x01,
                                0x80, 0xC0, 0xE0, 0xF8, 0xFC, 0xFF, 0x2E, 0x7C, 0xF8, 0xE0, 0xC0, 0x80};
  EXPECT_EQ(std::memcmp(info.bitmap, fallback, 24), 0);
  EXPECT_EQ(info.byte0, 0x5A);  // left as they were
  EXPECT_EQ(info.code, 0x5A);
  EXPECT_EQ(info.byte6, 0x5A);
}

TEST(BmfMeasureTest, WidthCountsAGapColumnPerGlyphAndTheFallbackWidth) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  const struct {
    const char *text;
    int width;
    int height;
  } cases[] = {
      {"A", 4, 4},
      {"AB", 8, 4},
      {"A\xD0\x90", 10, 4},  // A and U+0410
      {"z", 13, 16},         // the fallback glyph and its gap
      {"Az", 17, 16},
  };
  for (const auto &c : cases) {
    const Measure measure = MeasureText(c.text);
    EXPECT_EQ(measure.width, c.width) << c.text;
    EXPECT_EQ(measure.height, c.height) << c.text;
  }
  // An empty text is 0 wide and leaves the height as it was.
  const Measure empty = MeasureText("", 77);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 77);
}

TEST(BmfMeasureTest, ATextInOnePageLoadsItOnceAndMixedPagesReloadAtEachChange) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  int opens = FontOpens();
  MeasureText("ABABBA");
  EXPECT_EQ(FontOpens(), opens + 1);
  opens = FontOpens();
  MeasureText("A\xD0\x90" "A");  // page 0, 4, 0
  EXPECT_EQ(FontOpens(), opens + 2);
}

// Builds the text's bitmap, which the caller frees.
BmfStrImage Build(const char *text) {
  BmfStrImage image = {};
  image.mode = BMF_STR_MODE_BUILD;
  int allocated = 0;
  EXPECT_EQ(get_bmf_str_buf(text, &image, &allocated), 0);
  EXPECT_EQ(allocated, 1);
  return image;
}

TEST(BmfStringTest, GlyphsSideBySideWithABlankGapColumn) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  BmfStrImage image = Build("AB");
  ASSERT_NE(image.bitmap, nullptr);
  EXPECT_EQ(image.width, 8);
  EXPECT_EQ(image.height, 4);
  EXPECT_EQ(image.size, 8);
  const char *rows[4] = {".#..##..", "#.#.###.", "###.#.#.", "#.#.##.."};
  for (int y = 0; y < 4; ++y) {
    std::string row;
    for (int x = 0; x < 8; ++x) row += testfont::FontInk(image.bitmap, 8, x, y) ? '#' : '.';
    EXPECT_EQ(row, rows[y]) << "row " << y;
  }
  std::free(image.bitmap);
}

TEST(BmfStringTest, AShortGlyphIsCentredInATallerText) {
  // A one-column glyph 8 rows high, with rows 0, 2, 3 and 7 inked, beside a
  // glyph of `tall` rows: moved down by whole bands, and by 4 more rows when
  // the band difference is odd.
  const Glyph shortGlyph = GlyphFromRows('s', {"#", ".", "#", "#", ".", ".", ".", "#"});
  const struct {
    int tall;
    int shift;
  } cases[] = {{8, 0}, {16, 4}, {24, 8}, {32, 12}, {40, 16}};
  for (const auto &c : cases) {
    ASSERT_TRUE(testfont::InstallAndLoad({shortGlyph, Block('T', 1, c.tall)}));
    BmfStrImage image = Build("sT");
    ASSERT_EQ(image.height, c.tall);
    for (int y = 0; y < (c.tall + 7) / 8 * 8; ++y) {
      const bool inked = y >= c.shift && y < c.shift + 8 && shortGlyph.Ink(0, y - c.shift);
      EXPECT_EQ(testfont::FontInk(image.bitmap, image.width, 0, y), inked) << "tall " << c.tall << " row " << y;
    }
    std::free(image.bitmap);
  }
}

TEST(BmfStringTest, ResultsOfTheBitmapBuilder) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  EXPECT_EQ(get_bmf_str_buf("A", nullptr, nullptr), -1);

  BmfStrImage image = {1, 2, 3, 4, 5, nullptr, 7};
  EXPECT_EQ(get_bmf_str_buf("A", &image, nullptr), -2);

  image.mode = BMF_STR_MODE_NONE;
  EXPECT_EQ(get_bmf_str_buf("AB", &image, nullptr), 32);
  EXPECT_EQ(image.width, 3);  // untouched
  EXPECT_EQ(image.bitmap, nullptr);

  uint8_t held = 0;
  image = {0, 0, 0, 0, 0, &held, BMF_STR_MODE_BUILD};
  int allocated = 0;
  EXPECT_EQ(get_bmf_str_buf("AB", &image, &allocated), -4);
  EXPECT_EQ(image.bitmap, &held);
  EXPECT_EQ(allocated, 0);
}

// A font whose file is damaged after it was made: each case breaks the good
// font in one way; the glyphs it names fall back, and nothing is read or
// written outside a buffer (the sanitizers would say).
struct Damage {
  const char *what;
  std::function<void(std::vector<uint8_t> &)> apply;
  std::vector<uint16_t> lost;  // glyphs that fall back
  std::vector<uint16_t> kept;  // glyphs still drawn
};

void PutBigEndian32(std::vector<uint8_t> &file, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}
size_t PageOffsetAt(int page) { return mkbmf::kPageOffsetsOffset + 4 * static_cast<size_t>(page); }

// Page 0 of the damage cases: 'A' (3 x 4, 10 bytes), 'B' (3 x 4) and 'W'
// (5 x 12, 17 bytes), in that order from file offset 1288.
constexpr size_t kRecordA = 1288, kRecordB = kRecordA + 10, kRecordW = kRecordB + 10;

TEST(BmfDamagedFontTest, BadRecordsAndPagesFallBack) {
  const std::vector<Damage> damages = {
      {"a page beyond the end of the file",
       [](auto &file) {
         PutBigEndian32(file, PageOffsetAt(0), 100000);
         PutBigEndian32(file, PageOffsetAt(1), 100100);
       },
       {'A', 'B', 'W'},
       {kCyrillicA}},
      {"a page that ends before it starts, read to the buffer's size",
       [](auto &file) { PutBigEndian32(file, PageOffsetAt(1), 0); },
       {},
       {'A', 'B', 'W', kCyrillicA}},
      {"a record longer than the page read",
       [](auto &file) { file[kRecordW + 3] = 200; },
       {'W'},
       {'A', 'B'}},
      {"a page cut short in the last record",
       [](auto &file) { PutBigEndian32(file, PageOffsetAt(1), 20 + 12); },
       {'W'},
       {'A', 'B'}},
      {"a bitmap smaller than width and height need",
       [](auto &file) { file[kRecordB + 4] = 40; },
       {'B'},
       {'A', 'W'}},
      {"a bitmap larger than width and height need",
       [](auto &file) { file[kRecordB + 4] = 1; },
       {'B'},
       {'A', 'W'}},
      {"a size byte that claims more than the record",
       [](auto &file) { file[kRecordA + 2] = 1; },
       {'A'},
       {'B', 'W'}},
      {"a record length below the fixed part",
       [](auto &file) { file[kRecordA + 3] = 2; },
       {'A'},
       {}},
      {"records out of order",
       [](auto &file) { file[kRecordA + 1] = 'X'; },
       {'A', 'B', 'W'},
       {}},
  };
  for (const Damage &damage : damages) {
    SCOPED_TRACE(damage.what);
    std::vector<uint8_t> file = testfont::Encode(
        {GlyphFromRows('A', {".#.", "#.#", "###", "#.#"}), GlyphFromRows('B', {"##.", "###", "#.#", "##."}),
         Block('W', 5, 12), Block(kCyrillicA, 5, 4)});
    ASSERT_EQ(file[kRecordW + 1], 'W');
    damage.apply(file);
    setFontCachePage(0, -1);
    ASSERT_TRUE(testfont::Install(file));
    ASSERT_EQ(initBmfFileHead(0), 1);
    for (uint16_t code : damage.lost) EXPECT_EQ(getBmfCharIndex(code, 0), nullptr) << code;
    for (uint16_t code : damage.kept) EXPECT_NE(getBmfCharIndex(code, 0), nullptr) << code;
    const char text[] = {'A', 'B', 'W', '\xD0', '\x90', 'A', '\0'};
    BmfStrImage image = Build(text);
    std::free(image.bitmap);
  }
}

TEST(BmfDamagedFontTest, APageLargerThanTheBufferIsCutToItsSizeLessOne) {
  // 256 glyphs of 20 x 16: 47 bytes each, 12032 in all, more than the 10240
  // bytes of slot 0's page buffer.
  std::vector<Glyph> glyphs;
  for (int low = 0; low < 256; ++low) glyphs.push_back(Block(static_cast<uint16_t>(low), 20, 16));
  std::vector<uint8_t> file;
  std::string error;
  ASSERT_FALSE(mkbmf::EncodeFont(glyphs, &file, &error));  // the compiler refuses such a page
  file.assign(mkbmf::kHeadSize, 0);
  file[mkbmf::kPresenceOffset] = 1;
  for (const Glyph &glyph : glyphs) {
    const std::vector<uint8_t> record = mkbmf::EncodeRecord(glyph);
    file.insert(file.end(), record.begin(), record.end());
  }
  for (int page = 1; page <= 256; ++page) PutBigEndian32(file, PageOffsetAt(page), 256 * 47);
  ASSERT_TRUE(testfont::Install(file));
  ASSERT_EQ(initBmfFileHead(0), 1);

  EXPECT_EQ(initPage(0, 0), 10239);
  EXPECT_EQ(bmfMaxPageSize[0], 256u * 47);
  ASSERT_EQ(initItemIndex(0), 0);
  setFontCachePage(0, 0);
  // 217 whole records fit in 10239 bytes; the 218th is cut.
  EXPECT_NE(getBmfCharIndex(216, 0), nullptr);
  EXPECT_EQ(getBmfCharIndex(217, 0), nullptr);
  EXPECT_EQ(getBmfCharIndex(255, 0), nullptr);
}

TEST(BmfReadTest, AFontFileGoneAfterItsHeadFallsBackAndMarksTheSlot) {
  ASSERT_TRUE(testfont::InstallAndLoad(TwoPageGlyphs()));
  ASSERT_EQ(std::remove(testfont::kFontPath), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(getBmfCharIndex('A', 0), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "could not Open /etc/bw-eurs.bmf\n");
  EXPECT_EQ(getBmfInitFlag(0), 0);
  EXPECT_EQ(getFontCachePage(0), -1);
  EXPECT_EQ(MeasureText("A").width, 13);
}

TEST(BmfReadTest, AShortReadSaysEndOfFileAndCountsWhatWasRead) {
  ASSERT_TRUE(testfont::Install(testfont::Encode(TwoPageGlyphs())));
  uint8_t buffer[64];
  testing::internal::CaptureStdout();
  const int got = getBmfFileContents(0, 1288 + 20, buffer, sizeof buffer);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "End of file\n");
  EXPECT_EQ(got, 10 + 10 + 12 - 20);  // the records of 'A', 'B' and U+0410 after 20 bytes
  EXPECT_EQ(buffer[got], 0);  // the rest zeroed
  EXPECT_EQ(getBmfFileContents(1, 0, buffer, 4), -1);
}

}  // namespace
