// The automatic download-and-apply flows and what follows their result.
#include "export.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include "baseUpgrade.h"
#include "platform/ate.h"
#include "platform/http.h"
#include "platform/ota.h"
#include "platform/runtime.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace postupgrade {
namespace {

constexpr int kDownloadTimeoutSec = 10;
constexpr int kResultScreenPolls = 50;  // 100 ms apart
constexpr char kAutoProcess[] = "mtPostAutoProcess";

}  // namespace

int mtPostNoConfigResult(int imageUpgradeType) {
  return imageUpgradeType == kBootTimeType ? DOWNLODA_NOTNEED : DOWNLODA_NOURL;
}

int mtPostDownloadStart(const char *url, const char *user, const char *password, int imageUpgradeType) {
  if (url == nullptr) return -1;
  std::printf("%s : start .\n", "mtPostDownloadStart");
  int *progress = baseProgressAddrGet();
  mtPostProcessCheckBeforeDownload();
  // The upgrade screens read the cell on their own thread.
  if (progress != nullptr) __atomic_store_n(progress, 0, __ATOMIC_RELAXED);
  const int fd = zelVerifyPeerGet() != 0
                     ? curlClientReadOpen(url, kDownloadTimeoutSec, user, password, 0, 0, progress)
                     : curlClientReadOpenNotVerifyPeer(url, kDownloadTimeoutSec, user, password, 0, 0, progress);
  std::printf("<%s> %s  fd %d\n", "mtPostProcess", "mtPostDownloadStart", fd);
  if (fd < 0) {
    std::printf("%s : fd error .\n", "mtPostDownloadStart");
    return -1;
  }
  const int result = mtPostPacketFileUpdateProcess(fd, imageUpgradeType);
  ::close(fd);
  if (result != 0) {
    std::printf("%s : DOWNLODA_FAILED .\n", "mtPostDownloadStart");
    return -1;
  }
  return 0;
}

namespace {

// The download from the values of the user configuration file, which it
// leaves in the three pointers for the caller to free.
int ConfiguredDownload(int imageUpgradeType, char **url, char **user, char **password) {
  if (mtPostConfigLoad() == -1) {
    std::printf("__%s : Config Get Failed!\n", kAutoProcess);
    return mtPostNoConfigResult(imageUpgradeType);
  }
  mtPostConfigValuesGet(url, user, password);
  if (*url == nullptr) {
    std::printf("__%s : No Url !\n", kAutoProcess);
    return mtPostNoConfigResult(imageUpgradeType);
  }
  if (uParaUrlCheck(*url) == 0) {
    std::printf("__%s : Url is error !\n", kAutoProcess);
    mtPostCleanConfigValue();
    return mtPostNoConfigResult(imageUpgradeType);
  }
  if (imageUpgradeType == kBootTimeType && mtPostNmStart() == -1) return DOWNLODA_NONET;
  curlSerivceInit();
  return mtPostDownloadStart(*url, *user, *password, imageUpgradeType);
}

}  // namespace

int mtPostByCmDownload(const char *url, const char *user, const char *password, int imageUpgradeType) {
  if (url == nullptr) return DOWNLODA_NOTNEED;
  curlSerivceInit();
  return mtPostDownloadStart(url, user, password, imageUpgradeType);
}

}  // namespace postupgrade

using namespace postupgrade;

extern "C" {

POSTUPGRADE_EXPORT int mtPostAutoProcess(int imageUpgradeType) {
  char *url = nullptr;
  char *user = nullptr;
  char *password = nullptr;
  std::printf("__%s : Enter .\n", kAutoProcess);
  const int result = ConfiguredDownload(imageUpgradeType, &url, &user, &password);
  uFree(url);
  uFree(user);
  uFree(password);
  mtPostConfigFree();
  std::printf("__%s : ret <%d> !\n", kAutoProcess, result);
  return mtPostDownloadResultNotify(result);
}

POSTUPGRADE_EXPORT int mtPostAutoProcessByCm(const char *url, const char *user, const char *password,
                                             int imageUpgradeType) {
  if (mtPostNmStart() == -1) return -1;
  if (uParaUrlCheck(url) == 0) {
    std::printf("__%s : Url is error !\n", "mtPostAutoProcessByCm");
    mtPostCleanConfigValue();
    return mtPostDownloadResultNotify(DOWNLODA_NOURL);
  }
  return mtPostDownloadResultNotify(mtPostByCmDownload(url, user, password, imageUpgradeType));
}

POSTUPGRADE_EXPORT int mtPostDownloadResultNotify(int result) {
  constexpr const char *kName = "mtPostDownloadResultNotify";
  std::printf("%s : result %d .\n\n", kName, result);
  switch (result) {
    case DOWNLODA_FAILED:
    case DOWNLODA_NOURL:
    case DOWNLODA_NONET:
      baseUpgradeResultDiaplayFlagSet(0);
      baseUpgradeFlagSet(BASE_UPGRADE_FAILED);
      baseRecordUpgradeFailed();
      ateUpgradeCheck(0);
      baseUpgradeResultDiaplayCompleteCheck(kResultScreenPolls);
      std::printf("%s : DOWNLODA_FAILED !\n", kName);
      upgradeAfterProcessStart(std::printf, std::printf);
      break;
    case DOWNLODA_SUCCESS:
      // The restart belongs to the image writer or the host.
      std::printf("%s : DOWNLODA_SUCCESS Clean Config Value, Reboot !\n", kName);
      break;
    case DOWNLODA_NOTNEED:
      std::printf("%s : DOWNLODA_NOTNEED Start Pavo !\n", kName);
      upgradeAfterProcessStart(std::printf, std::printf);
      std::exit(0);
    default:
      break;
  }
  return 0;
}

}  // extern "C"
