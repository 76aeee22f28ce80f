// Finding and stopping processes by name through the shell's ps, grep, wc
// and killall.
#include "export.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace postupgrade {
namespace {

constexpr int kCheckCommandSize = 150;
constexpr int kKillCommandSize = 128;
constexpr int kCountLineSize = 64;
constexpr int kKillAttempts = 5;
constexpr useconds_t kKillPauseUs = 100 * 1000;
constexpr char kWebUpgradeProcess[] = "ota-upgrade-cgi";
// Every name that passes the check fits in both commands.
static_assert(sizeof "ps -ef | grep  | grep -v grep | wc -l" + kProcessNameMax <= kCheckCommandSize);
static_assert(sizeof "killall -9 " + kProcessNameMax <= kKillCommandSize);

bool NameCharacterSafe(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
         c == '-';
}

}  // namespace

bool mtPostCommandFirstLine(const char *command, char *line, size_t size) {
  if (size == 0) return false;
  std::FILE *pipe = ::popen(command, "r");
  if (pipe == nullptr) return false;
  const int fd = ::fileno(pipe);
  size_t used = 0;
  bool readFailed = false;
  while (used + 1 < size) {
    const ssize_t got = ::read(fd, line + used, 1);
    if (got < 0 && errno == EINTR) continue;  // a signal of the host process
    if (got < 0) {
      readFailed = true;
      break;
    }
    if (got == 0 || line[used++] == '\n') break;
  }
  line[used] = '\0';
  ::pclose(pipe);
  return !readFailed;
}

bool mtPostProcessNameSafe(const char *name) {
  if (name == nullptr || name[0] == '\0') return false;
  const size_t length = std::strlen(name);
  if (length > kProcessNameMax) return false;
  for (size_t i = 0; i < length; ++i) {
    if (!NameCharacterSafe(name[i])) return false;
  }
  return true;
}

void mtPostProcessKill(const char *name) {
  // The name goes into a shell command: only a plain name may.
  if (!mtPostProcessNameSafe(name)) return;
  char command[kKillCommandSize] = {};
  std::snprintf(command, sizeof command, "killall -9 %s", name);
  for (int attempt = 0; attempt < kKillAttempts; ++attempt) {
    if (systemProcessCheck(name) != 1) return;
    (void)std::system(command);
    ::usleep(kKillPauseUs);
  }
}

}  // namespace postupgrade

extern "C" {

POSTUPGRADE_EXPORT int systemProcessCheck(const char *name) {
  // The name goes into a shell command: anything but a plain name could run
  // commands of its own, so it is refused.
  if (!postupgrade::mtPostProcessNameSafe(name)) return 0;
  char command[postupgrade::kCheckCommandSize] = {};
  std::snprintf(command, sizeof command, "ps -ef | grep %s | grep -v grep | wc -l", name);
  char line[postupgrade::kCountLineSize] = {};
  if (!postupgrade::mtPostCommandFirstLine(command, line, sizeof line)) return 0;
  return std::atoi(line) != 0 ? 1 : 0;
}

POSTUPGRADE_EXPORT int mtPostProcessCheckBeforeDownload(void) {
  postupgrade::mtPostProcessKill(postupgrade::kWebUpgradeProcess);
  return 0;
}

}  // extern "C"
