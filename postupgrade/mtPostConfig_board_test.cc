// The user configuration file on the board: reading the Firmware values,
// blanking them (also when stopped part way), and the certificate check
// flag.
#include "flowRunner_test.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include "board/sandbox.h"
#include "host/memory.h"
#include "oom_loop.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/time.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <string>

namespace {

using posttest::RunFlow;

constexpr char kConfig[] = "/mnt/userdata/default_user_config.txt";

void PlaceConfig(const std::optional<std::string> &content) {
  if (content) {
    ASSERT_TRUE(board::WriteFile(kConfig, *content));
  } else {
    unlink(kConfig);
  }
}

std::string Line(const std::string &key, const std::string &value) { return key + value + "\r\n"; }
const std::string kUrl = "Firmware Url       :";
const std::string kUser = "Firmware User      :";
const std::string kPassword = "Firmware password  :";

struct Values {
  std::string url, user, password;  // "<null>" when absent
};

std::string Text(char *value) {
  std::string text = value != nullptr ? value : "<null>";
  uFree(value);
  return text;
}

TEST(ConfigReadTest, ValuesEndAtTheFirstCrLfAfterTheFirstKey) {
  const std::string longUrl = "http://h/" + std::string(591, 'a');  // 600 characters
  const struct {
    const char *what;
    std::optional<std::string> file;
    int load;
    Values values;
  } cases[] = {
      {"all three", Line(kUrl, "http://h/fw.bin") + Line(kUser, "admin") + Line(kPassword, " pw "), 0,
       {"http://h/fw.bin", "admin", " pw "}},
      {"LF-only lines hold no value", kUrl + "http://h/fw.bin\n" + kUser + "admin\n", 0,
       {"<null>", "<null>", "<null>"}},
      {"empty value is absent", Line(kUrl, "") + Line(kUser, "u"), 0, {"<null>", "u", "<null>"}},
      {"only the first occurrence counts", Line(kUrl, "") + Line(kUrl, "http://h/second"), 0,
       {"<null>", "<null>", "<null>"}},
      {"no CR LF after the last key", Line(kUrl, "http://h/a") + kPassword + "pw", 0, {"http://h/a", "<null>", "<null>"}},
      {"600 characters are cut to 511", Line(kUrl, longUrl), 0, {longUrl.substr(0, 511), "<null>", "<null>"}},
      {"a key inside another line counts", std::string("x").append(Line(kUser, "in")), 0, {"<null>", "in", "<null>"}},
      {"empty file", "", -1, {"<null>", "<null>", "<null>"}},
      {"no file", std::nullopt, -1, {"<null>", "<null>", "<null>"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    PlaceConfig(c.file);
    EXPECT_EQ(postupgrade::mtPostConfigLoad(), c.load);
    char *url = nullptr, *user = nullptr, *password = nullptr;
    postupgrade::mtPostConfigValuesGet(&url, &user, &password);
    EXPECT_EQ(Text(url), c.values.url);
    EXPECT_EQ(Text(user), c.values.user);
    EXPECT_EQ(Text(password), c.values.password);
    postupgrade::mtPostConfigFree();
  }
}

TEST(ConfigReadTest, OutOfMemoryLeavesTheTextOrAValueAbsentAndLeaksNothing) {
  PlaceConfig(Line(kUrl, "http://h/fw.bin") + Line(kUser, "admin") + Line(kPassword, "pw"));
  testsupport::RunOomLoops([](testsupport::OomRun &run) {
    run.Arm();
    const int loaded = postupgrade::mtPostConfigLoad();
    char *url = nullptr, *user = nullptr, *password = nullptr;
    postupgrade::mtPostConfigValuesGet(&url, &user, &password);
    run.Disarm();
    const Values got{Text(url), Text(user), Text(password)};
    postupgrade::mtPostConfigFree();
    if (loaded != 0) {
      EXPECT_EQ(got.url + got.user + got.password, "<null><null><null>");
      return;
    }
    for (const auto &[value, expected] : {std::pair{got.url, "http://h/fw.bin"}, std::pair{got.user, "admin"},
                                          std::pair{got.password, "pw"}}) {
      if (value != "<null>") {
        EXPECT_EQ(value, expected);
      }
    }
  });
}

TEST(ConfigCleanTest, BlanksTheThreeValuesAndKeepsEveryOtherByte) {
  const std::string head = "# phone\r\nSip Server         :sip.example\r\n";
  const std::string tail = "Firmware Digest    :00ff\r\nZel Verify Peer Enable:1\r\nlast line without end";
  const struct {
    const char *what;
    std::string before, after;
  } cases[] = {
      {"all three set", head + Line(kUrl, "bad url") + Line(kUser, "admin") + Line(kPassword, "pw") + tail,
       head + Line(kUrl, "") + Line(kUser, "") + Line(kPassword, "") + tail},
      {"only the user set", head + Line(kUrl, "") + Line(kUser, "admin") + Line(kPassword, "") + tail,
       head + Line(kUrl, "") + Line(kUser, "") + Line(kPassword, "") + tail},
      {"a key without CR LF after it stays", Line(kUser, "admin") + kUrl + "tail", Line(kUser, "") + kUrl + "tail"},
      {"binary bytes after the values stay", Line(kUrl, "u") + std::string("a\0b\xff", 4),
       Line(kUrl, "") + std::string("a\0b\xff", 4)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    PlaceConfig(c.before);
    auto run = RunFlow([] {
      postupgrade::mtPostCleanConfigValue();
      return 0;
    });
    EXPECT_EQ(board::ReadFile(kConfig), c.after);
    EXPECT_EQ(run.out, "mtPostCleanConfigValue : start .\nmtPostCleanConfigValue : statbuf " +
                           std::to_string(c.before.size()) + " .\n");
  }
  PlaceConfig(std::nullopt);
  auto missing = RunFlow([] {
    postupgrade::mtPostCleanConfigValue();
    return 0;
  });
  EXPECT_EQ(missing.out, "mtPostCleanConfigValue : start .\n");
  EXPECT_FALSE(board::ReadFile(kConfig).has_value());
}

// The system's file system, except that the process dies at call number
// stopAt, as it would in a crash.
class DyingFileSystem final : public upgradeui::FileSystem {
 public:
  explicit DyingFileSystem(int stopAt) : left_(stopAt) {}
  int Open(const char *path, int flags, mode_t mode) override { return Step(), ::open(path, flags, mode); }
  ssize_t Write(int fd, const void *data, size_t size) override { return Step(), ::write(fd, data, size); }
  int Sync(int fd) override { return Step(), ::fsync(fd); }
  int Close(int fd) override { return Step(), ::close(fd); }
  int Rename(const char *from, const char *to) override { return Step(), ::rename(from, to); }
  int Remove(const char *path) override { return Step(), ::unlink(path); }
  int Stat(const char *path, struct stat *info) override { return Step(), ::stat(path, info); }
  int ChangeMode(int fd, mode_t mode) override { return Step(), ::fchmod(fd, mode); }
  int ChangeOwner(int fd, uid_t owner, gid_t group) override { return Step(), ::fchown(fd, owner, group); }
  std::string Resolve(const char *path) override { return Step(), path; }

 private:
  void Step() {
    if (--left_ == 0) _exit(42);
  }
  int left_;
};

TEST(ConfigCleanTest, AStopAtAnyStepLeavesTheOldOrTheBlankedFile) {
  const std::string before = Line(kUrl, "http://h/fw.bin") + Line(kUser, "admin") + "Other              :x\r\n";
  const std::string after = Line(kUrl, "") + Line(kUser, "") + "Other              :x\r\n";
  bool finished = false;
  for (int stopAt = 1; !finished && stopAt < 100; ++stopAt) {
    SCOPED_TRACE(stopAt);
    PlaceConfig(before);
    auto run = RunFlow([stopAt] {
      DyingFileSystem fs(stopAt);
      postupgrade::mtPostCleanConfigValue(fs);
      return 0;
    });
    finished = run.returned;
    const std::optional<std::string> now = board::ReadFile(kConfig);
    ASSERT_TRUE(now.has_value());
    EXPECT_TRUE(*now == before || *now == after) << *now;
    if (finished) {
      EXPECT_EQ(*now, after);
    }
  }
  EXPECT_TRUE(finished);
}

TEST(VerifyPeerFlagTest, TheFirstFlagLineDecides) {
  const struct {
    const char *what;
    std::optional<std::string> file;
    int flag;
  } cases[] = {
      {"set", "a\r\nZel Verify Peer Enable:1\r\n", 1},
      {"cleared", "Zel Verify Peer Enable:0\r\n", 0},
      {"a 1 anywhere in the line", "Zel Verify Peer Enable:  on (1)\n", 1},
      {"only the first line counts", "Zel Verify Peer Enable:0\r\nZel Verify Peer Enable:1\r\n", 0},
      {"no flag line", "Firmware Url       :http://h/1\r\n", 0},
      {"no file", std::nullopt, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    PlaceConfig(c.file);
    EXPECT_EQ(zelVerifyPeerGet(), c.flag);
  }
}

// A signal that arrives while the search runs (a timer of the host process,
// whose handler does not restart interrupted calls) neither cuts the answer
// short nor turns the certificate check off.
TEST(VerifyPeerFlagTest, ASignalDuringTheSearchKeepsTheAnswer) {
  PlaceConfig("Zel Verify Peer Enable:1\r\n");
  struct sigaction tick {}, before {};
  tick.sa_handler = [](int) {};
  ASSERT_EQ(sigaction(SIGALRM, &tick, &before), 0);
  const itimerval every{{0, 500}, {0, 500}}, off{};
  ASSERT_EQ(setitimer(ITIMER_REAL, &every, nullptr), 0);
  int answers[3] = {};  // -1, 0, 1
  for (int i = 0; i < 20; ++i) ++answers[zelVerifyPeerGet() + 1];
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &before, nullptr);
  EXPECT_EQ(answers[2], 20) << answers[0] << " times -1, " << answers[1] << " times 0";
}

}  // namespace
