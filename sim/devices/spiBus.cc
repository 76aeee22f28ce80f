#include "spiBus.h"

#include "gpioController.h"

#include <linux/spi/spidev.h>
#include <sys/ioctl.h>

#include <cstring>
#include <vector>

namespace board {

Outcome SpiBus::Ioctl(unsigned long request, void *argument) {
  switch (request) {
    case SPI_IOC_WR_MODE: return Setting("set-mode", &mode_, 1, true, argument);
    case SPI_IOC_RD_MODE: return Setting("get-mode", &mode_, 1, false, argument);
    case SPI_IOC_WR_MODE32: return Setting("set-mode32", &mode_, 4, true, argument);
    case SPI_IOC_RD_MODE32: return Setting("get-mode32", &mode_, 4, false, argument);
    case SPI_IOC_WR_LSB_FIRST: return Setting("set-lsb-first", &lsb_first_, 1, true, argument);
    case SPI_IOC_RD_LSB_FIRST: return Setting("get-lsb-first", &lsb_first_, 1, false, argument);
    case SPI_IOC_WR_BITS_PER_WORD: return Setting("set-bits", &bits_, 1, true, argument);
    case SPI_IOC_RD_BITS_PER_WORD: return Setting("get-bits", &bits_, 1, false, argument);
    case SPI_IOC_WR_MAX_SPEED_HZ: return Setting("set-speed", &speed_, 4, true, argument);
    case SPI_IOC_RD_MAX_SPEED_HZ: return Setting("get-speed", &speed_, 4, false, argument);
    default: break;
  }
  const bool message = _IOC_TYPE(request) == SPI_IOC_MAGIC && _IOC_NR(request) == 0 &&
                       _IOC_DIR(request) == _IOC_WRITE &&
                       _IOC_SIZE(request) % sizeof(spi_ioc_transfer) == 0;
  if (message) return Message(request, argument);
  return Device::Ioctl(request, argument);
}

Outcome SpiBus::Setting(const char *event, uint32_t *setting, int width, bool write, void *argument) {
  Outcome outcome = FaultOr(event);
  uint32_t value = 0;
  if (outcome.ok()) {
    if (write) {
      if (width == 1) {
        uint8_t byte;
        std::memcpy(&byte, argument, 1);
        // Only the low byte: the mode's upper bits stay as they were.
        value = (*setting & ~0xFFu) | byte;
      } else {
        std::memcpy(&value, argument, 4);
      }
      *setting = value;
    } else {
      value = *setting;
      if (width == 1) {
        const uint8_t byte = static_cast<uint8_t>(value);
        std::memcpy(argument, &byte, 1);
      } else {
        std::memcpy(argument, &value, 4);
      }
    }
  }
  Record record(Name(), event);
  if (outcome.ok()) record.Number("value", width == 1 ? (value & 0xFF) : value);
  record.Result(outcome).Write();
  return outcome;
}

Outcome SpiBus::Message(unsigned long request, const void *argument) {
  const size_t count = _IOC_SIZE(request) / sizeof(spi_ioc_transfer);
  std::vector<spi_ioc_transfer> transfers(count);
  if (count > 0) std::memcpy(transfers.data(), argument, count * sizeof(spi_ioc_transfer));

  uint64_t total = 0;
  for (const auto &transfer : transfers) total += transfer.len;
  Outcome outcome = FaultOr("transfer");
  if (outcome.ok()) {
    if (count == 0) {
      outcome = Refused(EINVAL);
    } else if (total > kBufferSize) {
      outcome = Refused(EMSGSIZE);
    } else {
      outcome = Done(static_cast<long>(total));
    }
  }

  const int level = gpio_.Level(kCommandDataLine);
  for (size_t i = 0; i < count; ++i) {
    const spi_ioc_transfer &transfer = transfers[i];
    Record record(Name(), "transfer");
    if (count > 1) record.Number("part", static_cast<long long>(i)).Number("parts", static_cast<long long>(count));
    record.Number("len", transfer.len)
        .Number("speed", transfer.speed_hz)
        .Number("delay", transfer.delay_usecs)
        .Number("bits", transfer.bits_per_word)
        .Number("cs-change", transfer.cs_change)
        .Number("gpio22", level);
    if (transfer.rx_buf != 0) record.Number("rx", 1);
    if (transfer.tx_buf != 0 && outcome.ok()) {
      record.Bytes("tx", reinterpret_cast<const void *>(static_cast<uintptr_t>(transfer.tx_buf)), transfer.len);
    }
    record.Result(outcome).Write();
    // Nothing answers on the bus: what is read back is all zero.
    if (outcome.ok() && transfer.rx_buf != 0) {
      std::memset(reinterpret_cast<void *>(static_cast<uintptr_t>(transfer.rx_buf)), 0, transfer.len);
    }
  }
  return outcome;
}

}  // namespace board
