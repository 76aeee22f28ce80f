// Every public operation of the device info report with allocation N failing,
// for every N, once and from N on: no crash, no leak, no lock left held, at
// most one report timer pending, and whatever reaches the server is a whole
// report. The operations include the ways the platform calls in: a change of
// the server address through the configuration library, the network's
// connected event and the report timer.
#include "infoReport.h"
#include "infoReport_fixture.h"
#include "support/oom_loop.h"

#include "host/clock.h"
#include "host/config.h"
#include "host/event.h"
#include "host/semaphore.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace devreport_test {
namespace {

class InfoReportOomTest : public InfoReportTest {
 protected:
  static void ExpectQuietModule() {
    hostSemStats stats;
    hostSemStatsGet(&stats);
    EXPECT_EQ(stats.held, 0) << "a lock is still held";
    EXPECT_LE(PendingSeconds().size(), 1u);
  }
  // Every report the server received is whole, to one of the servers.
  static void ExpectWholeReports(std::initializer_list<const char *> targets = {"/report/"}) {
    for (const auto &request : recorder().TakeRequests()) {
      const Report report = ParseReport(request);
      EXPECT_NE(std::find(targets.begin(), targets.end(), report.target), targets.end()) << report.target;
      EXPECT_TRUE(report.json.is_object()) << report.jsonText;
    }
  }
};

TEST_F(InfoReportOomTest, ProcessSurvivesOutOfMemory) {
  const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
    run.Arm();
    infoReportProcess();
    run.Disarm();
    ExpectQuietModule();
    ExpectWholeReports();
  });
  std::printf("infoReportProcess: %ld out-of-memory runs\n", runs);
}

TEST_F(InfoReportOomTest, ServerGetSurvivesOutOfMemory) {
  const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
    char server[INFO_REPORT_URL_SIZE];
    std::memset(server, 'x', sizeof server);
    run.Arm();
    infoReportServerGet(server, sizeof server);
    run.Disarm();
    EXPECT_NE(std::memchr(server, '\0', sizeof server), nullptr);
    EXPECT_TRUE(server[0] == '\0' || recorder().Url("/report") == server) << server;
    ExpectQuietModule();
  });
  std::printf("infoReportServerGet: %ld out-of-memory runs\n", runs);
}

// Init after an uninit, failing on the way; the next init completes what the
// failed one left out, so the module reports again.
TEST_F(InfoReportOomTest, InitSurvivesOutOfMemory) {
  const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
    infoReportUninit();
    run.Arm();
    const int initResult = infoReportInit();
    const int cfgResult = infoReportCfgInit();
    run.Disarm();
    EXPECT_TRUE(initResult == 0 || initResult == -1) << initResult;
    EXPECT_TRUE(cfgResult == 0 || cfgResult == -1) << cfgResult;
    EXPECT_EQ(infoReportInit(), 0);
    infoReportProcess();
    EXPECT_EQ(recorder().TakeRequests().size(), 1u);
    ExpectQuietModule();
  });
  std::printf("infoReportInit, infoReportCfgInit: %ld out-of-memory runs\n", runs);
}

TEST_F(InfoReportOomTest, UninitSurvivesOutOfMemory) {
  const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
    run.Arm();
    EXPECT_EQ(infoReportUninit(), 0);
    run.Disarm();
    EXPECT_TRUE(PendingSeconds().empty()) << "the report timer outlived the module";
    ASSERT_EQ(infoReportInit(), 0);
    infoReportProcess();
    EXPECT_EQ(recorder().TakeRequests().size(), 1u);
    ExpectQuietModule();
  });
  std::printf("infoReportUninit: %ld out-of-memory runs\n", runs);
}

// A new server address through the configuration library: its copy of the
// module's data, the store and the report that the apply hook sends. The
// address is the old or the new one, never lost.
TEST_F(InfoReportOomTest, ServerChangeSurvivesOutOfMemory) {
  const std::string servers[] = {recorder().Url("/report"), recorder().Url("/other")};
  size_t next = 1;
  const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
    run.Arm();
    ASSERT_EQ(hostConfigSet(INFO_REPORT_CONFIG_ALIAS, INFO_REPORT_SERVER_KEY, servers[next].c_str()), 0);
    hostConfigDrain();
    run.Disarm();
    char server[INFO_REPORT_URL_SIZE] = {};
    infoReportServerGet(server, sizeof server);
    EXPECT_TRUE(server == servers[0] || server == servers[1]) << server;
    if (server == servers[next]) next = 1 - next;  // changed: the next run changes it back
    ExpectQuietModule();
    ExpectWholeReports({"/report/", "/other/"});
  });
  std::printf("server address change: %ld out-of-memory runs\n", runs);
}

// The platform's calls into the module: the network's connected event, and
// the daily report timer falling due (with whatever timers its report arms
// falling due on the way).
TEST_F(InfoReportOomTest, EventAndTimerSurviveOutOfMemory) {
  const struct {
    const char *what;
    void (*raise)();
  } callbacks[] = {
      {"network connected event",
       [] {
         hostEventPublish("NM_EVENT_NET_CONNECTED", nullptr);
         hostEventDrain();
       }},
      {"report timer", [] { hostClockAdvance(86400); }},
  };
  for (const auto &callback : callbacks) {
    SCOPED_TRACE(callback.what);
    const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
      if (PendingSeconds().empty()) infoReportProcess();  // a failed run left no timer
      run.Arm();
      callback.raise();
      run.Disarm();
      ExpectQuietModule();
      ExpectWholeReports();
    });
    std::printf("%s: %ld out-of-memory runs\n", callback.what, runs);
  }
}

}  // namespace
}  // namespace devreport_test
