// Device info report: builds the report URL from the device's identity and
// network state, sends it, and keeps the report going on timers.
//
// Work arrives on the event service's thread (network connected), the timer
// service's thread (report timers), the configuration library's thread
// (server address changed) and any caller's. Two locks guard the module
// state: the configuration lock the server address, the report lock the
// timer and the two counters. They are never held together, and neither is
// held while the HTTP request runs: its result callback takes the report
// lock, possibly on another thread while the request call waits.
#include "infoReport.h"

#include "platform/config.h"
#include "platform/http.h"
#include "platform/log.h"
#include "platform/nm.h"
#include "platform/prop.h"
#include "platform/runtime.h"
#include "platform/tm.h"

#include <arpa/inet.h>

#include <atomic>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

#define INFO_REPORT_EXPORT extern "C" __attribute__((visibility("default")))

// The records this plug-in hands to the platform libraries keep the layout
// of the 32-bit target.
#if UINTPTR_MAX == 0xFFFFFFFFu
#include <cstddef>
static_assert(sizeof(curlClientRequest) == 80);
static_assert(offsetof(curlClientRequest, url) == 0 && offsetof(curlClientRequest, connectTimeout) == 8 &&
              offsetof(curlClientRequest, timeout) == 12 && offsetof(curlClientRequest, resultFunc) == 56 &&
              offsetof(curlClientRequest, method) == 60);
static_assert(sizeof(moduleAliasInfo) == 64 && offsetof(moduleAliasInfo, alias) == 32);
static_assert(sizeof(moduleConfigItem) == 32 && offsetof(moduleConfigItem, value) == 4 &&
              offsetof(moduleConfigItem, type) == 8 && offsetof(moduleConfigItem, maxLength) == 12 &&
              offsetof(moduleConfigItem, access) == 16);
static_assert(sizeof(moduleConfigHook) == 32 && offsetof(moduleConfigHook, checkFunc) == 8 &&
              offsetof(moduleConfigHook, prepareFunc) == 12 && offsetof(moduleConfigHook, applyFunc) == 16);
static_assert(sizeof(moduleConfigInfo) == 144);
static_assert(offsetof(moduleConfigInfo, group) == 32 && offsetof(moduleConfigInfo, items) == 64 &&
              offsetof(moduleConfigInfo, itemCount) == 68 && offsetof(moduleConfigInfo, tag) == 72 &&
              offsetof(moduleConfigInfo, data) == 88 && offsetof(moduleConfigInfo, dataSize) == 92 &&
              offsetof(moduleConfigInfo, enabled) == 96 && offsetof(moduleConfigInfo, hooks) == 100 &&
              offsetof(moduleConfigInfo, hookCount) == 104 && offsetof(moduleConfigInfo, flags) == 108 &&
              offsetof(moduleConfigInfo, resetFunc) == 112 && offsetof(moduleConfigInfo, lockFunc) == 124 &&
              offsetof(moduleConfigInfo, unlockFunc) == 128 && offsetof(moduleConfigInfo, copyFunc) == 132 &&
              offsetof(moduleConfigInfo, copyFreeFunc) == 136);
#endif

