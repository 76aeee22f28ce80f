// The LED map: which of the phone's LEDs is wired how, from /etc/led.conf.
//
// Each line: LED name, kind keyword, first channel, second channel, separated
// by commas, for example "SIDE_DSS_LED3,LED_GPIO,40,41". A channel is a GPIO
// pin (LED_GPIO) or a bit of the shift register chain (LED_DREG); an LED has
// up to two, one per colour.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace ledfirstkey {

inline constexpr char kLedMapPath[] = "/etc/led.conf";

enum LedKind : int {
  kNotWired = 0,  // setting the LED does nothing
  kGpioLed = 1,   // channels are GPIO pins; pin 0 and below are not driven
  kChainLed = 2,  // channels are bits of the shift register chain; 0 and up
};

struct LedSlot {
  int kind = kNotWired;
  int first = -1;   // first channel
  int second = -1;  // second channel
  bool operator==(const LedSlot &) const = default;
};

inline constexpr int kLedSlots = 74;
inline constexpr int kPowerLed = 69;
// The LEDs below the fixed ones (the numbered groups), which the LED test
// blinks.
inline constexpr int kLastGroupLed = 68;
inline constexpr int kLastLed = kLedSlots - 1;

using LedSlots = std::array<LedSlot, kLedSlots>;

// The slot the first field of a map line stands for, or -1 for an unknown
// name. The names are looked for in the field in a fixed order. A numbered
// group's name is followed by the LED's number within the group, which is
// added to the group's first slot; only the whole range of slots is checked
// afterwards, so a number past its group lands in the next group.
int LedSlotIndex(std::string_view name);

// The map name of a slot ("SIDE_DSS_LED3", "POWER_LED"), or "" outside the
// slots.
std::string LedSlotName(int slot);

// Reads a map into the slots (which the caller has reset or filled before):
// each usable line sets its slot's kind and the channels it gives. Lines that
// cannot be used are reported on messages, one message each, and skipped.
void ReadLedMap(std::string_view text, LedSlots *slots, std::FILE *messages);

}  // namespace ledfirstkey
