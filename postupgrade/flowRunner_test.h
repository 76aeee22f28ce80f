// For the tests of the post-boot upgrade: runs a flow in a child process,
// whose standard output is captured, and which may end the process itself
// (the flows end it when there is nothing to do). The test's own process
// starts no module, thread or service of the platform, so every flow starts
// from a fresh process as on the phone.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace posttest {

struct FlowRun {
  bool returned = false;  // the flow returned (else the process ended inside it)
  int result = 0;         // what it returned
  int exitStatus = -1;    // the child's exit status; 128 + n for a signal
  std::string out;        // its standard output

  // The output's lines, without their line ends.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(out.substr(start, end - start));
    if (start < out.size()) lines.push_back(out.substr(start));
    return lines;
  }
  bool Printed(const std::string &line) const {
    for (const std::string &l : Lines())
      if (l == line) return true;
    return false;
  }
};

template <typename Flow>
FlowRun RunFlow(Flow &&flow, std::chrono::seconds timeout = std::chrono::seconds(60)) {
  FlowRun run;
  int out[2], result[2];
  if (pipe2(out, O_CLOEXEC) != 0) return run;
  if (pipe2(result, O_CLOEXEC) != 0) return run;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int value = flow();
    std::fflush(stdout);
    (void)!write(result[1], &value, sizeof value);
    _exit(0);
  }
  close(out[1]);
  close(result[1]);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  char chunk[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{out[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) == 0) {
      kill(pid, SIGKILL);
      break;
    }
    const ssize_t got = read(out[0], chunk, sizeof chunk);
    if (got <= 0) break;
    run.out.append(chunk, static_cast<size_t>(got));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.returned = read(result[0], &run.result, sizeof run.result) == sizeof run.result;
  close(out[0]);
  close(result[0]);
  return run;
}

}  // namespace posttest
