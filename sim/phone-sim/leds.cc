// phone-sim leds: the LED self-test program on the demo board's LED map, its
// LEDs drawn as the board's wires show them.
#include "board/input.h"
#include "board/leds.h"
#include "board/program.h"
#include "board/sandbox.h"
#include "board/transcript.h"
#include "keyCode.h"
#include "keypad.h"
#include "ledPanel.h"
#include "subcommand.h"
#include "terminal.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace phonesim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kKeypad[] = "/dev/input/event0";
// The first-key check ends within about 3 s; the emulator may make it slower.
constexpr auto kCheckLimit = 60s;
constexpr auto kRedrawPause = 40ms;

constexpr Option kOptions[] = {
    {"--key", "KEY",
     "the first-key check with KEY pressed before it starts: a keypad key (0-9, * or #; # is the "
     "configured one) or a key code"},
    {"--no-key", nullptr, "the first-key check with no key pressed"},
    {"--first-key", nullptr, "the first-key check: press a key of the phone's keypad here within 3 s"},
    {"--seconds", "N", "end the LED test after N seconds (default: at Ctrl-C)"},
    {"--plain", nullptr, "one line per LED change instead of a live picture (the default off a terminal)"},
};

volatile std::sig_atomic_t gInterrupted = 0;

// What the run shows as it goes: a live picture, or one line per change.
class LedView {
 public:
  LedView(LedPanel panel, bool live, std::string title)
      : panel_(std::move(panel)), live_(live), title_(std::move(title)) {
    if (live_) std::fputs("\033[2J", stdout);
  }

  void Take(const std::vector<board::DeviceRecord> &records) {
    for (const board::DeviceRecord &record : records) {
      if (!start_us_) start_us_ = record.time_us;
      for (const board::LedChange &change : leds_.Apply(record)) {
        changed_ = true;
        if (live_) continue;
        for (const std::string &channel : panel_.ChannelsOf(change.output)) {
          std::printf("%8.3f s  %s %s\n", static_cast<double>(change.time_us - *start_us_) / 1e6, channel.c_str(),
                      change.lit ? "on" : "off");
        }
      }
    }
    if (live_ && changed_ && Clock::now() - drawn_ >= kRedrawPause) Draw();
  }

  // The picture now: in place while live, else below what was printed.
  void Draw() {
    if (live_) std::printf("\033[H%s\n\n", title_.c_str());
    std::fputs(panel_.Picture(leds_, live_).c_str(), stdout);
    std::fflush(stdout);
    drawn_ = Clock::now();
    changed_ = false;
  }

 private:
  LedPanel panel_;
  bool live_;
  std::string title_;
  board::Leds leds_;
  std::optional<long long> start_us_;
  bool changed_ = true;
  Clock::time_point drawn_{};
};

void PrintOutcome(int status, bool check, bool stopped, const std::string &output) {
  std::printf("\nledfirstkey printed:\n");
  for (size_t begin = 0, end; begin < output.size(); begin = end + 1) {
    end = output.find('\n', begin);
    if (end == std::string::npos) end = output.size();
    std::printf("  | %s\n", output.substr(begin, end - begin).c_str());
  }
  if (stopped) {
    std::printf("ledfirstkey was stopped (exit status %d)%s.\n", status,
                check ? "" : "; the LED test runs until it is");
  } else if (check && status == 1) {
    const char key = KeyOfCode(ledfirstkey::keyCheckLoad());
    std::printf("Exit status 1: the first key was the configured one (%c); \"killall logo\" asked for the boot "
                "logo to stop.\n",
                key != 0 ? key : '?');
  } else {
    std::printf("Exit status %d: %s\n", status,
                check ? "not the configured key first, no key within 3 s, or a failure (see above)"
                      : "the LED test could not start (see above)");
  }
}

int FirstKeyModes(const Options &options) {
  return options.Has("--key") + options.Has("--no-key") + options.Has("--first-key");
}

