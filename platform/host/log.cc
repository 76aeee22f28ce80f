// Log library stand-in: keeps every line for tests to read back and prints
// those at or above a threshold to standard error.
#include "host/log.h"
#include "module_calls.h"
#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

struct LogStore {
  std::mutex mutex;
  std::vector<hostLogLine> lines;
  int threshold = HOST_LOG_WARN;
};

LogStore &Store() {
  static LogStore *store = new LogStore;  // used until the very end of the process
  return *store;
}

constexpr const char *kLevelNames[] = {"ERROR", "WARN", "INFO", "DEBUG"};

void Record(int level, const char *module, const char *format, va_list args) {
  hostLogLine line{};
  line.level = level;
  std::snprintf(line.tag, sizeof line.tag, "%s", module != nullptr ? module : "");
  if (format != nullptr) std::vsnprintf(line.text, sizeof line.text, format, args);
  LogStore &store = Store();
  std::lock_guard<std::mutex> guard(store.mutex);
  store.lines.push_back(line);
  if (level <= store.threshold) std::fprintf(stderr, "%s %s: %s\n", kLevelNames[level], line.tag, line.text);
}

}  // namespace

extern "C" {

int logModuleInit(void) {
  hoststub::NoteModuleCall(hoststub::CallLine("logModuleInit", {}));
  return 0;
}

#define DEFINE_LOG_CALL(name, level)                          \
  void name(const char *module, const char *format, ...) {    \
    va_list args;                                             \
    va_start(args, format);                                   \
    Record(level, module, format, args);                      \
    va_end(args);                                             \
  }

DEFINE_LOG_CALL(tarvoPrintErrorLog, HOST_LOG_ERROR)
DEFINE_LOG_CALL(tarvoPrintWarnLog, HOST_LOG_WARN)
DEFINE_LOG_CALL(tarvoPrintInfoLog, HOST_LOG_INFO)
DEFINE_LOG_CALL(tarvoPrintDebugLog, HOST_LOG_DEBUG)

void hostLogSetThreshold(int level) {
  LogStore &store = Store();
  std::lock_guard<std::mutex> guard(store.mutex);
  store.threshold = level;
}

int hostLogCount(void) {
  LogStore &store = Store();
  std::lock_guard<std::mutex> guard(store.mutex);
  return static_cast<int>(store.lines.size());
}

int hostLogGet(int index, hostLogLine *line) {
  LogStore &store = Store();
  std::lock_guard<std::mutex> guard(store.mutex);
  if (line == nullptr || index < 0 || index >= static_cast<int>(store.lines.size())) return -1;
  *line = store.lines[static_cast<size_t>(index)];
  return 0;
}

void hostLogClear(void) {
  LogStore &store = Store();
  std::lock_guard<std::mutex> guard(store.mutex);
  store.lines.clear();
}

}  // extern "C"
