#include "board/panel.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace board {
namespace {

// Colours of the phone's reflective glass.
constexpr png_byte kBackground[3] = {0xB8, 0xC8, 0xA0};
constexpr png_byte kInk[3] = {0x20, 0x2C, 0x24};

struct FileCloser {
  void operator()(FILE *file) const { std::fclose(file); }
};

}  // namespace

int Image::InkCount() const {
  int count = 0;
  for (uint8_t pixel : pixels_) count += pixel;
  return count;
}

Image Image::FromPages(std::span<const uint8_t> pages) {
  Image image;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const size_t index = static_cast<size_t>(x + (y / 8) * kWidth);
      if (index < pages.size()) image.Set(x, y, ((pages[index] >> (y % 8)) & 1) != 0);
    }
  }
  return image;
}

std::string Image::Terminal() const {
  // Each character shows two rows: the upper and the lower half of a cell.
  static constexpr const char *kCells[4] = {" ", "\u2580", "\u2584", "\u2588"};
  std::string frame = "\u250c";
  for (int x = 0; x < kWidth; ++x) frame += "\u2500";
  std::string text = frame + "\u2510\n";
  for (int y = 0; y < kHeight; y += 2) {
    text += "\u2502";
    for (int x = 0; x < kWidth; ++x) text += kCells[(Ink(x, y) ? 1 : 0) | (Ink(x, y + 1) ? 2 : 0)];
    text += "\u2502\n";
  }
  frame = "\u2514";
  for (int x = 0; x < kWidth; ++x) frame += "\u2500";
  return text + frame + "\u2518\n";
}

// libpng reports a failure by a long jump back here; nothing of this frame is
// used after it but the failure itself.
static bool WriteRows(png_structp png, png_infop info, FILE *file, const Image &image, int scale, png_byte *row) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  const int width = Image::kWidth * scale;
  const int height = Image::kHeight * scale;
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const png_byte *colour = image.Ink(x / scale, y / scale) ? kInk : kBackground;
      std::memcpy(row + static_cast<size_t>(x) * 3, colour, 3);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

bool Image::WritePng(const std::string &path, int scale) const {
  if (scale < 1) scale = 1;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(kWidth * scale) * 3);
  const bool written = WriteRows(png, info, file.get(), *this, scale, row.data());
  png_destroy_write_struct(&png, &info);
  return written;
}

std::optional<Image> Image::ReadPng(const std::string &path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) return std::nullopt;
  png.format = PNG_FORMAT_GRAY;
  const png_uint_32 width = png.width;
  const png_uint_32 height = png.height;
  const png_uint_32 scale = width / kWidth;
  if (scale == 0 || width != scale * kWidth || height != scale * kHeight) {
    png_image_free(&png);
    return std::nullopt;
  }
  std::vector<png_byte> grey(static_cast<size_t>(width) * height);
  if (png_image_finish_read(&png, nullptr, grey.data(), 0, nullptr) == 0) return std::nullopt;
  // Ink and background are told apart by their brightness, read at the
  // middle of each pixel's square.
  const int threshold = (kInk[1] + kBackground[1]) / 2;
  Image image;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const size_t at = (static_cast<size_t>(y) * scale + scale / 2) * width + static_cast<size_t>(x) * scale + scale / 2;
      image.Set(x, y, grey[at] < threshold);
    }
  }
  return image;
}

}  // namespace board