std::string CheckLeds(const Options &options) {
  const int modes = FirstKeyModes(options);
  if (modes > 1 || (modes == 1 && options.Has("--seconds"))) {
    return "give one of --key, --no-key and --first-key, or --seconds for the LED test";
  }
  if (!options.Number("--seconds", 0, 1, 24 * 3600)) return "--seconds takes 1 to 86400";
  if (options.Has("--key") && !IsKey(*options.Value("--key"))) return "--key takes 0-9, * or #, or a key code";
  return {};
}

int RunLeds(const Options &options) {
  const long seconds = *options.Number("--seconds", 0, 1, 24 * 3600);
  std::optional<uint16_t> key;
  if (options.Has("--key") && !(key = KeyCode(*options.Value("--key")))) {
    std::fprintf(stderr, "phone-sim leds: the board's key check file gives %s no code\n",
                 options.Value("--key")->c_str());
    return 2;
  }
  const bool check = FirstKeyModes(options) == 1;
  const bool live = LiveTerminal() && !options.Has("--plain");

  std::string title = std::string("$ ledfirstkey") + (check ? " " : "") + (check ? kKeypad : "");
  if (key) title += "    (key code " + std::to_string(*key) + " pressed before the start)";
  if (options.Has("--first-key")) title += "    (press 0-9, * or # within 3 s)";
  if (!check) title += "    (Ctrl-C ends)";
  LedView view(LedPanel(board::ReadFile("/etc/led.conf").value_or("")), live, title);
  if (!live) std::printf("%s\n", title.c_str());
  std::fflush(stdout);
  std::optional<board::Program> logo;
  if (check) logo.emplace(board::StandInProcessCommand("logo"));
  if (key) board::PressKey("event0", *key);

  std::signal(SIGINT, [](int) { gInterrupted = 1; });
  KeyboardInput keyboard;
  board::Program program(board::ProgramCommand(LEDFIRSTKEY_PATH, check ? std::vector<std::string>{kKeypad}
                                                                        : std::vector<std::string>{}));
  board::TranscriptReader transcript;
  const auto started = Clock::now();
  bool stopped = false;
  while (program.Running()) {
    view.Take(transcript.ReadNew());
    const auto running = Clock::now() - started;
    const bool timed_out = check ? running > kCheckLimit : seconds > 0 && running >= std::chrono::seconds(seconds);
    if (timed_out || gInterrupted) {
      program.Stop(SIGTERM);
      stopped = true;
      break;
    }
    std::optional<char> typed;
    if (options.Has("--first-key") && keyboard.Available()) {
      typed = keyboard.Read(20);
    } else {
      usleep(20000);
    }
    if (typed) {
      if (const std::optional<uint16_t> code = KeyCode(std::string(1, *typed))) board::PressKey("event0", *code);
    }
  }
  const int status = program.Wait(kCheckLimit);
  view.Take(transcript.ReadNew());
  view.Draw();
  PrintOutcome(status, check, stopped || gInterrupted, program.Output());
  if (logo) std::printf("Boot logo process: %s.\n", logo->Running() ? "still running" : "stopped");
  return 0;
}

}  // namespace

const Subcommand kLedsSubcommand = {
    "leds",
    "the LED self-test on a demo LED map, its LEDs drawn as they change",
    "Runs the LED self-test program ledfirstkey on the demo board, whose LED map\n"
    "(/etc/led.conf) has the fixed LEDs on GPIO pins and the line and DSS keys'\n"
    "two-colour LEDs on the 88-output shift register chain, and draws the LEDs as\n"
    "the board's wires show them (first colour green, second red).\n"
    "\n"
    "Without options it runs the LED test, which blinks the keys' LEDs for ever:\n"
    "until Ctrl-C or --seconds. The first-key check lights every LED, blinks the\n"
    "power LED while it waits up to 3 s for the first key of the keypad, and ends\n"
    "with 1 when that was the configured key (# on the demo board), stopping the\n"
    "boot logo.\n",
    kOptions,
    "demo",
    nullptr,
    CheckLeds,
    RunLeds,
};

}  // namespace phonesim
