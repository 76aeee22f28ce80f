// LED self-test: lights and blinks the phone's LEDs and reports whether the
// first key pressed is the configured one.
//
//   ledfirstkey DEVICE   lights every LED, waits about 3 s for the first input
//                        event on DEVICE while blinking the power LED, prints
//                        and exits with 1 when it carried the key code (and
//                        stops the boot logo), else 0
//   ledfirstkey          prints the usage line and blinks the LEDs for ever
#include "baseGpio.h"
#include "keyCode.h"
#include "ledDriver.h"
#include "ledMap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace ledfirstkey {
namespace {

// One input event record as the phone's kernel delivers it.
struct InputEvent {
  int32_t seconds;
  int32_t microseconds;
  uint16_t type;
  uint16_t code;
  int32_t value;
};
static_assert(sizeof(InputEvent) == 16);

// The first-key wait: 150 polls 20 ms apart, the power LED toggled on every
// twelfth poll without a record.
constexpr int kKeyPolls = 150;
constexpr long kKeyPollPauseUs = 20 * 1000;
constexpr int kBlinkPolls = 12;
// The LED test's phases.
constexpr long kTestDarkUs = 100 * 1000;
constexpr long kTestLitUs = 2000 * 1000;

constexpr char kUsage[] = "Useage: ledfirstkey <dev path(/dev/input/event0)>";
constexpr char kInitError[] = "led module init error...";

void Pause(long microseconds) {
  timespec rest{microseconds / 1000000, (microseconds % 1000000) * 1000};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

int FirstKeyCheck(const char *device) {
  const int key_code = keyCheckLoad();
  if (ledModuleInit() != 0) {
    std::puts(kInitError);
    gpio_term();
    return 0;
  }
  ledSetRange(kBothColours, kLastLed);

  const int input = open(device, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (input < 0) {
    std::puts("can't open the device. please check it");
    gpio_term();
    return 0;
  }
  int result = 0;
  int code_read = 0;  // compared with the key code when no record came
  bool power_on = false;
  for (int poll = 0; poll < kKeyPolls; ++poll) {
    InputEvent event;
    if (read(input, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
      // The first record decides, whatever its type.
      code_read = event.code;
      if (code_read == key_code) {
        (void)std::system("killall logo");
        result = 1;
      }
      break;
    }
    if (poll % kBlinkPolls == 0) {
      power_on = !power_on;
      ledSet(kPowerLed, power_on ? 1 : 0, kFirstColour);
    }
    Pause(kKeyPollPauseUs);
  }
  ledSetRange(kAllDark, kLastLed);
  ledSet(kPowerLed, code_read == key_code ? 1 : 0, kFirstColour);

  close(input);
  gpio_term();
  std::printf("%d\n", result);
  return result;
}

int LedTest() {
  std::puts(kUsage);
  (void)keyCheckLoad();  // the test has no use for it
  if (ledModuleInit() != 0) {
    std::puts(kInitError);
    gpio_term();
    return 0;
  }
  for (;;) {
    ledSetRange(kAllDark, kLastGroupLed);
    Pause(kTestDarkUs);
    ledSetRange(kSecondColour, kLastGroupLed);
    Pause(kTestLitUs);
  }
}

}  // namespace
}  // namespace ledfirstkey

int main(int argc, char **argv) {
  // Each line goes out whole and at once, also into a pipe or a log file:
  // the LED test never ends by itself and is stopped by a signal, and the
  // shell's commands write to the same output.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (argc == 2) return ledfirstkey::FirstKeyCheck(argv[1]);
  return ledfirstkey::LedTest();
}
