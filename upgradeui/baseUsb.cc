// Upgrading from a USB stick: is it there, mount its partition, find the
// firmware file on it, unmount it.
#include "baseUsb.h"

#include "export.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace upgradeui {
namespace {

constexpr char kDiskPath[] = "/dev/sda";
constexpr std::string_view kDiskName = "sda";
constexpr char kMountPoint[] = "/mnt/udisk";
constexpr std::string_view kFirmwareEnding = ".z";
// A partition's name is kept to this many characters.
constexpr size_t kPartitionNameMax = 9;
constexpr size_t kPrefixMax = 15;

std::atomic<int> gMounted{0};
char gPrefix[kPrefixMax + 1] = "q7";

struct DirCloser {
  void operator()(DIR *dir) const { closedir(dir); }
};
using Directory = std::unique_ptr<DIR, DirCloser>;

// A partition of the disk as the kernel names it: "sda" and letters or
// digits. Only such a name goes into the mount command, which a shell runs.
bool IsPartitionName(std::string_view name) {
  if (!name.starts_with(kDiskName) || name.size() == kDiskName.size()) return false;
  return std::all_of(name.begin() + kDiskName.size(), name.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

bool IsFirmwareName(std::string_view name) {
  return name.starts_with(gPrefix) && name.ends_with(kFirmwareEnding);
}

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT int isUsbDevValid(void) { return access(kDiskPath, F_OK) == 0 ? 1 : 0; }

UPGRADEUI_EXPORT int mountUsb(void) {
  char partition[kPartitionNameMax + 1] = "";
  if (const Directory dev{opendir("/dev")}) {
    while (const dirent *entry = readdir(dev.get())) {
      const std::string_view name = entry->d_name;
      if (!IsPartitionName(name)) continue;
      const size_t kept = std::min(name.size(), kPartitionNameMax);
      std::memcpy(partition, name.data(), kept);
      partition[kept] = '\0';
    }
  }
  if (!isUsbDevValid()) {
    std::printf("usb dev %s not exist\n", kDiskPath);
    return -1;
  }
  if (gMounted) return 0;
  char command[64];
  std::snprintf(command, sizeof command, "mount /dev/%s %s/", partition, kMountPoint);
  // The command's outcome shows later, when no firmware file is found.
  (void)std::system(command);
  gMounted = 1;
  return 0;
}

UPGRADEUI_EXPORT int umountUsb(void) {
  (void)std::system("umount /mnt/udisk");
  return 0;
}

UPGRADEUI_EXPORT void modStrSet(const char *prefix) {
  std::memset(gPrefix, 0, sizeof gPrefix);
  if (prefix != nullptr) std::strncpy(gPrefix, prefix, kPrefixMax);
}

UPGRADEUI_EXPORT void getFileSearchRes(char *path, int size) {
  if (path == nullptr || size <= 0) return;
  const Directory stick{opendir(kMountPoint)};
  if (!stick) return;
  while (const dirent *entry = readdir(stick.get())) {
    if (!IsFirmwareName(entry->d_name)) continue;
    std::snprintf(path, static_cast<size_t>(size), "%s/%s", kMountPoint, entry->d_name);
    return;
  }
}

}  // extern "C"
