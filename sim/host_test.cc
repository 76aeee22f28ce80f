// The board sandbox's promises to the host, checked from outside it: a run
// changes no host file outside its own temporary directory (which it removes),
// hands back the command's exit status, and works for an unprivileged user
// where the machine allows user namespaces.
#include "board/sandbox.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

struct Finished {
  int status = -1;  // exit status, or 128 + signal
  std::string output;
};

Finished RunProgram(const std::vector<std::string> &argv, const std::vector<std::string> &environment = {}) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipe_fds[1], 1);
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    for (const std::string &setting : environment) putenv(const_cast<char *>(setting.c_str()));
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  Finished run;
  char chunk[4096];
  ssize_t got;
  while ((got = read(pipe_fds[0], chunk, sizeof chunk)) > 0) run.output.append(chunk, got);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

std::vector<std::string> SandboxCommand(const std::vector<std::string> &command,
                                        const std::vector<std::string> &options = {}) {
  std::vector<std::string> argv = {BOARD_SANDBOX, "--fixture", BOARD_FIXTURE};
  argv.insert(argv.end(), options.begin(), options.end());
  std::string preloads = BOARD_PRELOADS;
  size_t start = 0;
  while (start <= preloads.size()) {
    const size_t colon = std::min(preloads.find(':', start), preloads.size());
    if (colon > start) {
      argv.push_back("--preload");
      argv.push_back(preloads.substr(start, colon - start));
    }
    start = colon + 1;
  }
  argv.push_back("--");
  argv.insert(argv.end(), command.begin(), command.end());
  return argv;
}

std::string FileContent(const std::string &path) {
  return board::ReadFile(path).value_or("<missing>");
}

// What the paths a board run writes to look like on the host.
std::map<std::string, std::string> Snapshot(const std::vector<std::string> &dirs,
                                            const std::vector<std::string> &files) {
  std::map<std::string, std::string> seen;
  for (const std::string &dir : dirs) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
      while (dirent *entry = readdir(d)) names.emplace_back(entry->d_name);
      closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string &name : names) listing += name + "\n";
    seen["dir " + dir] = listing;
  }
  for (const std::string &file : files) {
    struct stat info {};
    std::string state = "<missing>";
    if (lstat(file.c_str(), &info) == 0) {
      state = std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
              std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
      if (S_ISLNK(info.st_mode)) {
        char target[4096] = {};
        state += " -> " + std::string(target, std::max<ssize_t>(0, readlink(file.c_str(), target, sizeof target)));
      } else if (S_ISREG(info.st_mode)) {
        state += " #" + std::to_string(std::hash<std::string>()(FileContent(file)));
      }
    }
    seen[file] = state;
  }
  return seen;
}