namespace {

constexpr const char *kLogTag = "tarvo.InfoReport.main";
constexpr const char *kNetConnectedEvent = "NM_EVENT_NET_CONNECTED";

// Buffer sizes of the report's values.
constexpr int kUrlSize = INFO_REPORT_URL_SIZE;
constexpr int kCteiPrefixSize = 16;
constexpr int kIpSize = 48;
constexpr size_t kCteiMacOffset = 9;  // the CTEI number is the MAC text from here on: its last three groups

// Timers, in seconds, and how often they may repeat.
constexpr int kDailySec = 86400;
constexpr int kRetrySec = 1800;
constexpr int kPostponeSec = 3;
constexpr int kMaxRetries = 3;          // failed reports retried after kRetrySec, then daily
constexpr int kMaxUpperMacWaits = 5;    // postponements for an unknown upstream MAC, then sent without it

// The request: connection and transfer time limits, in seconds.
constexpr int kConnectTimeoutSec = 10;
constexpr int kTransferTimeoutSec = 20;
constexpr int kHttpOk = 200;

// The report URL: server address (ending in "/"), then the JSON text.
constexpr char kReportUrlFormat[] =
    "%s?jsonstr{\"VER\":\"01\",\"CTEI\":\"%s%07d\",\"MAC\":\"%s\", \"IP\":\"%s\",\"UPLINKMAC\":\"%s\","
    "\"LINK\":\"%d\",\"FWVER\":\"%s\",\"DATE\":\"%d-%02d-%02d %02d:%02d:%02d\"}";

// ---- Module state ----------------------------------------------------------

// The configured server address, stored and replaced by the configuration
// library through the registration below. Guarded by gCfgSem.
char *gServerUrl = nullptr;
std::atomic<uSemId> gCfgSem{nullptr};

// Guards the three fields after it.
std::atomic<uSemId> gReportSem{nullptr};
int gReportTimerId = 0;      // the pending report timer, 0 when none
int gReportRetryTimes = 0;   // consecutive failed report responses
int gGetUrlRetryTimes = 0;   // consecutive postponements

bool gCfgRegistered = false;  // set by the host's start-up thread
bool gNetSubscribed = false;

// Holds a lock for a scope; a semaphore that does not exist (before
// start-up, after infoReportUninit) is skipped.
class SemHold {
 public:
  explicit SemHold(const std::atomic<uSemId> &sem) : sem_(sem.load()) {
    if (sem_ != nullptr && semTake(sem_, U_WAIT_FOREVER) != 0) sem_ = nullptr;
  }
  ~SemHold() {
    if (sem_ != nullptr) semGive(sem_);
  }
  SemHold(const SemHold &) = delete;
  SemHold &operator=(const SemHold &) = delete;

