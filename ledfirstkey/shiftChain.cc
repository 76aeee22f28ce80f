#include "shiftChain.h"

#include "baseGpio.h"

#include <array>
#include <cstdint>

namespace ledfirstkey {
namespace {

std::array<uint8_t, kChainBits / 8> gChainImage{};

// Bits outside the chain read as 0 and are never stored.
bool ImageBit(int bit) { return bit >= 0 && bit < kChainBits && ((gChainImage[bit / 8] >> (bit % 8)) & 1) != 0; }

void StoreBit(int bit, bool on) {
  if (bit < 0 || bit >= kChainBits) return;
  const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
  gChainImage[bit / 8] = static_cast<uint8_t>(on ? gChainImage[bit / 8] | mask : gChainImage[bit / 8] & ~mask);
}

void ShiftImageOut() {
  gpio_set_value(kChainLatchPin, 0);
  for (int byte = static_cast<int>(gChainImage.size()) - 1; byte >= 0; --byte) {
    for (int bit = 7; bit >= 0; --bit) {
      gpio_set_value(kChainDataPin, (gChainImage[byte] >> bit) & 1);
      gpio_set_value(kChainClockPin, 1);
      gpio_set_value(kChainClockPin, 0);
    }
  }
  gpio_set_value(kChainLatchPin, 1);
}

}  // namespace

void shiftRegClear() { gChainImage.fill(0); }

void shiftRegSet(int bit, int value, bool force) {
  const bool on = value != 0;
  if (!force && ImageBit(bit) == on) return;
  StoreBit(bit, on);
  ShiftImageOut();
}

}  // namespace ledfirstkey
