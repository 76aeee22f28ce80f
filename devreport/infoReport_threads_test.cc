// The device info report with its work arriving together on the event
// service's, timer service's and configuration library's threads, while
// every result callback comes on the HTTP client's thread during the
// request: no race, no deadlock, and one report timer at the end.
#include "infoReport_fixture.h"

#include "host/clock.h"
#include "host/config.h"
#include "host/event.h"
#include "host/semaphore.h"
#include "infoReport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

namespace devreport_test {
namespace {

constexpr int kRounds = 20;

TEST_F(InfoReportTest, EventsTimersAndConfigurationChangesTogether) {
  // Failures keep 30-minute retry timers coming for the clock to expire.
  ASSERT_TRUE(recorder().SetDefaultStatus(500));
  const std::string servers[] = {recorder().Url("/a"), recorder().Url("/b")};

  std::thread events([] {
    for (int i = 0; i < kRounds; ++i) hostEventPublish("NM_EVENT_NET_CONNECTED", nullptr);
  });
  std::thread changes([&servers] {
    for (int i = 0; i < kRounds; ++i)
      hostConfigSet(INFO_REPORT_CONFIG_ALIAS, INFO_REPORT_SERVER_KEY, servers[i % 2].c_str());
  });
  std::thread clock([] {
    for (int i = 0; i < kRounds; ++i) hostClockAdvance(1800);
  });
  events.join();
  changes.join();
  clock.join();
  hostEventDrain();
  hostConfigDrain();

  std::vector<Report> reports = TakeReports(kRounds);
  EXPECT_GE(reports.size(), static_cast<size_t>(kRounds));
  const std::set<std::string> targets = {"/a/", "/b/", "/report/"};
  for (const Report &r : reports) {
    EXPECT_EQ(targets.count(r.target), 1u) << r.target;
    EXPECT_EQ(r.json["MAC"], kMac);
  }
  EXPECT_EQ(PendingSeconds().size(), 1u) << "overlapping runs leave one report timer";
  hostSemStats stats;
  hostSemStatsGet(&stats);
  EXPECT_EQ(stats.held, 0);

  infoReportUninit();
  EXPECT_TRUE(PendingSeconds().empty());
}

}  // namespace
}  // namespace devreport_test