class BoardHostTest : public testing::Test {
 protected:
  void SetUp() override {
    const Finished probe = RunProgram({"unshare", geteuid() == 0 ? "-m" : "-rm", "-p", "--fork", "--mount-proc", "true"});
    if (probe.status != 0) GTEST_SKIP() << "this machine cannot make the namespaces: " << probe.output;
    work_ = "/tmp/board-host-test." + std::to_string(getpid());
    temp_ = "/var/tmp/board-host-test." + std::to_string(getpid());
    ASSERT_EQ(mkdir(work_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(temp_.c_str(), 0755), 0);
    ASSERT_EQ(chmod(temp_.c_str(), 01777), 0);  // also for the unprivileged user's run
  }
  void TearDown() override {
    if (!work_.empty()) RunProgram({"rm", "-rf", work_, temp_});
  }

  std::string work_;  // host files the board run tries to change
  std::string temp_;  // TMPDIR of the run: where its temporary directory goes
};

TEST_F(BoardHostTest, ARunChangesNoHostFileAndRemovesItsTemporaryDirectory) {
  const std::string sentinel = work_ + "/sentinel";
  const std::string link = work_ + "/link";
  ASSERT_TRUE(board::WriteFile(sentinel, "host data\n"));
  ASSERT_EQ(symlink(sentinel.c_str(), link.c_str()), 0);
  // A host file outside every overlay, reached through a host symlink.
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string outside = std::string(cwd) + "/board-host-test.sentinel";
  const std::string outside_link = work_ + "/outside-link";
  ASSERT_TRUE(board::WriteFile(outside, "host data\n"));
  ASSERT_EQ(symlink(outside.c_str(), outside_link.c_str()), 0);

  const std::vector<std::string> dirs = {"/etc", "/usr/bin", "/usr/sbin", "/mnt", "/dev", "/run", work_, temp_};
  const std::vector<std::string> files = {
      "/usr/sbin/reboot", "/usr/bin/systemctl", "/usr/bin/mount", "/usr/bin/umount", "/bin/httpd",
      "/etc/product",     "/etc/hostname",      "/etc/passwd",    sentinel,          link,
      outside,            outside_link,         "/proc/sys/kernel/hostname"};
  const auto before = Snapshot(dirs, files);

  // Every write is tried only once the board is seen to be in place.
  const std::string script =
      "[ -f /run/board/sandbox ] && ! touch /usr/share/board-probe 2>/dev/null || exit 99\n"
      "echo board > /etc/product; echo board > /etc/board-probe; rm -f /etc/hostname\n"
      "echo board >> /usr/bin/systemctl; echo board > /usr/sbin/reboot; rm -f /usr/bin/umount\n"
      "echo board > /bin/httpd; mkdir -p /mnt/userdata/etc; echo board > /dev/board-node\n"
      "echo board > /run/board-probe\n"
      "echo board > '" + link + "'; echo board > '" + sentinel + "'\n"
      // Where the build tree lies below an overlay (/tmp) the write lands in
      // the overlay; elsewhere it is refused. Either way the host file stays.
      "echo board > '" + outside_link + "' 2>/dev/null\n"
      "if cat /proc/sys/kernel/hostname > /proc/sys/kernel/hostname; then echo 'wrote /proc/sys'; exit 97; fi\n"
      "exit 0\n";
  const Finished run = RunProgram(SandboxCommand({"sh", "-c", script}), {"TMPDIR=" + temp_});
  ASSERT_EQ(run.status, 0) << run.output;

  EXPECT_EQ(Snapshot(dirs, files), before);
  EXPECT_EQ(FileContent(sentinel), "host data\n");
  EXPECT_EQ(FileContent(outside), "host data\n");
  unlink(outside.c_str());
}

TEST_F(BoardHostTest, TheOutputDirectoryTakesOnlyTheRegularFilesLeftForIt) {
  const std::string sentinel = work_ + "/sentinel";
  const std::string output = work_ + "/output";
  ASSERT_TRUE(board::WriteFile(sentinel, "host data\n"));
  ASSERT_EQ(mkdir(output.c_str(), 0755), 0);
  ASSERT_TRUE(board::WriteFile(output + "/earlier", "host data\n"));
  // A link at a destination is replaced, not written through.
  ASSERT_EQ(symlink(sentinel.c_str(), (output + "/replaced").c_str()), 0);

  const std::string script =
      "[ -f /run/board/sandbox ] || exit 99\n"
      "cd /run/board/output && echo one > screen.png && echo two > replaced\n"
      "ln -s '" + sentinel + "' link && mkdir sub && echo three > sub/file\n";
  const Finished run =
      RunProgram(SandboxCommand({"sh", "-c", script}, {"--output", output}), {"TMPDIR=" + temp_});
  ASSERT_EQ(run.status, 0) << run.output;

  EXPECT_EQ(FileContent(output + "/screen.png"), "one\n");
  struct stat info {};
  ASSERT_EQ(lstat((output + "/replaced").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(FileContent(output + "/replaced"), "two\n");
  EXPECT_EQ(FileContent(sentinel), "host data\n");
  EXPECT_EQ(FileContent(output + "/earlier"), "host data\n");
  EXPECT_EQ(lstat((output + "/link").c_str(), &info), -1);
  EXPECT_EQ(lstat((output + "/sub").c_str(), &info), -1);
  EXPECT_EQ(Snapshot({temp_}, {})["dir " + temp_], ".\n..\n") << "the temporary directory is removed";

  // Made when missing.
  const std::string made = work_ + "/new/output";
  EXPECT_EQ(RunProgram(SandboxCommand({"sh", "-c", "echo four > /run/board/output/f"}, {"--output", made})).status, 0);
  EXPECT_EQ(FileContent(made + "/f"), "four\n");
}

TEST_F(BoardHostTest, ExitStatusIsTheCommandsAndUsageErrorsAreTheSandboxs) {
  EXPECT_EQ(RunProgram(SandboxCommand({"sh", "-c", "exit 7"})).status, 7);
  EXPECT_EQ(RunProgram(SandboxCommand({"sh", "-c", "kill -ABRT $$"})).status, 128 + SIGABRT);
  EXPECT_EQ(RunProgram({BOARD_SANDBOX, "--fixture", work_ + "/none", "--", "true"}).status, 125);
  const Finished help = RunProgram({BOARD_SANDBOX, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("Usage: board-sandbox"), std::string::npos);
}

TEST_F(BoardHostTest, WhereNoNamespacesCanBeMadeBoardTestsSaySoWithASkip) {
  // A machine that refuses namespaces, as a container without privileges does.
  const std::string bin = work_ + "/bin";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  ASSERT_TRUE(board::WriteFile(bin + "/unshare", "#!/bin/sh\necho 'unshare: Operation not permitted' >&2\nexit 1\n"));
  ASSERT_EQ(chmod((bin + "/unshare").c_str(), 0755), 0);
  const std::string path = "PATH=" + bin + ":" + std::getenv("PATH");

  const Finished skipped =
      RunProgram({BOARD_SANDBOX, "--or-skip", "--fixture", BOARD_FIXTURE, "--", BOARD_TEST_PROGRAM}, {path});
  EXPECT_EQ(skipped.status, 0) << skipped.output;
  EXPECT_NE(skipped.output.find("[  SKIPPED ]"), std::string::npos) << skipped.output;
  EXPECT_NE(skipped.output.find("board sandbox unavailable: cannot make the namespaces: unshare: Operation not permitted"),
            std::string::npos)
      << skipped.output;
  EXPECT_EQ(skipped.output.find("[ RUN      ]"), std::string::npos) << skipped.output;

  const Finished refused = RunProgram({BOARD_SANDBOX, "--fixture", BOARD_FIXTURE, "--", "true"}, {path});
  EXPECT_EQ(refused.status, 125);
  EXPECT_NE(refused.output.find("cannot make the namespaces"), std::string::npos) << refused.output;
}

TEST_F(BoardHostTest, BoardTestsPassForAnUnprivilegedUser) {
  std::vector<std::string> as_user;
  if (geteuid() == 0) {
    as_user = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    std::vector<std::string> probe = as_user;
    for (const char *arg : {"unshare", "-rm", "-p", "--fork", "--mount-proc", "true"}) probe.push_back(arg);
    const Finished userns = RunProgram(probe);
    if (userns.status != 0) GTEST_SKIP() << "no user namespaces for an unprivileged user here: " << userns.output;
    std::vector<std::string> readable = as_user;
    for (const char *arg : {"test", "-x", BOARD_TEST_PROGRAM}) readable.push_back(arg);
    if (RunProgram(readable).status != 0) GTEST_SKIP() << "the build tree is not open to an unprivileged user";
  }
  std::vector<std::string> argv = as_user;
  for (const std::string &arg : SandboxCommand({BOARD_TEST_PROGRAM})) argv.push_back(arg);
  const Finished run = RunProgram(argv, {"TMPDIR=" + temp_});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("[  PASSED  ]"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("SKIPPED"), std::string::npos) << run.output;
}

}  // namespace
