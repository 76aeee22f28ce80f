// An input event device of the board (/dev/input/eventN): the keypad. Tests
// feed it the target's 16-byte event records (seconds, microseconds, type,
// code, value: 32-bit time fields, as on the phone) through a queue file in the
// board's state directory, input/<node name>, which holds the records not yet
// read. The queue is shared by every process on the board: each record goes to
// the one reader that takes it (unlike the kernel, which gives every open
// descriptor a copy), so that a test knows which record a program sees first.
#pragma once

#include "device.h"

#include <cstdint>
#include <string>

namespace board {

// One record as the 32-bit target lays it out.
struct InputRecord {
  int32_t seconds;
  int32_t microseconds;
  uint16_t type;
  uint16_t code;
  int32_t value;
};
static_assert(sizeof(InputRecord) == 16);

class InputDevice : public Device {
 public:
  // name: the node's name under /dev/input ("event0"), also the device's name
  // in the transcript and the name of its queue file.
  explicit InputDevice(const char *name);

  // Whole records only, like the kernel's event devices: a buffer smaller
  // than one record is refused (EINVAL); otherwise as many records as are
  // queued and fit. Without a record a blocking read waits for one (giving the
  // board lock back meanwhile), a non-blocking read is refused with EAGAIN.
  Outcome Read(void *buffer, size_t size, bool nonblocking) override;

 private:
  // Takes up to max records from the queue; the number taken.
  size_t Take(InputRecord *records, size_t max) const;

  std::string queue_path_;
};

}  // namespace board
