// The phone's LEDs as the simulator draws them: the board's LED map says
// which LED hangs on which GPIO pin or chain output, the board's LED model
// says which of those are lit.
#pragma once

#include "board/leds.h"
#include "ledMap.h"

#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

class LedPanel {
 public:
  // The map as the LED self-test reads it (lines it cannot use are left out).
  explicit LedPanel(std::string_view map);

  bool Empty() const { return wired_.empty(); }
  // Every wired LED, grouped as on the phone (fixed LEDs, line keys, side,
  // sub and page DSS keys), each with its channels: lit or dark, in green
  // (first channel) and red (second) when colour is asked for.
  std::string Picture(const board::Leds &leds, bool colour) const;
  // "LINE_LED0 first", "POWER_LED second": the LED channels an output
  // drives; its own name when the map gives it none.
  std::vector<std::string> ChannelsOf(board::LedOutput output) const;

 private:
  struct Wired {
    int slot;
    ledfirstkey::LedSlot led;
  };
  std::vector<Wired> wired_;
};

}  // namespace phonesim
