// The phone's LCD module as seen from the SPI bus: an ST7565-class controller
// with 132 × 65 bits of display RAM, fed only by what went over the bus (the
// bytes of each transfer and the level of the command/data line), and the
// 132 × 64 glass it drives.
#pragma once

#include "board/transcript.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace board {

// A 132 × 64 monochrome picture; true is a dark pixel.
class Image {
 public:
  static constexpr int kWidth = 132;
  static constexpr int kHeight = 64;

  bool Ink(int x, int y) const { return pixels_[y * kWidth + x] != 0; }
  void Set(int x, int y, bool ink) { pixels_[y * kWidth + x] = ink ? 1 : 0; }
  int InkCount() const;
  bool operator==(const Image &) const = default;

  // A picture from 8 pages of 132 bytes, bit 0 of each byte its top row: the
  // layout of the controller's RAM and of the library's framebuffer.
  static Image FromPages(std::span<const uint8_t> pages);

  // The picture in a terminal: 32 lines of half-block characters in a frame.
  std::string Terminal() const;
  // The picture as a PNG file, each pixel a square of scale × scale.
  bool WritePng(const std::string &path, int scale = 4) const;
  // A picture from a PNG file written by WritePng (any scale): dark pixels
  // are ink. Nothing for a file that is not a 132 × 64 picture so scaled.
  static std::optional<Image> ReadPng(const std::string &path);

 private:
  std::array<uint8_t, kWidth * kHeight> pixels_{};
};

class Panel {
 public:
  static constexpr int kColumns = 132;
  static constexpr int kPages = 9;  // 8 pages of 8 rows and the icon row
  static constexpr int kRows = 64;

  struct Registers {
    bool display_on = false;
    bool reverse = false;          // all pixels inverted
    bool all_points_on = false;
    bool segment_reverse = false;  // RAM column 131 - c drives segment c
    bool common_reverse = false;   // rows scanned from the bottom
    bool read_modify_write = false;
    int bias = 9;                  // 1/9 or 1/7
    int contrast = 0x20;           // electronic volume, 0-63
    int booster = 0;               // booster ratio set, 0-3
    int regulator_ratio = 0;       // V0 resistor ratio, 0-7
    int power_control = 0;         // booster, regulator, follower bits
    int start_line = 0;
    int page = 0;
    int column = 0;
  };

  Panel() { Reset(); }

  // One transfer: command bytes (data false) or display data (data true).
  void Feed(bool data, std::span<const uint8_t> bytes);
  // Every accepted SPI transfer of a transcript, in order; the level of
  // GPIO 22 tells commands from data.
  void Replay(const std::vector<DeviceRecord> &records);

  // What the glass shows: blank unless the display is on and powered.
  Image Glass() const;
  uint8_t Ram(int page, int column) const { return ram_[page][column]; }
  const Registers &registers() const { return registers_; }
  // What the controller did, one line per command or data transfer.
  const std::vector<std::string> &Log() const { return log_; }

 private:
  enum class Argument { kNone, kContrast, kBooster, kIndicator };

  void Reset();
  void Command(uint8_t byte);
  void Data(std::span<const uint8_t> bytes);
  void Note(std::string line) { log_.push_back(std::move(line)); }

  std::array<std::array<uint8_t, kColumns>, kPages> ram_{};
  Registers registers_;
  Argument pending_ = Argument::kNone;
  int saved_column_ = 0;  // where read-modify-write returns to
  std::vector<std::string> log_;
};

}  // namespace board