 private:
  uSemId sem_;
};

// ---- Report timer (all with gReportSem held) -------------------------------

void infoReportTimerExpired(void *arg);

void CancelReportTimerLocked() {
  if (gReportTimerId != 0) {
    uTimerDel(gReportTimerId);
    gReportTimerId = 0;
  }
}

// Arms the one report timer. A timer still pending is cancelled first, so
// that runs overlapping on different threads never leave a timer that
// nothing can cancel.
void ArmReportTimerLocked(int seconds) {
  CancelReportTimerLocked();
  int id = uTimerAddSec(infoReportTimerExpired, nullptr, seconds);
  gReportTimerId = id > 0 ? id : 0;
}

// ---- Report URL ------------------------------------------------------------

// The CTEI number: the MAC text from its tenth character on, colons removed,
// read as a hexadecimal number (so 0 to 16777215 for the usual form). A text
// too long for an int gives the largest int.
int CteiNumber(const char (&mac)[NM_MAC_TEXT_SIZE]) {
  char digits[NM_MAC_TEXT_SIZE] = {};
  uStrSafeCopy(digits, sizeof digits, mac + kCteiMacOffset);
  uStrReplaceKey(digits, sizeof digits, ":", "");
  std::string_view text(digits);
  unsigned long long value = 0;  // at most 14 hexadecimal digits fit the buffer
  std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return value > static_cast<unsigned long long>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// Builds the encoded report URL into url (kUrlSize bytes, zeroed by the
// caller), or leaves it empty when no report may go out now; a postponed
// report arms the 3-second timer.
void infoReportUrlGet(char (&url)[kUrlSize], const std::tm &local) {
  char cteiPrefix[kCteiPrefixSize] = {};
  char server[kUrlSize] = {};
  char mac[NM_MAC_TEXT_SIZE] = {};
  char upperMac[NM_MAC_TEXT_SIZE] = {};
  char ip[kIpSize] = {};

  propCteiCodeGet(cteiPrefix, sizeof cteiPrefix);
  if (cteiPrefix[0] == '\0') {
    tarvoPrintDebugLog(kLogTag, "%s: cteiPrefix is NULL", __func__);
    return;
  }
  infoReportServerGet(server, sizeof server);
  if (server[0] == '\0') return;
  if (uStrTailCmp(server, "/") != 0) uStrSafeCat(server, sizeof server, "/");

  in_addr activeIp = nmGetActiveIp(0);
  inet_ntop(AF_INET, &activeIp, ip, sizeof ip);
  nmGetMacAddress(mac, 0);
  int cteiNumber = CteiNumber(mac);
  int networkType = nmGetActiveNetworkType();
  const char *nic = networkType == NM_NETWORK_WIRED ? nmDevNicFullNameGet() : nmDevWifiNicFullNameGet();
  networkUtilsGetUpperMac(nic, upperMac, sizeof upperMac);

  {
    SemHold hold(gReportSem);
    // The upstream MAC is worth waiting for a little; the clock always.
    bool ready = (upperMac[0] != '\0' || gGetUrlRetryTimes >= kMaxUpperMacWaits) && tmSntpClientStatusGet() != 0;
    if (!ready) {
      tarvoPrintDebugLog(kLogTag, "%s: upperMac is NULL;gGetUrlRetryTimes:%d", __func__, gGetUrlRetryTimes);
      ++gGetUrlRetryTimes;
      ArmReportTimerLocked(kPostponeSec);
      return;
    }
    gGetUrlRetryTimes = 0;
  }

  const char *firmware = propGetSoftwareVersion();
  int link = networkType == NM_NETWORK_WIFI ? 1 : 2;
  // A text longer than the buffer is cut at kUrlSize - 1 characters.
  int length = std::snprintf(url, sizeof url, kReportUrlFormat, server, cteiPrefix, cteiNumber, mac, ip, upperMac, link,
                firmware != nullptr ? firmware : "", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  if (length < 0) {
    url[0] = '\0';
    return;
  }
  uStrUrlEncode(url, sizeof url, 0);
}

// ---- Callbacks -------------------------------------------------------------

// The HTTP result: 200 waits a day for the next report, a failure 30
// minutes, kMaxRetries times in a row, then a day.
void infoReportUrlResultNotify(const curlClientRequest * /*request*/, int rspCode) {
  SemHold hold(gReportSem);
  tarvoPrintDebugLog(kLogTag, "%s: rspCode:%d", __func__, rspCode);
  if (rspCode == kHttpOk) {
    ArmReportTimerLocked(kDailySec);
    gReportRetryTimes = 0;
    return;
  }
  tarvoPrintDebugLog(kLogTag, "%s: retryTimes:%d", __func__, gReportRetryTimes);
  if (gReportRetryTimes >= kMaxRetries) {
    ArmReportTimerLocked(kDailySec);
    gReportRetryTimes = 0;
  } else {
    ArmReportTimerLocked(kRetrySec);
    ++gReportRetryTimes;
  }
}

void infoReportTimerExpired(void * /*arg*/) { infoReportProcess(); }

int infoReportNetConnected(const char * /*event*/, void * /*data*/, void * /*arg*/) {
  infoReportProcess();
  return 0;
}

// ---- Configuration module --------------------------------------------------

int infoReportCfgNop(void) { return 0; }

int infoReportCfgApply(void) {
  infoReportProcess();
  return 0;
}

void infoReportCfgLock(void) {
  if (uSemId sem = gCfgSem.load()) semTake(sem, U_WAIT_FOREVER);
}

void infoReportCfgUnlock(void) {
  if (uSemId sem = gCfgSem.load()) semGive(sem);
}

// The configuration library owns the string it stored; it frees it itself.
void infoReportCfgReset(void) { gServerUrl = nullptr; }

// A copy of the data block: a block holding a copy of the server address.
void *infoReportCfgCopy(void) {
  auto *block = static_cast<char **>(uMalloc(sizeof gServerUrl));
  if (block != nullptr) *block = uStrGetCopy(gServerUrl);
  return block;
}

void infoReportCfgCopyFree(void *copy) {
  if (copy == nullptr) return;
  auto *block = static_cast<char **>(copy);
  uFree(*block);
  uFree(block);
}

const int gCfgEnabled = 1;

const moduleConfigItem kCfgItems[] = {
    {INFO_REPORT_SERVER_KEY, &gServerUrl, CONFIG_ITEM_TYPE_STRING, kUrlSize, CONFIG_ITEM_ACCESS_READ_WRITE, {}},
};

const moduleConfigHook kCfgHooks[] = {
    {nullptr, 0, infoReportCfgNop, infoReportCfgNop, infoReportCfgApply, {}},
};

const moduleAliasInfo kCfgAlias = {INFO_REPORT_CONFIG_MODULE, INFO_REPORT_CONFIG_ALIAS};

const moduleConfigInfo kCfgModule = {
    .name = INFO_REPORT_CONFIG_MODULE,
    .group = "",
    .items = kCfgItems,
    .itemCount = 1,
    .tag = "",
    .data = &gServerUrl,
    .dataSize = sizeof gServerUrl,
    .enabled = &gCfgEnabled,
    .hooks = kCfgHooks,
    .hookCount = 1,
    .flags = 0,
    .resetFunc = infoReportCfgReset,
    .reserved0 = nullptr,
    .reserved1 = nullptr,
    .lockFunc = infoReportCfgLock,
    .unlockFunc = infoReportCfgUnlock,
    .copyFunc = infoReportCfgCopy,
    .copyFreeFunc = infoReportCfgCopyFree,
    .reserved2 = nullptr,
};

}  // namespace

// ---- Exported functions ----------------------------------------------------

INFO_REPORT_EXPORT int infoReportCfgInit(void) {
  if (gCfgSem.load() == nullptr) gCfgSem.store(semMCreate(0));
  if (gCfgRegistered) return 0;
  addModuleAlias(&kCfgAlias);
  int result = moduleConfigRegister(&kCfgModule);
  gCfgRegistered = result == 0;
  return result;
}

INFO_REPORT_EXPORT int infoReportInit(void) {
  infoReportCfgInit();
  if (gReportSem.load() == nullptr) gReportSem.store(semMCreate(0));
  if (gNetSubscribed) return 0;
  int result = uEventCare(kNetConnectedEvent, infoReportNetConnected, nullptr);
  gNetSubscribed = result == 0;
  return result;
}

INFO_REPORT_EXPORT int infoReportUninit(void) {
  uSemId sem = gReportSem.load();
  if (sem != nullptr) semTake(sem, U_WAIT_FOREVER);
  CancelReportTimerLocked();
  gReportSem.store(nullptr);
  if (sem != nullptr) {
    semGive(sem);
    semDelete(sem);
  }
  return 0;
}

INFO_REPORT_EXPORT void infoReportServerGet(char *server, int size) {
  if (server == nullptr) return;
  SemHold hold(gCfgSem);
  uStrSafeCopy(server, size, gServerUrl);
}

INFO_REPORT_EXPORT void infoReportProcess(void) {
  char url[kUrlSize] = {};
  {
    SemHold hold(gReportSem);
    CancelReportTimerLocked();  // a run always replaces the pending report timer
  }

  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return;

  infoReportUrlGet(url, local);
  if (url[0] == '\0') return;

  tarvoPrintDebugLog(kLogTag, "%s: url:%s", __func__, url);
  curlClientRequest request;
  std::memset(&request, 0, sizeof request);
  request.url = url;
  request.connectTimeout = kConnectTimeoutSec;
  request.timeout = kTransferTimeoutSec;
  request.resultFunc = infoReportUrlResultNotify;
  request.method = CURL_CLIENT_METHOD_GET;
  curlClientProcess(&request);
  tarvoPrintDebugLog(kLogTag, "%s: end", __func__);
}
