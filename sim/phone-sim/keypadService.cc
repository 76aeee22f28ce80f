// phone-sim keypad: libupgradeui's keypad watcher in an application of the
// phone; keys typed here (or given with --keys) become the keypad's input
// records, and the panel shows the echo and the service sequence *#527:
// the configuration cleaned, "ready to reboot...", the reboot asked.
#include "board/input.h"
#include "board/sandbox.h"
#include "hostRun.h"
#include "keypad.h"
#include "screenView.h"
#include "subcommand.h"
#include "terminal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace phonesim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kKeypadNode[] = "event0";
constexpr std::string_view kServiceSequence = "*#527";
// Scripted keys come this far apart, so that each echo is seen.
constexpr auto kKeyPause = 400ms;
// After the service sequence: 1 s cleaning, 2 s before the reboot.
constexpr auto kRebootLimit = 30s;
constexpr auto kRunLimit = 120s;
// What an interactive run ends with: q, Escape, Ctrl-D.
constexpr std::string_view kEndKeys = "qQ\033\004";

// The configuration that the service sequence cleans away: the user
// configuration file, its backup, and the files of two directories.
constexpr const char *kCleanedFiles[] = {
    "/mnt/userdata/default_user_config_back.txt",
    "/mnt/userdata/default_user_config.txt",
    "/mnt/userdata/etc/user/contacts.xml",
    "/mnt/userdata/etc/user/ring.cfg",
    "/mnt/userdata/etc/default/data/dial-plan.txt",
};

constexpr Option kOptions[] = {
    {"--keys", "KEYS",
     "type these keys of the keypad (0-9, * and #), 0.4 s apart, then end (after the restart the service "
     "sequence asks for)"},
    {"--screens", "DIR",
     "save each screen as a PNG picture in DIR (default: screens/keypad in phone-sim's build directory)"},
    {"--plain", nullptr, "print each new screen and line once instead of a live picture (the default off a terminal)"},
};

volatile std::sig_atomic_t gInterrupted = 0;

bool PutDemoConfiguration() {
  mkdir("/mnt/userdata/etc", 0755);
  mkdir("/mnt/userdata/etc/user", 0755);
  mkdir("/mnt/userdata/etc/default", 0755);
  mkdir("/mnt/userdata/etc/default/data", 0755);
  const std::string config = board::ReadFile(kCleanedFiles[1]).value_or("");
  return board::WriteFile(kCleanedFiles[0], config) && board::WriteFile(kCleanedFiles[2], "<contacts/>\n") &&
         board::WriteFile(kCleanedFiles[3], "ring=3\n") && board::WriteFile(kCleanedFiles[4], "9xx\n");
}

std::string FilesLeft() {
  std::string left;
  for (const char *path : kCleanedFiles) {
    if (access(path, F_OK) == 0) left += std::string(left.empty() ? "" : ", ") + path;
  }
  return left.empty() ? "none" : left;
}

bool RebootAsked() {
  const std::vector<board::CommandCall> calls = board::CommandCalls();
  return std::any_of(calls.begin(), calls.end(), [](const board::CommandCall &call) { return call.name == "reboot"; });
}

bool PressKey(char key) {
  const std::optional<uint16_t> code = KeyCode(std::string(1, key));
  return code && board::PressKey(kKeypadNode, *code);
}

// Types the scripted keys one by one, then waits for the restart when they
// hold the service sequence. Says whether to go on.
class ScriptedKeys {
 public:
  // The first key comes after a pause, as the others, once the watcher's
  // screen is up.
  explicit ScriptedKeys(std::string keys)
      : keys_(std::move(keys)),
        service_(keys_.find(kServiceSequence) != std::string::npos),
        due_(Clock::now() + kKeyPause) {}

  bool Step() {
    const auto now = Clock::now();
    if (next_ < keys_.size()) {
      if (now >= due_ && board::PendingInputEvents(kKeypadNode).empty()) {
        PressKey(keys_[next_++]);
        due_ = now + kKeyPause;
        if (next_ == keys_.size()) ended_ = now;
      }
      return true;
    }
    if (!board::PendingInputEvents(kKeypadNode).empty() || now < due_) return true;
    return service_ && !RebootAsked() && now - ended_ < kRebootLimit;
  }

