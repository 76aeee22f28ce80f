// Emulated devices of the board: what a device handler is and how it records
// what programs asked of it. Handlers run in the calling thread, in the
// calling process, with the board locked; see board.h.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace board {

// The result of one call on a device: what the C library call returns, and the
// errno it sets when that result is -1.
struct Outcome {
  long result;
  int error;
  bool ok() const { return error == 0; }
};
inline Outcome Done(long result = 0) { return {result, 0}; }
inline Outcome Refused(int error) { return {-1, error}; }

// One line of the device transcript (/run/board/devices.log):
//   <time µs> <pid> <tid> <device> <event> [key=value ...]
// Numbers are decimal, bytes are hexadecimal pairs, texts are kept except for
// blanks, '%', '=' and unprintable bytes, which are written as %XX.
class Record {
 public:
  Record(std::string_view device, std::string_view event);
  Record &Number(std::string_view key, long long value);
  Record &Code(std::string_view key, unsigned long value);  // 0x…
  Record &Text(std::string_view key, std::string_view text);
  Record &Bytes(std::string_view key, const void *data, size_t size);
  // result=N, and errno=NAME when the call was refused.
  Record &Result(const Outcome &outcome);
  Record &Error(int error);
  void Write();

 private:
  Record &Key(std::string_view key);
  std::string line_;
};

// The symbolic name of an errno value as the transcript and the fault file
// write it ("EIO"), and back (0 when unknown).
std::string_view ErrorName(int error);
int ErrorFromName(std::string_view name);

// A device behind one node of the board's /dev. The default handlers refuse
// what a device of that kind does not do, and record that they did.
class Device {
 public:
  explicit Device(const char *name) : name_(name) {}
  virtual ~Device() = default;
  Device(const Device &) = delete;
  Device &operator=(const Device &) = delete;

  // Transcript name of the device ("gpio", "spi").
  const char *Name() const { return name_; }

  virtual Outcome Ioctl(unsigned long request, void *argument);
  // nonblocking: the descriptor was opened (or set) with O_NONBLOCK. A
  // handler that waits gives the board lock back meanwhile.
  virtual Outcome Read(void *buffer, size_t size, bool nonblocking);
  virtual Outcome Write(const void *data, size_t size);

 protected:
  // The error a test asked this device to give for an event (see the fault
  // file in board.h), or 0.
  int InjectedFault(std::string_view event) const;
  // Refused(the injected fault) when there is one, else Done().
  Outcome FaultOr(std::string_view event) const;

 private:
  const char *name_;
};

}  // namespace board
