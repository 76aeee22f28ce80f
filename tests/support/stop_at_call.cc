// The counted calls, defined here in front of the C library's (in the
// program, or preloaded), each passing on to the next definition after
// counting. Calls the C library makes inside itself (fopen's open) are not
// seen; the writers under test make theirs directly.
//
// The plain names are defined: without large-file redirection, which would
// turn open into open64 here (both are defined below).
#undef _FILE_OFFSET_BITS
#include "stop_at_call.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace testsupport {
namespace {

std::atomic<long> gStopAt{0};
std::atomic<long> gCounted{0};

void Count() {
  const long stopAt = gStopAt.load();
  if (stopAt <= 0) return;
  if (++gCounted == stopAt) std::raise(SIGKILL);
}

template <typename Function>
Function Next(const char *name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void StopAtCall(long n) {
  gCounted = 0;
  gStopAt = n;
}

long CallsCounted() { return gCounted.load(); }

}  // namespace testsupport

using testsupport::Count;
using testsupport::Next;

extern "C" {

// open's mode argument, there only when the flags create a file.
#define STOP_AT_CALL_MODE(flags, mode)                   \
  mode_t mode = 0;                                       \
  if (((flags) & (O_CREAT | O_TMPFILE)) != 0) {          \
    va_list arguments;                                   \
    va_start(arguments, flags);                          \
    mode = static_cast<mode_t>(va_arg(arguments, int));  \
    va_end(arguments);                                   \
  }

int open(const char *path, int flags, ...) {
  STOP_AT_CALL_MODE(flags, mode)
  Count();
  static const auto next = Next<int (*)(const char *, int, ...)>("open");
  return next(path, flags, mode);
}

int open64(const char *path, int flags, ...) {
  STOP_AT_CALL_MODE(flags, mode)
  Count();
  static const auto next = Next<int (*)(const char *, int, ...)>("open64");
  return next(path, flags, mode);
}

int mkstemp(char *pattern) {
  Count();
  static const auto next = Next<int (*)(char *)>("mkstemp");
  return next(pattern);
}

int mkstemp64(char *pattern) {
  Count();
  static const auto next = Next<int (*)(char *)>("mkstemp64");
  return next(pattern);
}

ssize_t write(int fd, const void *data, size_t size) {
  Count();
  static const auto next = Next<ssize_t (*)(int, const void *, size_t)>("write");
  return next(fd, data, size);
}

int fchmod(int fd, mode_t mode) {
  Count();
  static const auto next = Next<int (*)(int, mode_t)>("fchmod");
  return next(fd, mode);
}

int fchown(int fd, uid_t owner, gid_t group) {
  Count();
  static const auto next = Next<int (*)(int, uid_t, gid_t)>("fchown");
  return next(fd, owner, group);
}

int fsync(int fd) {
  Count();
  static const auto next = Next<int (*)(int)>("fsync");
  return next(fd);
}

int close(int fd) {
  Count();
  static const auto next = Next<int (*)(int)>("close");
  return next(fd);
}

int rename(const char *from, const char *to) {
  Count();
  static const auto next = Next<int (*)(const char *, const char *)>("rename");
  return next(from, to);
}

int unlink(const char *path) {
  Count();
  static const auto next = Next<int (*)(const char *)>("unlink");
  return next(path);
}

}  // extern "C"
