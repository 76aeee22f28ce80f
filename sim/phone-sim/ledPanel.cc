#include "ledPanel.h"

#include <cstdio>

namespace phonesim {
namespace {

// The rows of the picture: slot ranges of the map's groups.
struct Row {
  const char *title;
  int first, last;  // slots
  bool numbered;
};
constexpr Row kRows[] = {
    {"fixed", ledfirstkey::kPowerLed, ledfirstkey::kLastLed, false},
    {"line", 44, 63, true},
    {"side DSS", 32, 43, true},
    {"sub DSS", 0, 31, true},
    {"page DSS", 64, 68, true},
};
constexpr int kPerLine = 10;  // LEDs per line of a row

constexpr char kLit[] = "\u25cf", kDark[] = "\u25cb";
constexpr char kGreen[] = "\033[32m", kRed[] = "\033[31m", kNormal[] = "\033[0m";

// A channel the map gives: driven when its number is one the LED's kind
// drives.
bool Driven(const ledfirstkey::LedSlot &led, int channel) {
  return led.kind == ledfirstkey::kGpioLed ? channel > 0 : channel >= 0;
}

board::LedOutput OutputOf(const ledfirstkey::LedSlot &led, int channel) {
  return led.kind == ledfirstkey::kGpioLed ? board::PinLed(channel) : board::ChainLed(channel);
}

}  // namespace

LedPanel::LedPanel(std::string_view map) {
  ledfirstkey::LedSlots slots{};
  std::FILE *discard = std::fopen("/dev/null", "w");
  if (discard == nullptr) return;
  ledfirstkey::ReadLedMap(map, &slots, discard);
  std::fclose(discard);
  for (int slot = 0; slot < ledfirstkey::kLedSlots; ++slot) {
    if (slots[slot].kind != ledfirstkey::kNotWired) wired_.push_back({slot, slots[slot]});
  }
}

std::string LedPanel::Picture(const board::Leds &leds, bool colour) const {
  std::string picture;
  for (const Row &row : kRows) {
    int shown = 0;
    for (const Wired &wired : wired_) {
      if (wired.slot < row.first || wired.slot > row.last) continue;
      if (shown % kPerLine == 0) {
        if (shown > 0) picture += "\n";
        char title[16];
        std::snprintf(title, sizeof title, "%-9s", shown == 0 ? row.title : "");
        picture += title;
      }
      ++shown;
      // "POWER", "MWI" for the fixed LEDs; the number within the group for
      // the others.
      std::string label = ledfirstkey::LedSlotName(wired.slot);
      label = row.numbered ? std::to_string(wired.slot - row.first) : label.substr(0, label.find("_LED"));
      picture += " " + label + " ";
      const struct {
        int channel;
        const char *colour;
      } channels[] = {{wired.led.first, kGreen}, {wired.led.second, kRed}};
      for (const auto &channel : channels) {
        if (!Driven(wired.led, channel.channel)) {
          picture += " ";
          continue;
        }
        const bool lit = leds.Lit(OutputOf(wired.led, channel.channel));
        if (colour && lit) picture += channel.colour;
        picture += lit ? kLit : kDark;
        if (colour && lit) picture += kNormal;
      }
    }
    if (shown > 0) picture += "\n";
  }
  return picture;
}

std::vector<std::string> LedPanel::ChannelsOf(board::LedOutput output) const {
  std::vector<std::string> names;
  for (const Wired &wired : wired_) {
    const std::string name = ledfirstkey::LedSlotName(wired.slot);
    if (Driven(wired.led, wired.led.first) && OutputOf(wired.led, wired.led.first) == output) {
      names.push_back(name + " first");
    }
    if (Driven(wired.led, wired.led.second) && OutputOf(wired.led, wired.led.second) == output) {
      names.push_back(name + " second");
    }
  }
  if (names.empty()) names.push_back(output.Name());
  return names;
}

}  // namespace phonesim