 private:
  std::string keys_;
  bool service_;
  size_t next_ = 0;
  Clock::time_point due_;
  Clock::time_point ended_{};
};

std::string CheckKeypad(const Options &options) {
  if (const std::optional<std::string> keys = options.Value("--keys")) {
    if (keys->empty() || keys->find_first_not_of(kKeypadKeys) != std::string::npos) {
      return "--keys takes keys of the keypad: 0-9, * and #";
    }
  } else if (isatty(STDIN_FILENO) != 1) {
    return "no terminal to type on: give the keys with --keys";
  }
  if (options.Has("--screens") && options.Value("--screens")->empty()) return "--screens needs a directory";
  return {};
}

int RunKeypad(const Options &options) {
  if (!PutDemoConfiguration()) {
    std::fprintf(stderr, "phone-sim keypad: cannot write the demo configuration in /mnt/userdata\n");
    return 1;
  }
  const std::optional<std::string> keys = options.Value("--keys");
  std::optional<ScriptedKeys> script;
  if (keys) script.emplace(*keys);
  std::signal(SIGINT, [](int) { gInterrupted = 1; });
  KeyboardInput keyboard;
  ScreenView view(LiveTerminal() && !options.Has("--plain"),
                  keys ? "$ phone-host keypad    (keys " + *keys + ")"
                       : "$ phone-host keypad    (type 0-9, * and #; *#527 cleans and restarts; q ends)");
  view.Say("Configuration  " + FilesLeft());

  std::string typed;
  const auto started = Clock::now();
  bool rebooted = false;
  const HostRun run = RunPhoneHost(
      {"keypad"}, [&](const std::string &line) { view.Note(line); },
      [&] {
        view.Follow();
        if (!rebooted && (rebooted = RebootAsked())) view.Say("reboot asked: the phone would restart now");
        if (gInterrupted || Clock::now() - started > kRunLimit) return false;
        if (script) return script->Step();
        const std::optional<char> key = keyboard.Read(0);
        if (key && kEndKeys.find(*key) != std::string_view::npos) return false;
        if (key && kKeypadKeys.find(*key) != std::string_view::npos && PressKey(*key)) typed += *key;
        return true;
      });
  view.Finish();

  const std::string dir = options.Value("--screens").value_or(kOutputDir);
  const std::vector<std::string> saved = view.SavePngs(kOutputDir);
  std::printf("\nOutcome\n");
  std::printf("  keys typed         %s\n", keys ? keys->c_str() : typed.empty() ? "none" : typed.c_str());
  std::printf("  screens            %zu", view.Screens().size());
  if (!saved.empty()) std::printf(", saved as %s/%s to %s", dir.c_str(), saved.front().c_str(), saved.back().c_str());
  std::printf("\n  configuration left %s\n", FilesLeft().c_str());
  std::printf("  reboot             %s\n", rebooted ? "asked (a stub on the board)" : "not asked");
  // The watcher runs until the phone restarts: its end here is phone-sim's.
  return run.stopped || run.status == 0 ? 0 : 1;
}

}  // namespace

const Subcommand kKeypadSubcommand = {
    "keypad",
    "the keypad watcher: keys echoed on the screen, *#527 cleans and restarts",
    "Runs the keypad watcher of libupgradeui (initKey, keyPadDev) in an\n"
    "application of the phone, with the demo board's key codes. Each key typed\n"
    "here (0-9, * and #) becomes a press and a release on the keypad's input\n"
    "device, and the watcher echoes it on the screen. The service sequence\n"
    "*#527 shows \"Cleaning configure\", removes the user configuration (the\n"
    "demo's files in /mnt/userdata), shows \"ready to reboot...\" and asks for\n"
    "a reboot (a stub on the board). q ends; --keys types a given sequence\n"
    "instead and ends by itself. Each distinct screen is saved as a PNG\n"
    "picture.\n",
    kOptions,
    "demo",
    "--screens",
    CheckKeypad,
    RunKeypad,
};

}  // namespace phonesim
