// Smoke run: loads each library of the system the way the phone's processes
// do (the platform comes from this process) and says what it found.
#include "platform/log.h"

#include <dlfcn.h>

#include <cstdio>

namespace {

struct Deliverable {
  const char *name;
  const char *path;
  const char *what;
};

constexpr Deliverable kLibraries[] = {
    {"libelemtree", ELEMTREE_PATH, "tree store for configuration data"},
    {"libupgradeui", UPGRADEUI_PATH, "upgrade screens, LCD panel, packet checks, keypad service"},
    {"libpostupgrade", POSTUPGRADE_PATH, "post-boot firmware upgrade"},
    {"libdevreport", DEVREPORT_PATH, "device info report plug-in"},
};

}  // namespace

int main() {
  logModuleInit();  // the platform this process provides to the libraries
  int failures = 0;
  for (const Deliverable &lib : kLibraries) {
    void *handle = dlopen(lib.path, RTLD_NOW | RTLD_GLOBAL);
    if (handle == nullptr) {
      std::printf("%-15s FAILED to load: %s\n", lib.name, dlerror());
      ++failures;
      continue;
    }
    std::printf("%-15s loaded   %s\n                (%s)\n", lib.name, lib.path, lib.what);
  }
  std::printf("%-15s built    %s\n                (LED self-test program)\n", "ledfirstkey", LEDFIRSTKEY_PATH);
  return failures == 0 ? 0 : 1;
}
