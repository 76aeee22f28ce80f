// The spidev bus behind /dev/spidev32766.0, with the LCD panel on it. Mode,
// bits per word and speed are kept and read back; each transfer of a message
// is recorded with its bytes and the level of the panel's command/data line
// (GPIO 22) at that moment, which is all the panel model needs.
#pragma once

#include "device.h"

#include <cstdint>

namespace board {

class GpioController;

class SpiBus : public Device {
 public:
  // The panel's command/data line on the GPIO controller.
  static constexpr int kCommandDataLine = 22;
  // The driver's buffer: a message carries at most this many bytes.
  static constexpr uint32_t kBufferSize = 4096;

  explicit SpiBus(const GpioController &gpio) : Device("spi"), gpio_(gpio) {}

  Outcome Ioctl(unsigned long request, void *argument) override;

 private:
  Outcome Message(unsigned long request, const void *argument);
  // Set or read one setting of width 1 or 4 bytes.
  Outcome Setting(const char *event, uint32_t *setting, int width, bool write, void *argument);

  const GpioController &gpio_;
  uint32_t mode_ = 0;
  uint32_t lsb_first_ = 0;
  uint32_t bits_ = 8;
  uint32_t speed_ = 10000000;
};

}  // namespace board
