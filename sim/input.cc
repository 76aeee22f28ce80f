#include "board/input.h"

#include "board/sandbox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

namespace board {
namespace {

std::string QueuePath(std::string_view node) {
  return std::string(kStateDir) + "/input/" + std::string(node);
}

// The queue file, open and locked: the device layer takes records under the
// same lock.
class LockedQueue {
 public:
  LockedQueue(std::string_view node, int flags) {
    mkdir((std::string(kStateDir) + "/input").c_str(), 0755);
    fd_ = open(QueuePath(node).c_str(), flags | O_CLOEXEC, 0644);
    if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~LockedQueue() {
    if (fd_ >= 0) close(fd_);
  }
  LockedQueue(const LockedQueue &) = delete;
  LockedQueue &operator=(const LockedQueue &) = delete;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace

InputEvent KeyEvent(uint16_t code, int32_t value) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return {static_cast<int32_t>(now.tv_sec), static_cast<int32_t>(now.tv_nsec / 1000), kEventKey, code, value};
}

bool FeedInputEvents(std::string_view node, const std::vector<InputEvent> &events) {
  LockedQueue queue(node, O_WRONLY | O_CREAT | O_APPEND);
  if (queue.fd() < 0) return false;
  const auto *bytes = reinterpret_cast<const char *>(events.data());
  size_t left = events.size() * sizeof(InputEvent);
  while (left > 0) {
    const ssize_t put = write(queue.fd(), bytes, left);
    if (put <= 0) return false;
    bytes += put;
    left -= static_cast<size_t>(put);
  }
  return true;
}

bool PressKey(std::string_view node, uint16_t code) {
  return FeedInputEvents(node, {KeyEvent(code, kKeyPressed), KeyEvent(code, kKeyReleased)});
}

std::vector<InputEvent> PendingInputEvents(std::string_view node) {
  std::vector<InputEvent> events;
  LockedQueue queue(node, O_RDONLY | O_CREAT);
  if (queue.fd() < 0) return events;
  InputEvent event;
  while (read(queue.fd(), &event, sizeof event) == static_cast<ssize_t>(sizeof event)) events.push_back(event);
  return events;
}

void ClearInputEvents(std::string_view node) {
  LockedQueue queue(node, O_WRONLY | O_CREAT);
  if (queue.fd() >= 0) (void)ftruncate(queue.fd(), 0);
}

}  // namespace board
