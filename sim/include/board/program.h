// Programs of the build started on the board as the phone's scripts would
// start them, with their standard output collected: for tests that run a
// whole program (ledfirstkey) and for the simulator.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace board {

// The build's emulator for its own programs ("qemu-arm", "-L", "/"), empty in
// a native build.
std::vector<std::string> Emulator();

// The command that starts a program of this build: the program itself, or,
// in a cross build, the program under the build's emulator, which takes the
// board's preloads for the program instead of for itself.
std::vector<std::string> ProgramCommand(const std::string &path, const std::vector<std::string> &arguments);

// A program that just waits, under the name of one of the phone's
// processes ("logo"): a copy of sleep put on the board as /usr/bin/NAME.
// The command that starts it, or an empty one when it cannot be put there.
std::vector<std::string> StandInProcessCommand(const std::string &name);

// Takes the sanitizer runtimes (ASan, TSan, UBSan) out of LD_PRELOAD and
// keeps the board's device layer, for a sanitized program of the build that
// runs the board's commands through the shell: ps hangs with the address
// sanitizer preloaded. The program has its own runtime loaded already; a
// sanitized program it starts needs LD_PRELOAD as it was.
void DropSanitizerPreloads();

// The exit status a shell would give for a wait status: the program's own,
// or 128 + the signal that ended it.
int ExitStatus(int wait_status);

class Program {
 public:
  // Starts the command (its first word looked up on PATH) with standard output
  // into a pipe that this object collects; standard input is /dev/null,
  // standard error stays the caller's.
  explicit Program(const std::vector<std::string> &command);
  // Ends a program still running (SIGKILL) and reaps it.
  ~Program();
  Program(const Program &) = delete;
  Program &operator=(const Program &) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  bool Running();

  // Waits for the end, at most limit, after which the program is killed; the
  // exit status (ExitStatus), or -1 when it was not started.
  int Wait(std::chrono::milliseconds limit);
  // Sends the signal and waits for the end.
  int Stop(int signal);

  // The standard output collected so far (all of it once the program ended).
  std::string Output();

 private:
  void Collect(int fd);
  int Reap(int options);

  pid_t pid_ = -1;
  int status_ = -1;  // exit status once reaped
  std::thread collector_;
  std::mutex mutex_;
  std::string output_;
};

}  // namespace board
