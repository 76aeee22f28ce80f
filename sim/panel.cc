#include "board/panel.h"

#include <cstdarg>
#include <cstdio>

namespace board {
namespace {

// The phone's glass is wired to the controller's segment outputs in reverse
// order (glass column x is segment 131 - x), which is why its start-up
// sequence selects the reverse segment direction: RAM column x then shows at
// glass column x. Rows are wired in order (glass row y is common y).
constexpr bool kGlassSegmentsReversed = true;
// Booster, voltage regulator and voltage follower: all three must be on for
// the glass to show anything.
constexpr int kAllPowerCircuits = 0x7;

std::string Format(const char *format, ...) {
  char text[96];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

}  // namespace

void Panel::Reset() {
  // The controller's state after a reset; the display RAM keeps its content.
  registers_ = Registers{};
  pending_ = Argument::kNone;
  saved_column_ = 0;
}

void Panel::Feed(bool data, std::span<const uint8_t> bytes) {
  if (data) {
    Data(bytes);
    return;
  }
  for (uint8_t byte : bytes) Command(byte);
}

void Panel::Replay(const std::vector<DeviceRecord> &records) {
  for (const DeviceRecord &record : records) {
    if (record.device != "spi" || record.event != "transfer" || record.Number("result") < 0) continue;
    Feed(record.Number("gpio22") == 1, record.Bytes("tx"));
  }
}

void Panel::Command(uint8_t byte) {
  Registers &r = registers_;
  // The second byte of a two-byte command is its argument, whatever it is.
  switch (pending_) {
    case Argument::kContrast:
      pending_ = Argument::kNone;
      r.contrast = byte & 0x3F;
      return Note(Format("contrast 0x%02x", r.contrast));
    case Argument::kBooster:
      pending_ = Argument::kNone;
      r.booster = byte & 0x03;
      return Note(Format("booster ratio %d", r.booster));
    case Argument::kIndicator:
      pending_ = Argument::kNone;
      return Note(Format("static indicator mode %d", byte & 0x03));
    case Argument::kNone:
      break;
  }

  if (byte <= 0x0F) {
    r.column = (r.column & 0xF0) | byte;
    return Note(Format("column low nibble 0x%x (column %d)", byte, r.column));
  }
  if (byte <= 0x1F) {
    r.column = ((byte & 0x0F) << 4) | (r.column & 0x0F);
    return Note(Format("column high nibble 0x%x (column %d)", byte & 0x0F, r.column));
  }
  if (byte <= 0x27) {
    r.regulator_ratio = byte & 0x07;
    return Note(Format("regulator ratio %d", r.regulator_ratio));
  }
  if (byte <= 0x2F) {
    r.power_control = byte & 0x07;
    return Note(Format("power control %d", r.power_control));
  }
  if (byte >= 0x40 && byte <= 0x7F) {
    r.start_line = byte & 0x3F;
    return Note(Format("start line %d", r.start_line));
  }
  if (byte >= 0xB0 && byte <= 0xB8) {
    r.page = byte & 0x0F;
    return Note(Format("page %d", r.page));
  }
  if (byte >= 0xC0 && byte <= 0xCF) {
    r.common_reverse = (byte & 0x08) != 0;
    return Note(r.common_reverse ? "common reverse" : "common normal");
  }
  switch (byte) {
    case 0x81: pending_ = Argument::kContrast; return;
    case 0xF8: pending_ = Argument::kBooster; return;
    case 0xA0: case 0xA1:
      r.segment_reverse = byte == 0xA1;
      return Note(r.segment_reverse ? "segment reverse" : "segment normal");
    case 0xA2: case 0xA3:
      r.bias = byte == 0xA2 ? 9 : 7;
      return Note(Format("bias 1/%d", r.bias));
    case 0xA4: case 0xA5:
      r.all_points_on = byte == 0xA5;
      return Note(r.all_points_on ? "all points on" : "all points normal");
    case 0xA6: case 0xA7:
      r.reverse = byte == 0xA7;
      return Note(r.reverse ? "display reverse" : "display normal");
    case 0xAC: case 0xAD:
      pending_ = Argument::kIndicator;
      return Note(byte == 0xAD ? "static indicator on" : "static indicator off");
    case 0xAE: case 0xAF:
      r.display_on = byte == 0xAF;
      return Note(r.display_on ? "display on" : "display off");
    case 0xE0:
      r.read_modify_write = true;
      saved_column_ = r.column;
      return Note("begin read-modify-write");
    case 0xEE:
      if (r.read_modify_write) r.column = saved_column_;
      r.read_modify_write = false;
      return Note("end read-modify-write");
    case 0xE2:
      Reset();
      return Note("reset");
    case 0xE3:
      return Note("nop");
    default:
      return Note(Format("unknown command 0x%02x", byte));
  }
}

void Panel::Data(std::span<const uint8_t> bytes) {
  Registers &r = registers_;
  const int first = r.column;
  size_t dropped = 0;
  for (uint8_t byte : bytes) {
    // The column counter stops past the last column; such bytes are lost.
    if (r.page >= kPages || r.column >= kColumns) {
      ++dropped;
      continue;
    }
    ram_[r.page][r.column] = r.page == kPages - 1 ? (byte & 0x01) : byte;
    ++r.column;
  }
  if (bytes.size() > dropped) {
    Note(Format("data page %d columns %d-%d", r.page, first, r.column - 1));
  }
  if (dropped > 0) Note(Format("data page %d: %zu bytes past column %d lost", r.page, dropped, kColumns - 1));
}

Image Panel::Glass() const {
  Image glass;
  const Registers &r = registers_;
  if (!r.display_on || r.power_control != kAllPowerCircuits) return glass;
  for (int y = 0; y < Image::kHeight; ++y) {
    const int common = r.common_reverse ? kRows - 1 - y : y;
    const int line = (common + r.start_line) % kRows;
    for (int x = 0; x < Image::kWidth; ++x) {
      const int segment = kGlassSegmentsReversed ? kColumns - 1 - x : x;
      const int column = r.segment_reverse ? kColumns - 1 - segment : segment;
      bool ink = ((ram_[line / 8][column] >> (line % 8)) & 1) != 0;
      if (r.all_points_on) ink = true;
      if (r.reverse) ink = !ink;
      glass.Set(x, y, ink);
    }
  }
  return glass;
}

}  // namespace board
