// Finding and stopping processes by name on the board (its own process
// namespace: the listing and the kills see only the board's processes).
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include "board/sandbox.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

// A process started for the test and killed at the end, if still there.
class Process {
 public:
  explicit Process(std::vector<std::string> argv) {
    std::vector<char *> args;
    for (std::string &a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) pid_ = -1;
    usleep(50000);  // it has run exec before the listing is read
  }
  ~Process() {
    if (pid_ > 0 && !Ended()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ok() const { return pid_ > 0; }
  // True once it ended; then signal() tells by which signal (0: none).
  bool Ended() {
    if (ended_) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    ended_ = true;
    signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return true;
  }
  int signal() const { return signal_; }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int signal_ = 0;
};

// A shell that sleeps, with the text in its argument list.
std::vector<std::string> SleeperHolding(const std::string &text) {
  return {"/bin/sh", "-c", "sleep 30", text};
}

TEST(ProcessCheckTest, AnyListingLineHoldingTheNameCounts) {
  EXPECT_EQ(systemProcessCheck("upgr-probe"), 0);
  {
    Process holder(SleeperHolding("arg-with-upgr-probe-inside"));
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(systemProcessCheck("upgr-probe"), 1);
  }
  EXPECT_EQ(systemProcessCheck("upgr-probe"), 0);
}

TEST(ProcessCheckTest, ASignalDuringTheListingKeepsTheAnswer) {
  Process holder(SleeperHolding("upgr-probe"));
  ASSERT_TRUE(holder.ok());
  // A host process with a timer whose handler does not restart calls.
  struct sigaction tick {}, before {};
  tick.sa_handler = [](int) {};
  ASSERT_EQ(sigaction(SIGALRM, &tick, &before), 0);
  const itimerval every{{0, 500}, {0, 500}}, off{};
  ASSERT_EQ(setitimer(ITIMER_REAL, &every, nullptr), 0);
  int found = 0;
  for (int i = 0; i < 10; ++i) found += systemProcessCheck("upgr-probe");
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &before, nullptr);
  EXPECT_EQ(found, 10);
}

TEST(ProcessCheckTest, NamesThatAreNotPlainRunNothing) {
  const std::string longName(postupgrade::kProcessNameMax + 1, 'a');
  const char *const names[] = {"a;touch /tmp/ran", "$(touch /tmp/ran)", "`touch /tmp/ran`", "a|touch /tmp/ran",
                               "a b", "", longName.c_str(), nullptr};
  for (const char *name : names) {
    SCOPED_TRACE(name != nullptr ? name : "<null>");
    EXPECT_EQ(systemProcessCheck(name), 0);
    postupgrade::mtPostProcessKill(name);
  }
  struct stat info {};
  EXPECT_NE(stat("/tmp/ran", &info), 0) << "a command in a name ran";
  EXPECT_TRUE(postupgrade::mtPostProcessNameSafe("ota-upgrade-cgi"));
  EXPECT_TRUE(postupgrade::mtPostProcessNameSafe("a.b_c-D9"));
}

TEST(ProcessKillTest, KillsTheNamedProcess) {
  ASSERT_EQ(system("cp /bin/sleep /tmp/upgr-victim"), 0);
  Process victim({"/tmp/upgr-victim", "30"});
  ASSERT_TRUE(victim.ok());
  ASSERT_EQ(systemProcessCheck("upgr-victim"), 1);
  postupgrade::mtPostProcessKill("upgr-victim");
  for (int i = 0; i < 50 && !victim.Ended(); ++i) usleep(10000);
  ASSERT_TRUE(victim.Ended());
  EXPECT_EQ(victim.signal(), SIGKILL);
  EXPECT_EQ(systemProcessCheck("upgr-victim"), 0);
}

TEST(ProcessKillTest, GivesUpAfterFiveKills100MsApart) {
  // A killall that records its calls and kills nothing.
  ASSERT_TRUE(board::WriteFile("/usr/bin/killall",
                               "#!/bin/sh\necho \"killall $* $(date +%s%N)\" >> /run/board/killall.log\n"));
  ASSERT_EQ(chmod("/usr/bin/killall", 0755), 0);
  Process immortal(SleeperHolding("upgr-immortal"));
  ASSERT_TRUE(immortal.ok());
  postupgrade::mtPostProcessKill("upgr-immortal");

  std::istringstream log(board::ReadFile("/run/board/killall.log").value_or(""));
  std::vector<long long> times;
  std::string killall, signal, name;
  long long ns;
  while (log >> killall >> signal >> name >> ns) {
    EXPECT_EQ(signal + " " + name, "-9 upgr-immortal");
    times.push_back(ns);
  }
  ASSERT_EQ(times.size(), 5u);
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 100'000'000) << i;
  EXPECT_FALSE(immortal.Ended());
}

}  // namespace
