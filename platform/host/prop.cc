// Property library stand-in: the device identity answers what the test set
// through host/prop.h.
#include "host/prop.h"
#include "platform/prop.h"
#include "platform/runtime.h"
#include "stable_text.h"

#include <mutex>
#include <string>

namespace {

constexpr const char *kDefaultVersion = "0.0.0.0";

struct DeviceState {
  std::mutex mutex;
  std::string cteiCode;
  const char *version = kDefaultVersion;  // borrowed by callers: a stable text
};

DeviceState &State() {
  static DeviceState *state = new DeviceState;  // read by report threads until the end
  return *state;
}

}  // namespace

extern "C" {

int propCteiCodeGet(char *code, int size) {
  DeviceState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  return uStrSafeCopy(code, size, s.cteiCode.c_str());
}

const char *propGetSoftwareVersion(void) {
  DeviceState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.version;
}

void hostPropSetCteiCode(const char *code) {
  DeviceState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.cteiCode = code != nullptr ? code : "";
}

void hostPropSetSoftwareVersion(const char *version) {
  DeviceState &s = State();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.version = hoststub::StableText(version != nullptr ? version : kDefaultVersion);
}

}  // extern "C"
