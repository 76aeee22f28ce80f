// The C library functions through which programs reach the board's devices,
// replaced for every program on the board by preloading this library:
//   - open, fopen and their variants: a device node of the board attaches the
//     new descriptor to its emulated device; a path under /proc that the
//     board serves is opened from the board's state directory instead;
//   - ioctl, read, write and close on an attached descriptor go to the device;
//   - usleep, nanosleep and sleep are recorded once a device is in use, so
//     that a transcript shows the pauses between commands.
// Everything else goes straight to the C library.
#include "board.h"
#include "libc.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <string>
#include <string_view>

namespace {

using board::Board;
using board::Outcome;
using board::Record;

// Opens a path the board may know: the opener is the C library's call with
// the program's flags, applied to the path to open.
template <typename Opener>
int OpenOnBoard(const char *path, Opener &&opener) {
  if (path == nullptr) return opener(path);
  const std::string_view asked(path);
  Board &board = Board::Get();
  if (board::Device *device = board.DeviceAt(asked)) {
    std::lock_guard<std::mutex> hold(board.Lock());
    Record record(device->Name(), "open");
    if (const int error = board.Fault(device->Name(), "open")) {
      record.Error(error).Write();
      errno = error;
      return -1;
    }
    const int fd = opener(path);
    if (fd < 0) {
      const int error = errno;
      record.Error(error).Write();
      errno = error;
      return fd;
    }
    board.Attach(fd, device);
    record.Write();
    return fd;
  }
  const std::string served = board.ProcFileFor(asked);
  return opener(served.empty() ? path : served.c_str());
}

// Programs may pass what the C library's declarations say they must not.
bool IsAbsolute(const char *path) { return path != nullptr && path[0] == '/'; }

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

long Finish(const Outcome &outcome) {
  if (!outcome.ok()) errno = outcome.error;
  return outcome.result;
}

void RecordPause(long long microseconds) {
  Board &board = Board::Get();
  if (!board.DevicesInUse()) return;
  std::lock_guard<std::mutex> hold(board.Lock());
  Record("clock", "sleep").Number("usec", microseconds).Write();
}

}  // namespace

extern "C" {

#define BOARD_OPEN(name)                                                                   \
  int name(const char *path, int flags, ...) {                                             \
    va_list arguments;                                                                     \
    va_start(arguments, flags);                                                            \
    const mode_t mode = ModeArgument(flags, arguments);                                    \
    va_end(arguments);                                                                     \
    return OpenOnBoard(path, [&](const char *p) { return board::libc::name()(p, flags, mode); }); \
  }
BOARD_OPEN(open)
BOARD_OPEN(open64)
#undef BOARD_OPEN

#define BOARD_OPENAT(name)                                                                 \
  int name(int dir, const char *path, int flags, ...) {                                    \
    va_list arguments;                                                                     \
    va_start(arguments, flags);                                                            \
    const mode_t mode = ModeArgument(flags, arguments);                                    \
    va_end(arguments);                                                                     \
    if (!IsAbsolute(path)) return board::libc::name()(dir, path, flags, mode);                \
    return OpenOnBoard(path, [&](const char *p) { return board::libc::name()(dir, p, flags, mode); }); \
  }
BOARD_OPENAT(openat)
BOARD_OPENAT(openat64)
#undef BOARD_OPENAT

// The checked variants that _FORTIFY_SOURCE builds call.
int __open_2(const char *path, int flags) {
  return OpenOnBoard(path, [&](const char *p) { return board::libc::__open_2()(p, flags); });
}
int __open64_2(const char *path, int flags) {
  return OpenOnBoard(path, [&](const char *p) { return board::libc::__open64_2()(p, flags); });
}

// Streams: only the files served under /proc. A device opened as a stream is
// not emulated.
FILE *fopen(const char *path, const char *mode) {
  const std::string served = path != nullptr ? Board::Get().ProcFileFor(path) : std::string();
  return board::libc::fopen()(served.empty() ? path : served.c_str(), mode);
}
FILE *fopen64(const char *path, const char *mode) {
  const std::string served = path != nullptr ? Board::Get().ProcFileFor(path) : std::string();
  return board::libc::fopen64()(served.empty() ? path : served.c_str(), mode);
}

int close(int fd) {
  Board &board = Board::Get();
  if (board::Device *device = board.AttachedTo(fd)) {
    std::lock_guard<std::mutex> hold(board.Lock());
    board.Detach(fd);
    Record(device->Name(), "close").Write();
  }
  return board::libc::close()(fd);
}

int ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void *argument = va_arg(arguments, void *);
  va_end(arguments);
  Board &board = Board::Get();
  board::Device *device = board.AttachedTo(fd);
  if (device == nullptr) return board::libc::ioctl()(fd, request, argument);
  std::lock_guard<std::mutex> hold(board.Lock());
  return static_cast<int>(Finish(device->Ioctl(request, argument)));
}

ssize_t read(int fd, void *buffer, size_t size) {
  Board &board = Board::Get();
  board::Device *device = board.AttachedTo(fd);
  if (device == nullptr) return board::libc::read()(fd, buffer, size);
  const int flags = fcntl(fd, F_GETFL);
  const bool nonblocking = flags >= 0 && (flags & O_NONBLOCK) != 0;
  std::lock_guard<std::mutex> hold(board.Lock());
  return Finish(device->Read(buffer, size, nonblocking));
}

ssize_t write(int fd, const void *data, size_t size) {
  Board &board = Board::Get();
  board::Device *device = board.AttachedTo(fd);
  if (device == nullptr) return board::libc::write()(fd, data, size);
  std::lock_guard<std::mutex> hold(board.Lock());
  return Finish(device->Write(data, size));
}

int usleep(useconds_t microseconds) {
  RecordPause(microseconds);
  return board::libc::usleep()(microseconds);
}

int nanosleep(const struct timespec *duration, struct timespec *left) {
  if (duration != nullptr) {
    RecordPause(static_cast<long long>(duration->tv_sec) * 1000000 + duration->tv_nsec / 1000);
  }
  return board::libc::nanosleep()(duration, left);
}

unsigned sleep(unsigned seconds) {
  RecordPause(static_cast<long long>(seconds) * 1000000);
  return board::libc::sleep()(seconds);
}

}  // extern "C"
