// Stand-ins of the platform modules that only need starting (storage, sdev,
// configuration, device manager, time, certificate manager) and of the
// factory test support: they do nothing but record their calls, which
// host/modules.h reads back together with the calls of the log library, the
// event service and the network manager.
#include "host/modules.h"
#include "module_calls.h"
#include "platform/ate.h"
#include "platform/cert.h"
#include "platform/config.h"
#include "platform/dm.h"
#include "platform/runtime.h"
#include "platform/sdev.h"
#include "platform/tm.h"

#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace hoststub {
namespace {

struct CallRecord {
  std::mutex mutex;
  std::vector<std::string> lines;
};

CallRecord &Record() {
  static CallRecord *record = new CallRecord;  // written by every thread until the end
  return *record;
}

}  // namespace

void NoteModuleCall(std::string line) {
  CallRecord &record = Record();
  std::lock_guard<std::mutex> guard(record.mutex);
  record.lines.push_back(std::move(line));
}

std::string Quoted(const char *text) {
  if (text == nullptr) return "null";
  std::string quoted(1, '"');
  quoted.append(text).push_back('"');
  return quoted;
}

std::string CallLine(const char *name, std::initializer_list<std::string> arguments) {
  std::string line(name);
  line.push_back('(');
  const char *separator = "";
  for (const std::string &argument : arguments) {
    line.append(separator).append(argument);
    separator = ", ";
  }
  line.push_back(')');
  return line;
}

}  // namespace hoststub

using hoststub::NoteModuleCall;
using hoststub::CallLine;
using hoststub::Quoted;

extern "C" {

int storageModuleInit(void) {
  NoteModuleCall(CallLine("storageModuleInit", {}));
  return 0;
}

int sdevFsRegister(const char *path, const char *dir) {
  NoteModuleCall(CallLine("sdevFsRegister", {Quoted(path), Quoted(dir)}));
  return path != nullptr && dir != nullptr ? 0 : -1;
}

int sdevFsFilePathSet(const char *path, const char *suffix, const char *dir) {
  NoteModuleCall(CallLine("sdevFsFilePathSet", {Quoted(path), Quoted(suffix), Quoted(dir)}));
  return path != nullptr && suffix != nullptr && dir != nullptr ? 0 : -1;
}

int sdevCmdRegister(void) {
  NoteModuleCall(CallLine("sdevCmdRegister", {}));
  return 0;
}

int configModuleInit(void) {
  NoteModuleCall(CallLine("configModuleInit", {}));
  return 0;
}

int dmEthLinkNotifyProcess(int mode) {
  NoteModuleCall(CallLine("dmEthLinkNotifyProcess", {std::to_string(mode)}));
  return 0;
}

int tmModuleInit(void) {
  NoteModuleCall(CallLine("tmModuleInit", {}));
  return 0;
}

int certManagerInit(const char *permissionFile) {
  NoteModuleCall(CallLine("certManagerInit", {Quoted(permissionFile)}));
  return permissionFile != nullptr ? 0 : -1;
}

int ateUpgradeCheck(int mode) {
  NoteModuleCall(CallLine("ateUpgradeCheck", {std::to_string(mode)}));
  return 0;
}

int hostModuleCallCount(void) {
  hoststub::CallRecord &record = hoststub::Record();
  std::lock_guard<std::mutex> guard(record.mutex);
  return static_cast<int>(record.lines.size());
}

int hostModuleCallGet(int index, char *line, int size) {
  if (line == nullptr || size < 1) return -1;
  hoststub::CallRecord &record = hoststub::Record();
  std::lock_guard<std::mutex> guard(record.mutex);
  if (index < 0 || index >= static_cast<int>(record.lines.size())) return -1;
  uStrSafeCopy(line, size, record.lines[static_cast<size_t>(index)].c_str());
  return 0;
}

void hostModuleCallsClear(void) {
  hoststub::CallRecord &record = hoststub::Record();
  std::lock_guard<std::mutex> guard(record.mutex);
  record.lines.clear();
}

}  // extern "C"
