// The emulated phone board as the preloaded device layer sees it: its device
// nodes and the devices behind them, the descriptors programs opened on them,
// the faults tests asked for and the files served under /proc.
//
// Files of the board's state directory (/run/board, see sim/README.md):
//   devices.log   the device transcript, one Record a line, all processes
//   faults        lines "<device> <event> <errno name>": that event fails
//   proc/NAME     served to programs that open /proc/NAME
#pragma once

#include "device.h"
#include "gpioController.h"
#include "inputDevice.h"
#include "spiBus.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace board {

inline constexpr char kStateDir[] = "/run/board";

class Board {
 public:
  // The board of this process, made on first use.
  static Board &Get();

  // Every handler runs with this held.
  std::mutex &Lock() { return lock_; }

  // The device behind a device node path, or null.
  Device *DeviceAt(std::string_view path);

  // Descriptors open on devices.
  void Attach(int fd, Device *device);
  Device *AttachedTo(int fd) const;
  void Detach(int fd);
  // True once a device was opened in this process: from then on the process's
  // pauses are recorded too.
  bool DevicesInUse() const { return in_use_.load(std::memory_order_relaxed); }

  // The file that serves a path under /proc, or an empty text.
  std::string ProcFileFor(std::string_view path) const;

  // The injected fault for a device's event, or 0. Reads the fault file again
  // whenever it changed.
  int Fault(std::string_view device, std::string_view event);

  GpioController &Gpio() { return gpio_; }

 private:
  Board();
  void ReloadFaults();

  static constexpr int kMaxDescriptors = 4096;
  struct InjectedFault {
    std::string device, event;
    int error;
  };

  std::mutex lock_;
  std::atomic<Device *> attached_[kMaxDescriptors] = {};
  std::atomic<bool> in_use_{false};
  std::vector<InjectedFault> faults_;
  struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtime_ns = 0;
    bool operator==(const FileStamp &) const = default;
  } faults_stamp_;

  // The devices of the phone. A new one is a member here and a line in the
  // node table of board.cc.
  GpioController gpio_;
  SpiBus spi_;
  InputDevice keypad_{"event0"};
};

}  // namespace board
