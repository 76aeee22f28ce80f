// mkbmf: the font compiler. Makes a BMF bitmap font file, the format of the
// phone's /etc/bw-eurs.bmf, from any font face FreeType reads, for chosen
// ranges of code points; optionally draws a PNG sheet of the glyphs. The same
// input always gives the same file.
#include "bmfWriter.h"
#include "faceRenderer.h"
#include "glyphSheet.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char kUsage[] =
    "Usage: mkbmf [OPTIONS] FONT OUTPUT.bmf\n"
    "\n"
    "Makes a BMF bitmap font for the phone's LCD from FONT, any face FreeType\n"
    "reads: a TrueType or OpenType face (its bitmap strike of the size, if it\n"
    "has one, else its outlines rendered in monochrome), or a BDF or PCF\n"
    "bitmap font. Every glyph has the cell height ascent + descent; code\n"
    "points the face lacks are left out (the phone draws its fallback glyph).\n"
    "\n"
    "Options:\n"
    "  --size PIXELS   pixel size (default 12)\n"
    "  --face N        face index in FONT (default 0)\n"
    "  --range A-B     code points A to B, hexadecimal (20-7E, U+00A0-U+00FF);\n"
    "                  may be repeated (default 20-7E and A0-FF, Latin-1)\n"
    "  --sheet FILE    also write a PNG sheet of the glyphs\n"
    "  --scale N       pixels per glyph pixel in the sheet (default 4)\n"
    "  -h, --help      show this text\n";

int Fail(const std::string &message) {
  std::fprintf(stderr, "mkbmf: %s\n", message.c_str());
  return 1;
}

bool ParseNumber(std::string_view text, int *value) {
  char *end = nullptr;
  const std::string copy(text);
  const long number = std::strtol(copy.c_str(), &end, 10);
  if (copy.empty() || *end != '\0' || number < 0 || number > 1000) return false;
  *value = static_cast<int>(number);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  mkbmf::RenderOptions options;
  std::string sheet;
  int scale = 4;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--size" && hasValue) {
      if (!ParseNumber(argv[++i], &options.size) || options.size == 0) return Fail("bad --size");
    } else if (arg == "--face" && hasValue) {
      if (!ParseNumber(argv[++i], &options.face)) return Fail("bad --face");
    } else if (arg == "--range" && hasValue) {
      mkbmf::CodeRange range;
      if (!mkbmf::ParseCodeRange(argv[++i], &range)) return Fail(mkbmf::Message("bad --range %s", argv[i]));
      options.ranges.push_back(range);
    } else if (arg == "--sheet" && hasValue) {
      sheet = argv[++i];
    } else if (arg == "--scale" && hasValue) {
      if (!ParseNumber(argv[++i], &scale) || scale == 0) return Fail("bad --scale");
    } else if (arg.starts_with("-")) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  options.path = files[0];
  if (options.ranges.empty()) options.ranges = {{0x20, 0x7E}, {0xA0, 0xFF}};

  std::vector<mkbmf::Glyph> glyphs;
  std::string error;
  if (!mkbmf::RenderFace(options, &glyphs, &error)) return Fail(error);
  if (glyphs.empty()) return Fail("the face has no glyph in the ranges given");
  std::vector<uint8_t> file;
  if (!mkbmf::EncodeFont(glyphs, &file, &error)) return Fail(error);

  std::FILE *out = std::fopen(files[1].c_str(), "wb");
  if (out == nullptr) return Fail(mkbmf::Message("cannot write %s", files[1].c_str()));
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (std::fclose(out) != 0 || !written) return Fail(mkbmf::Message("cannot write %s", files[1].c_str()));
  if (!sheet.empty() && !mkbmf::WriteGlyphSheet(glyphs, sheet, scale, &error)) return Fail(error);
  std::printf("mkbmf: %zu glyphs, %zu bytes, %d pixels high\n", glyphs.size(), file.size(), glyphs.front().height);
  return 0;
}
