#include "inputDevice.h"

#include "board.h"
#include "libc.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <vector>

namespace board {
namespace {

// How often a blocking read looks at the queue again.
constexpr long kQueuePollNanoseconds = 1000000;

// An open queue file, locked against the feeding test and other readers.
class LockedQueue {
 public:
  explicit LockedQueue(const std::string &path) : fd_(libc::open()(path.c_str(), O_RDWR | O_CLOEXEC)) {
    if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) Close();
  }
  ~LockedQueue() { Close(); }
  LockedQueue(const LockedQueue &) = delete;
  LockedQueue &operator=(const LockedQueue &) = delete;

  int fd() const { return fd_; }

 private:
  void Close() {
    if (fd_ >= 0) libc::close()(fd_);  // also gives the lock back
    fd_ = -1;
  }
  int fd_;
};

bool ReadAllAt(int fd, void *data, size_t size, off_t offset) {
  auto *bytes = static_cast<char *>(data);
  while (size > 0) {
    const ssize_t got = pread(fd, bytes, size, offset);
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<size_t>(got);
    offset += got;
  }
  return true;
}

bool WriteAllAt(int fd, const void *data, size_t size, off_t offset) {
  const auto *bytes = static_cast<const char *>(data);
  while (size > 0) {
    const ssize_t put = pwrite(fd, bytes, size, offset);
    if (put <= 0) return false;
    bytes += put;
    size -= static_cast<size_t>(put);
    offset += put;
  }
  return true;
}

}  // namespace

InputDevice::InputDevice(const char *name)
    : Device(name), queue_path_(std::string(kStateDir) + "/input/" + name) {}

size_t InputDevice::Take(InputRecord *records, size_t max) const {
  LockedQueue queue(queue_path_);
  if (queue.fd() < 0) return 0;
  struct stat info {};
  if (fstat(queue.fd(), &info) != 0) return 0;
  const size_t queued = static_cast<size_t>(info.st_size) / sizeof(InputRecord);
  const size_t taken = queued < max ? queued : max;
  if (taken == 0 || !ReadAllAt(queue.fd(), records, taken * sizeof(InputRecord), 0)) return 0;
  // The records behind move to the front.
  std::vector<char> rest(static_cast<size_t>(info.st_size) - taken * sizeof(InputRecord));
  if (!rest.empty() && (!ReadAllAt(queue.fd(), rest.data(), rest.size(), taken * sizeof(InputRecord)) ||
                        !WriteAllAt(queue.fd(), rest.data(), rest.size(), 0))) {
    return 0;
  }
  if (ftruncate(queue.fd(), static_cast<off_t>(rest.size())) != 0) return 0;
  return taken;
}

Outcome InputDevice::Read(void *buffer, size_t size, bool nonblocking) {
  // The read's record is written when the read ends, after the records it
  // delivered.
  auto finish = [&](const Outcome &outcome) {
    Record(Name(), "read").Number("size", static_cast<long long>(size)).Result(outcome).Write();
    return outcome;
  };
  Outcome outcome = FaultOr("read");
  if (!outcome.ok()) return finish(outcome);
  if (size < sizeof(InputRecord)) return finish(Refused(EINVAL));

  std::vector<InputRecord> records(size / sizeof(InputRecord));
  size_t taken = Take(records.data(), records.size());
  while (taken == 0 && !nonblocking) {
    // Other threads of the process use the board while this one waits.
    std::mutex &lock = Board::Get().Lock();
    lock.unlock();
    const timespec pause{0, kQueuePollNanoseconds};
    libc::nanosleep()(&pause, nullptr);
    lock.lock();
    taken = Take(records.data(), records.size());
  }
  if (taken == 0) return finish(Refused(EAGAIN));
  for (size_t i = 0; i < taken; ++i) {
    Record(Name(), "event")
        .Number("type", records[i].type)
        .Number("code", records[i].code)
        .Number("value", records[i].value)
        .Write();
  }
  std::memcpy(buffer, records.data(), taken * sizeof(InputRecord));
  return finish(Done(static_cast<long>(taken * sizeof(InputRecord))));
}

}  // namespace board
