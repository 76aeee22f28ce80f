#include "board/program.h"

#include "board/sandbox.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string_view>

extern char **environ;

namespace board {
namespace {

// The build's emulator for its own programs, its words separated by blanks
// ("qemu-arm -L /"), or empty in a native build.
constexpr std::string_view kEmulator = BOARD_PROGRAM_EMULATOR;

}  // namespace

std::vector<std::string> Emulator() {
  std::vector<std::string> command;
  std::istringstream words{std::string(kEmulator)};
  for (std::string word; words >> word;) command.push_back(word);
  return command;
}

std::vector<std::string> ProgramCommand(const std::string &path, const std::vector<std::string> &arguments) {
  std::vector<std::string> command;
  if (!kEmulator.empty()) {
    // The emulator is a program of the build machine: the board's preloads
    // are handed to the emulated program, as the board's test launcher does.
    command = {"env", "-u", "LD_PRELOAD"};
    for (std::string &word : Emulator()) command.push_back(std::move(word));
    if (const char *preload = std::getenv("LD_PRELOAD")) {
      command.push_back("-E");
      command.push_back(std::string("LD_PRELOAD=") + preload);
    }
  }
  command.push_back(path);
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}

std::vector<std::string> StandInProcessCommand(const std::string &name) {
  const std::string path = "/usr/bin/" + name;
  const std::optional<std::string> sleep = ReadFile("/usr/bin/sleep");
  if (!sleep || !WriteFile(path, *sleep) || chmod(path.c_str(), 0755) != 0) return {};
  return {path, "3600"};
}

void DropSanitizerPreloads() {
  const char *preload = std::getenv("LD_PRELOAD");
  if (preload == nullptr) return;
  std::string kept;
  std::istringstream entries{std::string(preload)};
  // ld.so separates the entries by colons or blanks.
  for (std::string entry; std::getline(entries, entry, ':');) {
    std::istringstream words{entry};
    for (std::string path; words >> path;) {
      const std::string name = path.substr(path.rfind('/') + 1);
      if (name.starts_with("libasan") || name.starts_with("libtsan") || name.starts_with("libubsan")) continue;
      kept += (kept.empty() ? "" : ":") + path;
    }
  }
  setenv("LD_PRELOAD", kept.c_str(), 1);
}

int ExitStatus(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

Program::Program(const std::vector<std::string> &command) {
  if (command.empty()) return;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  std::vector<char *> argv;
  for (const std::string &word : command) argv.push_back(const_cast<char *>(word.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (!Started()) {
    close(pipe_fds[0]);
    return;
  }
  collector_ = std::thread([this, fd = pipe_fds[0]] { Collect(fd); });
}

Program::~Program() {
  if (Started() && status_ < 0) {
    kill(pid_, SIGKILL);
    Reap(0);
  }
  if (collector_.joinable()) collector_.join();
}

void Program::Collect(int fd) {
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const std::lock_guard<std::mutex> hold(mutex_);
    output_.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
}

int Program::Reap(int options) {
  if (status_ >= 0) return status_;
  int wait_status = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid_, &wait_status, options);
  } while (reaped < 0 && errno == EINTR);
  if (reaped == pid_) status_ = ExitStatus(wait_status);
  return status_;
}

bool Program::Running() { return Started() && Reap(WNOHANG) < 0; }

int Program::Wait(std::chrono::milliseconds limit) {
  if (!Started()) return -1;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Reap(WNOHANG) < 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      Reap(0);
      break;
    }
    usleep(2000);
  }
  // The output is whole once every writer of the pipe has gone.
  if (collector_.joinable()) collector_.join();
  return status_;
}

int Program::Stop(int signal) {
  if (Running()) kill(pid_, signal);
  return Wait(std::chrono::seconds(30));
}

std::string Program::Output() {
  const std::lock_guard<std::mutex> hold(mutex_);
  return output_;
}

}  // namespace board
