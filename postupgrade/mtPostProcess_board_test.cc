// The entry point: the host's argument vector chooses the flow; and the local
// web upgrade, which starts the web server (a recording stub on the board).
#include "flowFixture_test.h"
#include "mtPostProcess.h"

#include "board/sandbox.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char **environ;

namespace {

using posttest::FlowRun;

// What a vector of arguments leads to.
struct EntryCase {
  const char *name;
  std::vector<std::string> args;  // after the program name; "<url>" stands for a packet's URL
  bool configured;                // the user configuration file names the packet
  const char *firstFlowLine;      // the line after the type line ("" : none)
  int typeShown;
  int result;                     // the result notified (or returned by the web server's shell)
  bool authenticated = false;     // the download carried the user and password
};

void PrintTo(const EntryCase &c, std::ostream *out) { *out << c.name; }

class EntryPointTest : public testing::TestWithParam<EntryCase> {};

FlowRun Resolve(std::vector<std::string> args) {
  args.insert(args.begin(), "host");
  return posttest::RunUpgrade([args]() mutable {
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return mtPostUpdateResolve(static_cast<int>(args.size()), argv.data());
  });
}

TEST_P(EntryPointTest, ChoosesTheFlowByTypeAndOption) {
  const EntryCase &c = GetParam();
  posttest::FirmwareServer firmware;
  ASSERT_TRUE(firmware.ok());
  const std::string url = firmware.AddPacket("fw.bin", 4096);
  if (c.configured) posttest::WriteConfig(posttest::ConfigText(url, "cfguser", "cfgpw"));
  std::vector<std::string> args = c.args;
  for (std::string &a : args)
    if (a == "<url>") a = url;

  const FlowRun run = Resolve(args);
  const std::vector<std::string> lines = posttest::FlowLines(run);
  ASSERT_GE(lines.size(), 2u) << run.out;
  EXPECT_EQ(lines[0], "__mtPostUpdateResolve : imageUpgradeType [" + std::to_string(c.typeShown) + "] .");
  EXPECT_EQ(lines[1], c.firstFlowLine) << run.out;
  EXPECT_EQ(posttest::OtaCalls(run).rfind("set", 0), 0u) << "the after-upgrade mode is set first";
  EXPECT_TRUE(run.Printed("mtPostDownloadResultNotify : result " + std::to_string(c.result) + " .")) << run.out;
  if (c.result == DOWNLODA_NOTNEED) {
    EXPECT_EQ(run.exitStatus, 0) << "nothing to do ends the process";
  }
  if (c.result == DOWNLODA_SUCCESS) {
    auto requests = firmware.server().WaitRequests(1, std::chrono::seconds(5));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("authorization").has_value(), c.authenticated);
  }
}

const EntryCase kEntryCases[] = {
    {"BootTime", {"0", "-u", "<url>"}, true, "__mtPostAutoProcess : Enter .", 0, DOWNLODA_SUCCESS, true},
    {"TypeWithoutDigitsIsBootTime", {"x1"}, false, "__mtPostAutoProcess : Enter .", 0, DOWNLODA_NOTNEED},
    {"NoTypeIsBootTime", {}, false, "__mtPostAutoProcess : Enter .", 0, DOWNLODA_NOTNEED},
    {"UrlGiven", {"4", "-u", "<url>"}, false, "__mtPostNmStart : mtPostNmStart !", 4, DOWNLODA_SUCCESS, false},
    {"UrlAndUserGiven", {"1", "-u", "<url>", "admin", "pw"}, false, "__mtPostNmStart : mtPostNmStart !", 1,
     DOWNLODA_SUCCESS, true},
    {"OptionWithoutUrlReadsTheFile", {"3", "-u"}, true, "__mtPostAutoProcess : Enter .", 3, DOWNLODA_SUCCESS, true},
    {"OtherOptionReadsTheFile", {"5", "-p", "<url>"}, false, "__mtPostAutoProcess : Enter .", 5, DOWNLODA_NOURL},
    {"WebUpgradeWithoutPort", {"2"}, false, "__mtPostUpdateResolve : eWebLocalUpgrade port ERROR !", 2,
     DOWNLODA_NOTNEED},
    {"WebUpgradeOtherOption", {"2", "-u", "8080"}, false, "__mtPostUpdateResolve : eWebLocalUpgrade port ERROR !", 2,
     DOWNLODA_NOTNEED},
    {"TypeSix", {"6", "-u", "<url>"}, true, "mtPostDownloadResultNotify : result 1 .", 6, DOWNLODA_NOTNEED},
    {"NegativeType", {"-1"}, true, "mtPostDownloadResultNotify : result 1 .", -1, DOWNLODA_NOTNEED},
};

INSTANTIATE_TEST_SUITE_P(Arguments, EntryPointTest, testing::ValuesIn(kEntryCases),
                         [](const testing::TestParamInfo<EntryCase> &info) { return info.param.name; });

TEST(WebLocalUpgradeTest, StopsTheWebUpgradeCgiThenStartsTheWebServer) {
  const struct {
    const char *port;
    const char *shown;
  } cases[] = {{"8080", "8080"}, {"http", "0"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.port);
    ASSERT_EQ(system("cp /bin/sleep /tmp/ota-upgrade-cgi"), 0);
    pid_t cgi = -1;
    const char *argv[] = {"/tmp/ota-upgrade-cgi", "60", nullptr};
    ASSERT_EQ(posix_spawn(&cgi, argv[0], nullptr, nullptr, const_cast<char **>(argv), environ), 0);
    usleep(50000);
    board::ClearCommandCalls();
    board::SetCommandExitStatus("httpd", 3);

    const FlowRun run = Resolve({"2", "-p", c.port});
    EXPECT_TRUE(run.returned);
    EXPECT_NE(run.result, 0) << "the shell's result for the web server";
    kill(cgi, SIGTERM);  // (when it was not stopped: then the status says so)
    int status = 0;
    ASSERT_EQ(waitpid(cgi, &status, 0), cgi);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the web upgrade CGI was stopped";
    const std::vector<board::CommandCall> expected = {{"httpd", {"-h", "/webroot", "-p", c.shown}}};
    EXPECT_EQ(board::CommandCalls(), expected);
    EXPECT_EQ(posttest::OtaCalls(run), "set");
  }
}

TEST(EntryPointHooksTest, DoNothing) {
  EXPECT_EQ(user_sysinit(), 0);
  EXPECT_EQ(user_syskill(), 0);
}

}  // namespace
