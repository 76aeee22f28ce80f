#include "device.h"

#include "board.h"
#include "libc.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <ctime>

namespace board {
namespace {

constexpr struct {
  int error;
  std::string_view name;
} kErrorNames[] = {
    {EPERM, "EPERM"},   {ENOENT, "ENOENT"},   {EIO, "EIO"},       {ENXIO, "ENXIO"},
    {EBADF, "EBADF"},   {EAGAIN, "EAGAIN"},   {ENOMEM, "ENOMEM"}, {EACCES, "EACCES"},
    {EFAULT, "EFAULT"}, {EBUSY, "EBUSY"},     {ENODEV, "ENODEV"}, {EINVAL, "EINVAL"},
    {ENOTTY, "ENOTTY"}, {ENOSPC, "ENOSPC"},   {ENOSYS, "ENOSYS"}, {EMSGSIZE, "EMSGSIZE"},
    {ETIMEDOUT, "ETIMEDOUT"},
};

long long MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// The transcript descriptor, opened once per process and shared by its
// children after a fork (O_APPEND keeps each line whole and in order).
int TranscriptDescriptor() {
  static const int fd = libc::open()("/run/board/devices.log",
                                     O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  return fd;
}

}  // namespace

std::string_view ErrorName(int error) {
  for (const auto &entry : kErrorNames) {
    if (entry.error == error) return entry.name;
  }
  return "E?";
}

int ErrorFromName(std::string_view name) {
  for (const auto &entry : kErrorNames) {
    if (entry.name == name) return entry.error;
  }
  int number = 0;
  auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
  return ec == std::errc() && end == name.data() + name.size() ? number : 0;
}

Record::Record(std::string_view device, std::string_view event) {
  char prefix[80];
  std::snprintf(prefix, sizeof prefix, "%lld %d %ld ", MonotonicMicroseconds(),
                static_cast<int>(getpid()), static_cast<long>(syscall(SYS_gettid)));
  line_ = prefix;
  line_.append(device).append(" ").append(event);
}

Record &Record::Key(std::string_view key) {
  line_.append(" ").append(key).append("=");
  return *this;
}

Record &Record::Number(std::string_view key, long long value) {
  Key(key).line_.append(std::to_string(value));
  return *this;
}

Record &Record::Code(std::string_view key, unsigned long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", value);
  Key(key).line_.append(text);
  return *this;
}

Record &Record::Text(std::string_view key, std::string_view text) {
  Key(key);
  for (unsigned char c : text) {
    if (c > ' ' && c < 0x7F && c != '%' && c != '=') {
      line_.push_back(static_cast<char>(c));
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      line_.append(escaped);
    }
  }
  return *this;
}

Record &Record::Bytes(std::string_view key, const void *data, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  Key(key);
  const auto *bytes = static_cast<const unsigned char *>(data);
  for (size_t i = 0; i < size; ++i) {
    line_.push_back(kDigits[bytes[i] >> 4]);
    line_.push_back(kDigits[bytes[i] & 0xF]);
  }
  return *this;
}

Record &Record::Result(const Outcome &outcome) {
  Number("result", outcome.result);
  return outcome.ok() ? *this : Error(outcome.error);
}

Record &Record::Error(int error) {
  Key("errno").line_.append(ErrorName(error));
  return *this;
}

void Record::Write() {
  line_.push_back('\n');
  const int fd = TranscriptDescriptor();
  if (fd >= 0) (void)libc::write()(fd, line_.data(), line_.size());
}

int Device::InjectedFault(std::string_view event) const {
  return Board::Get().Fault(name_, event);
}

Outcome Device::FaultOr(std::string_view event) const {
  const int error = InjectedFault(event);
  return error != 0 ? Refused(error) : Done();
}

Outcome Device::Ioctl(unsigned long request, void *) {
  const Outcome refused = Refused(ENOTTY);
  Record(name_, "ioctl").Code("request", request).Result(refused).Write();
  return refused;
}

Outcome Device::Read(void *, size_t size, bool) {
  const Outcome refused = Refused(EINVAL);
  Record(name_, "read").Number("size", static_cast<long long>(size)).Result(refused).Write();
  return refused;
}

Outcome Device::Write(const void *data, size_t size) {
  const Outcome refused = Refused(EINVAL);
  Record(name_, "write").Bytes("data", data, size).Result(refused).Write();
  return refused;
}

}  // namespace board
