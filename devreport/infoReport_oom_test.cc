// Every public operation of the device info report with allocation N failing,
// for every N, once and from N on: no crash, no leak, no lock left held, at
// most one report timer pending, and whatever reaches the server is a whole
// report.
#include "infoReport.h"
#include "infoReport_fixture.h"
#include "support/oom_loop.h"

#include "host/semaphore.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

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
};

TEST_F(InfoReportOomTest, ProcessSurvivesOutOfMemory) {
  const long runs = testsupport::RunOomLoops([&](testsupport::OomRun &run) {
    run.Arm();
    infoReportProcess();
    run.Disarm();
    ExpectQuietModule();
    for (const auto &request : recorder().TakeRequests()) {
      const Report report = ParseReport(request);
      EXPECT_EQ(report.target, "/report/");
      EXPECT_TRUE(report.json.is_object()) << report.jsonText;
    }
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

}  // namespace
}  // namespace devreport_test
