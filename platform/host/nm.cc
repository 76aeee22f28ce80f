// Network manager stand-in: every getter answers what the test set through
// host/nm.h.
#include "host/event.h"
#include "host/nm.h"
#include "module_calls.h"
#include "platform/nm.h"
#include "platform/runtime.h"
#include "stable_text.h"

#include <arpa/inet.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr const char *kWiredName = "eth0";
constexpr const char *kWifiName = "wlan0";
constexpr const char *kConnectedEvent = "NM_EVENT_NET_CONNECTED";

struct NetworkState {
  std::mutex mutex;
  int type = NM_NETWORK_WIRED;
  in_addr ip{};
  std::string mac;
  // Handed out as borrowed texts that stay valid after the test changes them.
  const char *wiredName = kWiredName;
  const char *wifiName = kWifiName;
  std::map<std::string, std::string> upperMacs;  // by interface name
  int connectDelayMs = 0;  // negative: the network never comes up
};

NetworkState &State() {
  static NetworkState *state = new NetworkState;  // read by report threads until the end
  return *state;
}

}  // namespace

extern "C" {

int nmModuleInit(void) {
  hoststub::NoteModuleCall(hoststub::CallLine("nmModuleInit", {}));
  int delayMs;
  {
    NetworkState &s = State();
    std::lock_guard<std::mutex> guard(s.mutex);
    delayMs = s.connectDelayMs;
  }
  if (delayMs < 0) return 0;
  if (delayMs == 0) {
    hostEventPublish(kConnectedEvent, nullptr);
  } else {
    std::thread([delayMs] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      hostEventPublish(kConnectedEvent, nullptr);
    }).detach();
  }
  return 0;
}

int nmGetActiveNetworkType(void) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.type;
}

struct in_addr nmGetActiveIp(int /*index*/) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.ip;
}

int nmGetMacAddress(char *mac, int /*index*/) {
  if (mac == nullptr) return -1;
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  uStrSafeCopy(mac, NM_MAC_TEXT_SIZE, s.mac.c_str());
  return 0;
}

const char *nmDevNicFullNameGet(void) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.wiredName;
}

const char *nmDevWifiNicFullNameGet(void) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.wifiName;
}

int networkUtilsGetUpperMac(const char *interfaceName, char *mac, int size) {
  if (mac == nullptr || size < 1) return -1;
  mac[0] = '\0';
  if (interfaceName == nullptr) return -1;
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.upperMacs.find(interfaceName);
  if (it == s.upperMacs.end()) return -1;
  uStrSafeCopy(mac, size, it->second.c_str());
  return 0;
}

void hostNmSetNetworkType(int type) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.type = type;
}

void hostNmSetIp(const char *ip) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.ip = in_addr{};
  if (ip != nullptr) inet_pton(AF_INET, ip, &s.ip);
}

void hostNmSetMac(const char *mac) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.mac = mac != nullptr ? mac : "";
}

void hostNmSetNicNames(const char *wired, const char *wifi) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.wiredName = hoststub::StableText(wired != nullptr ? wired : kWiredName);
  s.wifiName = hoststub::StableText(wifi != nullptr ? wifi : kWifiName);
}

void hostNmSetUpperMac(const char *interfaceName, const char *mac) {
  if (interfaceName == nullptr) return;
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (mac == nullptr || mac[0] == '\0') {
    s.upperMacs.erase(interfaceName);
  } else {
    s.upperMacs[interfaceName] = mac;
  }
}

void hostNmSetConnectDelay(int milliseconds) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.connectDelayMs = milliseconds;
}

void hostNmReset(void) {
  NetworkState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.type = NM_NETWORK_WIRED;
  s.ip = in_addr{};
  s.mac.clear();
  s.wiredName = kWiredName;
  s.wifiName = kWifiName;
  s.upperMacs.clear();
  s.connectDelayMs = 0;
}

}  // extern "C"
