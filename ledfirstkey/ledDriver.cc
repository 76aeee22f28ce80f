#include "ledDriver.h"

#include "baseGpio.h"
#include "ledMap.h"
#include "shiftChain.h"
#include "textFields.h"

#include <cstdio>
#include <string>

namespace ledfirstkey {
namespace {

constexpr char kLedPinLabel[] = "led_gpio_post";
constexpr char kChainPinLabel[] = "led_gpio_dreg_post";
// The chain's pins, in the order they are claimed.
constexpr int kChainPins[] = {kChainLatchPin, kChainClockPin, kChainDataPin};

LedSlots gLedSlots;

struct ChannelValues {
  int first, second;
};

ChannelValues ValuesFor(int value, int mode) {
  switch (mode) {
    case kSecondColour: return {0, value};
    case kFirstColour: return {value, 0};
    case kBothColours: return {value, value};
    default: return {0, 0};
  }
}

void ClaimDark(int pin, const char *label) {
  gpio_free(pin);
  gpio_request(pin, label);
  gpio_direction_output(pin, 0);
}

}  // namespace

int ledConfLoad() {
  gLedSlots.fill(LedSlot{});
  std::string map;
  if (!ReadTextFile(kLedMapPath, &map)) return -1;
  ReadLedMap(map, &gLedSlots, stdout);
  return 0;
}

int ledModuleInit() {
  if (gpio_init() != 0) {
    std::puts("gpio_init failed");
    return -1;
  }
  if (ledConfLoad() != 0) return -1;

  bool chained = false;
  for (const LedSlot &slot : gLedSlots) {
    if (slot.kind == kGpioLed) {
      for (const int pin : {slot.first, slot.second}) {
        if (pin > 0) ClaimDark(pin, kLedPinLabel);
      }
    }
    chained = chained || slot.kind == kChainLed;
  }
  if (chained) {
    for (const int pin : kChainPins) ClaimDark(pin, kChainPinLabel);
    shiftRegClear();
    shiftRegSet(0, 0, true);  // every chained LED starts dark
  }
  return 0;
}

int ledSet(int slot, int value, int mode) {
  if (slot < 0 || slot >= kLedSlots) return -1;
  const LedSlot &led = gLedSlots[slot];
  const ChannelValues values = ValuesFor(value, mode);
  // The second channel first, then the first.
  const struct {
    int channel, value;
  } channels[] = {{led.second, values.second}, {led.first, values.first}};
  for (const auto &channel : channels) {
    if (led.kind == kGpioLed && channel.channel > 0) gpio_set_value(channel.channel, channel.value);
    if (led.kind == kChainLed && channel.channel >= 0) shiftRegSet(channel.channel, channel.value, false);
  }
  return 0;
}

void ledSetRange(int mode, int last) {
  const int value = mode == kAllDark ? 0 : 1;
  for (int slot = 0; slot <= last; ++slot) ledSet(slot, value, mode);
}

}  // namespace ledfirstkey
