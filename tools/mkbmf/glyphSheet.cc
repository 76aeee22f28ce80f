#include "glyphSheet.h"

#include <png.h>

#include <algorithm>
#include <map>
#include <vector>

namespace mkbmf {
namespace {

constexpr uint8_t kInk = 0;
constexpr uint8_t kPaper = 255;
constexpr uint8_t kGrid = 160;
constexpr uint8_t kMissing = 220;  // a code point the font lacks
constexpr int kColumns = 16;
constexpr int kLabelDigits = 4;

class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, kPaper) {}
  void Set(int x, int y, uint8_t value) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<size_t>(y) * width_ + x] = value;
  }
  void Fill(int x, int y, int w, int h, uint8_t value) {
    for (int row = y; row < y + h; ++row) {
      for (int column = x; column < x + w; ++column) Set(column, row, value);
    }
  }
  void Draw(const Glyph &glyph, int x, int y) {
    for (int row = 0; row < glyph.height; ++row) {
      for (int column = 0; column < glyph.width; ++column) Set(x + column, y + row, glyph.Ink(column, row) ? kInk : kPaper);
    }
  }
  bool WritePng(const std::string &path, int scale) const;

 private:
  int width_;
  int height_;
  std::vector<uint8_t> pixels_;
};

bool Canvas::WritePng(const std::string &path, int scale) const {
  const int width = width_ * scale;
  const int height = height_ * scale;
  std::vector<uint8_t> scaled(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      scaled[static_cast<size_t>(y) * width + x] = pixels_[static_cast<size_t>(y / scale) * width_ + x / scale];
    }
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(width);
  png.height = static_cast<png_uint_32>(height);
  png.format = PNG_FORMAT_GRAY;
  return png_image_write_to_file(&png, path.c_str(), 0, scaled.data(), 0, nullptr) != 0;
}

}  // namespace

bool WriteGlyphSheet(std::span<const Glyph> glyphs, const std::string &path, int scale, std::string *error) {
  std::map<uint16_t, const Glyph *> byCode;
  int cellWidth = 1;
  int cellHeight = 1;
  for (const Glyph &glyph : glyphs) {
    byCode[glyph.code] = &glyph;
    cellWidth = std::max(cellWidth, glyph.width);
    cellHeight = std::max(cellHeight, glyph.height);
  }
  std::vector<uint16_t> rows;  // first code point of each row of 16
  for (const auto &[code, glyph] : byCode) {
    const uint16_t row = static_cast<uint16_t>(code & ~(kColumns - 1));
    if (rows.empty() || rows.back() != row) rows.push_back(row);
  }
  // The label is drawn in the font's own hexadecimal digits, when it has all.
  const char *digits = "0123456789ABCDEF";
  bool labels = true;
  int labelWidth = 0;
  for (const char *d = digits; *d != '\0'; ++d) {
    const auto found = byCode.find(static_cast<uint16_t>(*d));
    if (found == byCode.end()) {
      labels = false;
      break;
    }
    labelWidth = std::max(labelWidth, found->second->width + 1);
  }
  const int margin = labels ? labelWidth * kLabelDigits + 2 : 0;
  const int pitchX = cellWidth + 3;  // glyph, a blank column each side, grid line
  const int pitchY = cellHeight + 3;
  Canvas canvas(margin + kColumns * pitchX + 1, static_cast<int>(rows.size()) * pitchY + 1);

  for (size_t r = 0; r < rows.size(); ++r) {
    const int top = static_cast<int>(r) * pitchY;
    if (labels) {
      for (int i = 0; i < kLabelDigits; ++i) {
        const int digit = (rows[r] >> (4 * (kLabelDigits - 1 - i))) & 0xF;
        canvas.Draw(*byCode.at(static_cast<uint16_t>(digits[digit])), i * labelWidth, top + 2);
      }
    }
    for (int c = 0; c < kColumns; ++c) {
      const int left = margin + c * pitchX;
      canvas.Fill(left, top, pitchX + 1, 1, kGrid);
      canvas.Fill(left, top + pitchY, pitchX + 1, 1, kGrid);
      canvas.Fill(left, top, 1, pitchY + 1, kGrid);
      canvas.Fill(left + pitchX, top, 1, pitchY + 1, kGrid);
      const auto found = byCode.find(static_cast<uint16_t>(rows[r] + c));
      if (found == byCode.end()) {
        canvas.Fill(left + 1, top + 1, pitchX - 1, pitchY - 1, kMissing);
      } else {
        canvas.Draw(*found->second, left + 2, top + 2);
      }
    }
  }
  if (!canvas.WritePng(path, std::max(1, scale))) {
    *error = Message("cannot write %s", path.c_str());
    return false;
  }
  return true;
}

}  // namespace mkbmf
