// Test side of the board sandbox: for programs running on the board (started by
// sim/board-sandbox), the controls and records of its state directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace board {

// The board's state directory, the same path on every board.
inline constexpr char kStateDir[] = "/run/board";

// True when this program runs on the board sandbox.
bool InSandbox();
// Why the sandbox could not be made (set by board-sandbox --or-skip), or a
// note that the program was not started by board-sandbox at all.
std::string UnavailableReason();

// Empties the device transcript and the command records and drops the
// injected faults and the queued input records: a test starts from a quiet
// board. (What the devices hold,
// such as requested GPIO lines, stays, as it would on a real board.)
void ClearRecords();

// Whole-file helpers for the board's files.
bool WriteFile(const std::string &path, std::string_view content);
std::optional<std::string> ReadFile(const std::string &path);

// Files the board serves under /proc (/proc/flashinfo, …).
bool ServeProcFile(std::string_view name, std::string_view content);
void RemoveProcFile(std::string_view name);

// Device faults: from now on, the device's event fails with that errno
// ("EIO", "EBUSY", …). Events are the transcript's ("set-mode", "transfer",
// "request", "open", …).
bool InjectFault(std::string_view device, std::string_view event, std::string_view error);
void ClearFaults();

// Calls of the stub commands (reboot, mount, umount, httpd, …), in order.
struct CommandCall {
  std::string name;
  std::vector<std::string> arguments;
  bool operator==(const CommandCall &) const = default;
};
std::vector<CommandCall> CommandCalls();
void ClearCommandCalls();
// The exit status the stub for a command gives from now on.
bool SetCommandExitStatus(std::string_view name, int status);

// USB sticks. A stick's partition NAME (sda1, …) is the directory
// /run/board/usb/NAME with the files on the stick; the stub mount binds it at
// the mount point when asked to mount /dev/NAME, the stub umount unbinds it.
// Plugging a stick in makes the disk node /dev/sda and a node per partition,
// and an empty directory per partition (kept if it has files already, as from
// a fixture's usb/NAME). False when they cannot be made.
bool PlugUsbStick(const std::vector<std::string> &partitions);
// The directory of a partition's files.
std::string UsbPartitionDir(std::string_view partition);

}  // namespace board
