// phone-host: the phone's outside processes that load the system's libraries,
// as phone-sim starts them on the board.
//
//   phone-host upgrade [--image FILE] [--no-network] [--writer-fails] -- ARGUMENT...
//     The host process of the post-boot upgrade. It sets up the platform the
//     way the simulated phone behaves (where the OTA library writes the
//     image, whether the network comes up, whether the image writer fails),
//     then calls libpostupgrade's entry point with "phone-host" and the
//     arguments after "--", as the phone's host does. After a successful
//     write, which hands control back to it, it does what the phone's host
//     does then: it signals the end of the upgrade, so that the success screen
//     shows, and restarts the phone.
//
//   phone-host keypad
//     An application that runs libupgradeui's keypad watcher: it starts the
//     panel, gives the watcher its echo area and runs it, for ever.
//
// Every line it prints goes out at once: phone-sim shows them as they come.
#include "baseKeypad.h"
#include "baseLcd.h"
#include "baseUpgrade.h"
#include "board/program.h"
#include "host/nm.h"
#include "host/ota.h"
#include "mtPostProcess.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr char kUsage[] =
    "Usage: phone-host upgrade [--image FILE] [--no-network] [--writer-fails] -- ARGUMENT...\n"
    "       phone-host keypad\n";
// Polls of 100 ms for the success screen.
constexpr int kSuccessScreenPolls = 30;
// The keypad's echo area, the third of the coordinate block: a text row in
// the middle of the panel, the text centred both ways.
constexpr LcdRect kEchoArea = {0, 26, 12, 132, 1 | (1 << LCD_FORMAT_VERTICAL_SHIFT)};

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// The OTA library's calls, printed however the process ends (the library
// ends it itself when there is nothing to do).
void PrintOtaCalls() {
  hostOtaRecord record{};
  hostOtaRecordGet(&record);
  std::printf("phone-host : OTA library calls: %s\n", record.calls[0] != '\0' ? record.calls : "none");
  std::fflush(stdout);
}

bool ImageWritten() {
  hostOtaRecord record{};
  hostOtaRecordGet(&record);
  return record.writeCalls > 0 && record.lastWriteResult == 0 && record.startCalls == 0;
}

int Upgrade(int argc, char **argv) {
  int i = 0;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string_view option = argv[i];
    if (option == "--image" && i + 1 < argc) {
      hostOtaSetImagePath(argv[++i]);
    } else if (option == "--no-network") {
      hostNmSetConnectDelay(-1);
    } else if (option == "--writer-fails") {
      hostOtaSetWriteFailure(1);
    } else {
      return Usage();
    }
  }
  if (i >= argc) return Usage();
  // The entry point's argument vector: the program's name, then the rest.
  std::vector<char *> arguments = {const_cast<char *>("phone-host")};
  arguments.insert(arguments.end(), argv + i + 1, argv + argc);
  arguments.push_back(nullptr);

  std::atexit(PrintOtaCalls);
  const int result = mtPostUpdateResolve(static_cast<int>(arguments.size()) - 1, arguments.data());
  std::printf("phone-host : mtPostUpdateResolve returned %d\n", result);
  if (ImageWritten()) {
    std::printf("phone-host : the image is written: upgrade flag 1, then the restart\n");
    baseUpgradeFlagSet(BASE_UPGRADE_SUCCEEDED);
    baseUpgradeResultDiaplayCompleteCheck(kSuccessScreenPolls);
    (void)std::system("reboot");
  }
  return 0;
}

int Keypad() {
  if (baseUiInit() < 0) {
    std::printf("phone-host : the panel cannot be started\n");
    return 1;
  }
  // The application's screen: blank, the watcher's echo in its middle row.
  baseDrawRect(0, 0, 132, 64);
  lcdPushCommit();
  getPostLcdCoordInfo()[2] = kEchoArea;
  if (initKey() != 0) std::printf("phone-host : no /etc/keycheck.txt: every key code is 0\n");
  std::printf("phone-host : the keypad watcher runs\n");
  // The watcher never returns: a thread of its own, as in the phone's
  // application.
  std::thread(keyPadDev).join();
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  board::DropSanitizerPreloads();
  if (argc >= 2 && std::strcmp(argv[1], "upgrade") == 0) return Upgrade(argc - 2, argv + 2);
  if (argc == 2 && std::strcmp(argv[1], "keypad") == 0) return Keypad();
  return Usage();
}
