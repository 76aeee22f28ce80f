// Starting the platform modules and waiting for the network.
#include "mtPostInternal.h"

#include "platform/cert.h"
#include "platform/config.h"
#include "platform/dm.h"
#include "platform/log.h"
#include "platform/nm.h"
#include "platform/runtime.h"
#include "platform/sdev.h"
#include "platform/tm.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace postupgrade {
namespace {

// The sdev service's path mappings, registered in this order: a directory
// mapping, or (with a suffix) where files of that kind are kept.
struct SdevMapping {
  const char *path;
  const char *suffix;  // null: sdevFsRegister
  const char *dir;
};
constexpr SdevMapping kSdevMappings[] = {
    {"/", nullptr, "./"},
    {"/etc/tmp", nullptr, "/tmp/etc"},
    {"/etc", nullptr, "/mnt/userdata/etc"},
    {"/etc", ".txt", "/mnt/userdata/etc"},
    {"/cfg", nullptr, "/mnt/userdata"},
    {"/cfg", ".txt", "/mnt/userdata"},
};

constexpr char kConnectedEvent[] = "NM_EVENT_NET_CONNECTED";
constexpr char kPermissionFile[] = "/tmp/permission.pem";
constexpr int kConnectPolls = 100;
constexpr useconds_t kConnectPollUs = 100 * 1000;
constexpr useconds_t kConnectedSettleUs = 200 * 1000;

// Set by the connected event on the event service's thread, never reset.
std::atomic<int> gNetConnected{0};

}  // namespace

int mtPostNetConnectedCallback(const char * /*event*/, void * /*data*/, void * /*arg*/) {
  gNetConnected.store(1);
  return 0;
}

void mtPostSdevRegister() {
  storageModuleInit();
  for (const SdevMapping &m : kSdevMappings) {
    if (m.suffix == nullptr) {
      sdevFsRegister(m.path, m.dir);
    } else {
      sdevFsFilePathSet(m.path, m.suffix, m.dir);
    }
  }
  sdevCmdRegister();
}

int mtPostNmStart() {
  std::printf("__%s : mtPostNmStart !\n", "mtPostNmStart");
  mtPostSdevRegister();
  logModuleInit();
  uEventInit();
  configModuleInit();
  dmEthLinkNotifyProcess(0);
  // Subscribed after the event service runs and before the network manager
  // can raise the event.
  uEventCare(kConnectedEvent, mtPostNetConnectedCallback, nullptr);
  nmModuleInit();
  tmModuleInit();
  certManagerInit(kPermissionFile);

  for (int polls = 0; gNetConnected.load() != 1; ++polls) {
    if (polls == kConnectPolls) return -1;
    ::usleep(kConnectPollUs);
  }
  ::usleep(kConnectedSettleUs);
  return 0;
}

}  // namespace postupgrade
