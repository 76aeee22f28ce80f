// The post-boot upgrade's entry point: the host's argument vector chooses the
// flow; and the local web upgrade, which starts the web server.
#include "export.h"
#include "mtPostProcess.h"

#include "platform/ota.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kAfterUpgradeMode = 1;
constexpr int kWebCommandSize = 64;
constexpr char kWebServerCommand[] = "/bin/httpd -h /webroot -p %d";
constexpr char kEntryPoint[] = "mtPostUpdateResolve";

// Positions in the host's argument vector.
enum { kArgType = 1, kArgOption = 2, kArgValue = 3, kArgUser = 4, kArgPassword = 5 };

// The argument at a position; null beyond the count the host gave.
const char *Argument(int argc, char **argv, int position) {
  return argv != nullptr && position < argc ? argv[position] : nullptr;
}

bool IsOption(const char *argument, const char *option) {
  return argument != nullptr && std::strcmp(argument, option) == 0;
}

int WebLocalUpgrade(const char *option, const char *port) {
  if (!IsOption(option, "-p") || port == nullptr) {
    std::printf("__%s : eWebLocalUpgrade port ERROR !\n", kEntryPoint);
    return mtPostDownloadResultNotify(DOWNLODA_NOTNEED);
  }
  mtPostProcessCheckBeforeDownload();
  char command[kWebCommandSize] = {};
  std::snprintf(command, sizeof command, kWebServerCommand, std::atoi(port));
  return std::system(command);
}

}  // namespace

extern "C" {

POSTUPGRADE_EXPORT int mtPostUpdateResolve(int argc, char **argv) {
  upgradeAfterProcessSet(kAfterUpgradeMode);
  const char *typeText = Argument(argc, argv, kArgType);
  const int type = typeText != nullptr ? std::atoi(typeText) : 0;
  std::printf("__%s : imageUpgradeType [%d] .\n", kEntryPoint, type);
  const char *option = Argument(argc, argv, kArgOption);
  const char *value = Argument(argc, argv, kArgValue);
  switch (type) {
    case 0:
      return mtPostAutoProcess(0);
    case 1:
    case 3:
    case 4:
    case 5:
      if (IsOption(option, "-u") && value != nullptr) {
        return mtPostAutoProcessByCm(value, Argument(argc, argv, kArgUser), Argument(argc, argv, kArgPassword),
                                     type);
      }
      return mtPostAutoProcess(type);
    case eWebLocalUpgrade:
      return WebLocalUpgrade(option, value);
    default:
      return mtPostDownloadResultNotify(DOWNLODA_NOTNEED);
  }
}

POSTUPGRADE_EXPORT int user_sysinit(void) { return 0; }
POSTUPGRADE_EXPORT int user_syskill(void) { return 0; }

}  // extern "C"
