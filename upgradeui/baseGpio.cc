// GPIO lines through the phone's GPIO device. This file depends on nothing
// else of the library, so that a program may build it in on its own.
#include "baseGpio.h"

#include "export.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr char kGpioDevice[] = "/dev/user-gpio";

// The device's argument records and requests (type 'Z').
struct LineLabel {
  int32_t line;
  char label[32];  // zero-terminated
};
struct LineValue {
  int32_t line;
  int32_t value;
};
static_assert(sizeof(LineLabel) == 36 && sizeof(LineValue) == 8);

constexpr unsigned long kRequestLine = 0x40245A80;
constexpr unsigned long kFreeLine = 0x5A81;      // the line number by value
constexpr unsigned long kDirectionInput = 0x5A82;  // the line number by value
constexpr unsigned long kDirectionOutput = 0x40085A83;
constexpr unsigned long kGetValue = 0xC0085A85;
constexpr unsigned long kSetValue = 0x40085A86;
static_assert(kRequestLine == _IOW('Z', 0x80, LineLabel));
static_assert(kFreeLine == _IO('Z', 0x81) && kDirectionInput == _IO('Z', 0x82));
static_assert(kDirectionOutput == _IOW('Z', 0x83, LineValue));
static_assert(kGetValue == _IOWR('Z', 0x85, LineValue));
static_assert(kSetValue == _IOW('Z', 0x86, LineValue));

int gGpioFd = -1;

int LineRequest(unsigned long request, int line, int value) {
  LineValue record{line, value};
  return ioctl(gGpioFd, request, &record) < 0 ? -1 : 0;
}

int ByValueRequest(unsigned long request, int line) {
  return ioctl(gGpioFd, request, static_cast<unsigned long>(line)) < 0 ? -1 : 0;
}

}  // namespace

extern "C" {

UPGRADEUI_EXPORT int gpio_init(void) {
  if (gGpioFd >= 0) return 0;
  gGpioFd = open(kGpioDevice, O_RDWR | O_CLOEXEC);
  return gGpioFd >= 0 ? 0 : -1;
}

UPGRADEUI_EXPORT void gpio_term(void) {
  if (gGpioFd >= 0) close(gGpioFd);
  gGpioFd = -1;
}

UPGRADEUI_EXPORT int gpio_request(int gpio, const char *label) {
  LineLabel record{};
  record.line = gpio;
  if (label != nullptr) std::strncpy(record.label, label, sizeof record.label - 1);
  return ioctl(gGpioFd, kRequestLine, &record) < 0 ? -1 : 0;
}

UPGRADEUI_EXPORT void gpio_free(int gpio) { (void)ByValueRequest(kFreeLine, gpio); }

UPGRADEUI_EXPORT int gpio_direction_input(int gpio) { return ByValueRequest(kDirectionInput, gpio); }

UPGRADEUI_EXPORT int gpio_direction_output(int gpio, int value) {
  return LineRequest(kDirectionOutput, gpio, value);
}

UPGRADEUI_EXPORT int gpio_get_value(int gpio) {
  LineValue record{gpio, 0};
  return ioctl(gGpioFd, kGetValue, &record) < 0 ? -1 : record.value;
}

UPGRADEUI_EXPORT void gpio_set_value(int gpio, int value) { (void)LineRequest(kSetValue, gpio, value); }

}  // extern "C"
