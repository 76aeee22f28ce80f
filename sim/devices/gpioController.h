// The phone's GPIO controller behind /dev/user-gpio: six requests of type 'Z'
// on numbered lines, each line requested (with a label), an input or an
// output, and a level.
#pragma once

#include "device.h"

#include <array>
#include <cstdint>
#include <string>

namespace board {

class GpioController : public Device {
 public:
  // Lines 0 to kLines - 1 exist; others are refused with EINVAL.
  static constexpr int kLines = 256;

  GpioController() : Device("gpio") {}

  Outcome Ioctl(unsigned long request, void *argument) override;

  // The level of a line now: what it drives as an output, 0 as an input.
  int Level(int line) const;

 private:
  struct Line {
    bool requested = false;
    bool output = false;
    int level = 0;
    std::string label;
  };

  Outcome RequestLine(const void *argument);
  Outcome FreeLine(long line);
  Outcome MakeInput(long line);
  Outcome MakeOutput(const void *argument);
  Outcome GetValue(void *argument);
  Outcome SetValue(const void *argument);
  // The line when it exists and was requested, else the refusal.
  Line *Requested(long line, Outcome *refusal);

  std::array<Line, kLines> lines_;
};

}  // namespace board
