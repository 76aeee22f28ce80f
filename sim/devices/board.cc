#include "board.h"

#include "libc.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>

namespace board {
namespace {

constexpr std::string_view kProcPrefix = "/proc/";

// Reads a small file whole, through the C library's own functions.
std::string ReadSmallFile(const char *path) {
  std::string content;
  const int fd = libc::open()(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return content;
  char chunk[512];
  ssize_t got;
  while ((got = libc::read()(fd, chunk, sizeof chunk)) > 0) content.append(chunk, got);
  libc::close()(fd);
  return content;
}

}  // namespace

Board &Board::Get() {
  // Never destroyed: programs still call in while their own static objects go.
  alignas(Board) static unsigned char storage[sizeof(Board)];
  static Board *const board = new (storage) Board;
  return *board;
}

Board::Board() : spi_(gpio_) {
  // A fork while another thread holds the lock must not leave the child with
  // a lock that nobody will give back.
  pthread_atfork([] { Get().lock_.lock(); }, [] { Get().lock_.unlock(); },
                 [] { Get().lock_.unlock(); });
}

Device *Board::DeviceAt(std::string_view path) {
  // The phone's device nodes. A board fixture provides the node files; a node
  // that is missing is a device the board does not have.
  const struct {
    std::string_view path;
    Device *device;
  } nodes[] = {
      {"/dev/user-gpio", &gpio_},
      {"/dev/spidev32766.0", &spi_},
      {"/dev/input/event0", &keypad_},
  };
  for (const auto &node : nodes) {
    if (node.path == path) return node.device;
  }
  return nullptr;
}

void Board::Attach(int fd, Device *device) {
  if (fd < 0 || fd >= kMaxDescriptors) return;
  attached_[fd].store(device, std::memory_order_release);
  in_use_.store(true, std::memory_order_relaxed);
}

Device *Board::AttachedTo(int fd) const {
  if (fd < 0 || fd >= kMaxDescriptors) return nullptr;
  return attached_[fd].load(std::memory_order_acquire);
}

void Board::Detach(int fd) {
  if (fd >= 0 && fd < kMaxDescriptors) attached_[fd].store(nullptr, std::memory_order_release);
}

std::string Board::ProcFileFor(std::string_view path) const {
  if (path.substr(0, kProcPrefix.size()) != kProcPrefix) return {};
  const std::string_view name = path.substr(kProcPrefix.size());
  if (name.empty() || name.find('/') != std::string_view::npos || name.find("..") != std::string_view::npos) {
    return {};
  }
  std::string served = std::string(kStateDir) + "/proc/";
  served.append(name);
  return access(served.c_str(), F_OK) == 0 ? served : std::string();
}

int Board::Fault(std::string_view device, std::string_view event) {
  ReloadFaults();
  for (const auto &fault : faults_) {
    if (fault.device == device && fault.event == event) return fault.error;
  }
  return 0;
}

void Board::ReloadFaults() {
  const std::string path = std::string(kStateDir) + "/faults";
  struct stat info {};
  FileStamp stamp;
  if (stat(path.c_str(), &info) == 0) {
    stamp = {info.st_dev, info.st_ino, info.st_size,
             static_cast<long long>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
  }
  if (stamp == faults_stamp_) return;
  faults_stamp_ = stamp;
  faults_.clear();
  const std::string content = ReadSmallFile(path.c_str());
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + start, end - start);
    start = end + 1;
    std::string_view words[3];
    int count = 0;
    while (!line.empty() && count < 3) {
      const size_t blank = line.find(' ');
      std::string_view word = line.substr(0, blank);
      if (!word.empty()) words[count++] = word;
      line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    }
    if (count == 3 && ErrorFromName(words[2]) != 0) {
      faults_.push_back({std::string(words[0]), std::string(words[1]), ErrorFromName(words[2])});
    }
  }
}

}  // namespace board
