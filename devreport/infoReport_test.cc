// Tests of the device info report against the host platform: a real HTTP
// server on loopback records each report, the timer clock is manual, and the
// device's answers come from the stand-ins' controls.
#include "infoReport_fixture.h"

#include "host/clock.h"
#include "host/config.h"
#include "host/event.h"
#include "host/http.h"
#include "host/log.h"
#include "host/memory.h"
#include "host/nm.h"
#include "host/prop.h"
#include "host/semaphore.h"
#include "host/tm.h"
#include "infoReport.h"
#include "platform/nm.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

namespace devreport_test {
namespace {

TEST_F(InfoReportTest, ReportCarriesTheDeviceState) {
  std::time_t before = std::time(nullptr);
  infoReportProcess();
  std::time_t after = std::time(nullptr);

  std::vector<Report> reports = TakeReports(1);
  ASSERT_EQ(reports.size(), 1u);
  const Report &r = reports[0];
  EXPECT_EQ(r.request.method, "GET");
  EXPECT_EQ(r.target, "/report/");
  // The JSON text travels percent-encoded: no blank, quote or brace is left.
  EXPECT_EQ(r.request.path.find_first_of(" \"{}"), std::string::npos) << r.request.path;

  const nlohmann::json &j = r.json;
  EXPECT_EQ(j["VER"], "01");
  EXPECT_EQ(j["CTEI"], std::string(kCteiPrefix) + "3359829");
  EXPECT_EQ(j["MAC"], kMac);
  EXPECT_EQ(j["IP"], kIp);
  EXPECT_EQ(j["UPLINKMAC"], kWiredUpperMac);
  EXPECT_EQ(j["LINK"], "2");
  EXPECT_EQ(j["FWVER"], kFirmware);
  std::tm date{};
  ASSERT_NE(strptime(j["DATE"].get<std::string>().c_str(), "%Y-%m-%d %H:%M:%S", &date), nullptr) << j["DATE"];
  date.tm_isdst = -1;
  std::time_t sent = std::mktime(&date);
  EXPECT_GE(sent, before);
  EXPECT_LE(sent, after);
  // Byte for byte as the report server parses it, one blank before "IP".
  EXPECT_EQ(r.jsonText, "{\"VER\":\"01\",\"CTEI\":\"" + std::string(kCteiPrefix) + "3359829\",\"MAC\":\"" + kMac +
                            "\", \"IP\":\"" + kIp + "\",\"UPLINKMAC\":\"" + kWiredUpperMac +
                            "\",\"LINK\":\"2\",\"FWVER\":\"" + kFirmware + "\",\"DATE\":\"" +
                            j["DATE"].get<std::string>() + "\"}");

  EXPECT_EQ(ArmedSeconds(), (std::vector<int>{86400}));
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{86400}));
  EXPECT_EQ(ReportLog(), (std::vector<std::string>{"infoReportProcess: url:" + recorder().Url(r.request.path),
                                                   "infoReportUrlResultNotify: rspCode:200", "infoReportProcess: end"}));
}

TEST_F(InfoReportTest, CteiNumberIsTheMacTailInDecimal) {
  struct Case {
    const char *mac;
    const char *number;
  };
  const Case cases[] = {
      {"00:11:22:33:44:55", "3359829"},  {"00:11:22:00:00:07", "0000007"}, {"00:11:22:FF:FF:FF", "16777215"},
      {"00:11:22:ab:cd:ef", "11259375"}, {"", "0000000"},
      {"00:11:22:33:44:55:66:77", "2147483647"},  // more than an int holds: the largest
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mac);
    hostNmSetMac(c.mac);
    infoReportProcess();
    std::vector<Report> reports = TakeReports(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].json["CTEI"], std::string(kCteiPrefix) + c.number);
    EXPECT_EQ(reports[0].json["MAC"], c.mac);
  }
}

TEST_F(InfoReportTest, NetworkKindChoosesLinkAndUpstreamInterface) {
  struct Case {
    int kind;
    const char *link;
    const char *upperMac;
  };
  const Case cases[] = {
      {NM_NETWORK_WIFI, "1", kWifiUpperMac},
      {NM_NETWORK_WIRED, "2", kWiredUpperMac},
      {2, "2", kWifiUpperMac},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.kind);
    hostNmSetNetworkType(c.kind);
    infoReportProcess();
    std::vector<Report> reports = TakeReports(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].json["LINK"], c.link);
    EXPECT_EQ(reports[0].json["UPLINKMAC"], c.upperMac);
  }
}

// Each change of the setting runs a report to the new address, on the
// configuration library's thread.
TEST_F(InfoReportTest, ServerAddressGetsExactlyOneSlash) {
  struct Case {
    std::string server;
    const char *target;
  };
  const Case cases[] = {
      {recorder().Url("/collect"), "/collect/"},
      {recorder().Url("/collect/"), "/collect/"},
      {recorder().Url(), "/"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.server);
    ASSERT_EQ(hostConfigSet(INFO_REPORT_CONFIG_ALIAS, INFO_REPORT_SERVER_KEY, c.server.c_str()), 0);
    hostConfigDrain();
    std::vector<Report> reports = TakeReports(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].target, c.target);
    char server[INFO_REPORT_URL_SIZE];
    infoReportServerGet(server, sizeof server);
    EXPECT_EQ(server, c.server);
  }
}

// 200 waits a day; failures retry after 30 minutes three times, then wait a
// day and count again. Every run is the expiry of the timer before it.
TEST_F(InfoReportTest, ResponseCodesChooseTheNextTimer) {
  ASSERT_TRUE(recorder().QueueStatus({200, 500, 500, 500, 500, 500}));
  infoReportProcess();
  for (long seconds : {86400, 1800, 1800, 1800, 86400}) hostClockAdvance(seconds);

  EXPECT_EQ(TakeReports(6).size(), 6u);
  EXPECT_EQ(ArmedSeconds(), (std::vector<int>{86400, 1800, 1800, 1800, 86400, 1800}));
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{1800}));
  std::vector<std::string> retries;
  for (const std::string &line : ReportLog()) {
    if (line.rfind("infoReportUrlResultNotify: retryTimes:", 0) == 0) retries.push_back(line.substr(line.size() - 1));
  }
  EXPECT_EQ(retries, (std::vector<std::string>{"0", "1", "2", "3", "0"}));
}

TEST_F(InfoReportTest, TransportFailureIsRetriedLikeAFailedResponse) {
  ASSERT_EQ(hostConfigSet(INFO_REPORT_CONFIG_ALIAS, INFO_REPORT_SERVER_KEY, ClosedPortUrl().c_str()), 0);
  hostConfigDrain();
  EXPECT_EQ(ArmedSeconds(), (std::vector<int>{1800}));
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{1800}));
  EXPECT_TRUE(LogHas("infoReportUrlResultNotify: rspCode:0"));
}

TEST_F(InfoReportTest, UnknownUpstreamMacPostponesFiveTimesThenSendsWithoutIt) {
  hostNmSetUpperMac(kWiredNic, nullptr);
  long long start = hostClockNowMs();
  infoReportProcess();
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(recorder().TakeRequests().empty()) << "run " << i;
    hostClockAdvance(3);
  }

  std::vector<Report> reports = TakeReports(1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].json["UPLINKMAC"], "");
  EXPECT_EQ(ArmedSeconds(), (std::vector<int>{3, 3, 3, 3, 3, 86400}));
  hostTimerInfo pending[2];
  ASSERT_EQ(hostTimerPending(pending, 2), 1);
  EXPECT_EQ(pending[0].dueMs - start, (15 + 86400) * 1000LL) << "sent at 15 s";
  for (int n = 0; n < 5; ++n) EXPECT_TRUE(LogHas("infoReportUrlGet: upperMac is NULL;gGetUrlRetryTimes:" + std::to_string(n)));
}

TEST_F(InfoReportTest, UnsetClockPostponesForAsLongAsItStaysUnset) {
  hostTmSetSntpStatus(0);
  infoReportProcess();
  for (int i = 0; i < 9; ++i) hostClockAdvance(3);
  EXPECT_TRUE(recorder().TakeRequests().empty());
  EXPECT_EQ(ArmedSeconds(), std::vector<int>(10, 3));
  EXPECT_TRUE(LogHas("infoReportUrlGet: upperMac is NULL;gGetUrlRetryTimes:9"));

  hostTmSetSntpStatus(1);
  hostClockAdvance(3);
  std::vector<Report> reports = TakeReports(1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].json["UPLINKMAC"], kWiredUpperMac);
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{86400}));
}

TEST_F(InfoReportTest, NetworkEventCancelsAPendingRetryAndReportsAtOnce) {
  ASSERT_TRUE(recorder().QueueStatus({500}));
  infoReportProcess();
  ASSERT_EQ(PendingSeconds(), (std::vector<int>{1800}));

  hostEventPublish("NM_EVENT_NET_CONNECTED", nullptr);
  hostEventDrain();
  EXPECT_EQ(TakeReports(2).size(), 2u);
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{86400})) << "the retry timer is gone";
}

// A run without a CTEI prefix or a server sends nothing, arms nothing and
// cancels the timer that was pending: the next report waits for an event.
TEST_F(InfoReportTest, EarlyEndsLeaveNoTimer) {
  ASSERT_EQ(PendingSeconds(), (std::vector<int>{86400}));
  hostPropSetCteiCode("");
  infoReportProcess();
  EXPECT_EQ(ReportLog(), (std::vector<std::string>{"infoReportUrlGet: cteiPrefix is NULL"}));
  EXPECT_TRUE(PendingSeconds().empty());

  hostPropSetCteiCode(kCteiPrefix);
  hostLogClear();
  ASSERT_EQ(hostConfigSet(INFO_REPORT_CONFIG_MODULE, INFO_REPORT_SERVER_KEY, ""), 0);
  hostConfigDrain();
  infoReportProcess();
  EXPECT_TRUE(ReportLog().empty()) << "no server: silent";

  EXPECT_TRUE(recorder().TakeRequests().empty());
  EXPECT_TRUE(ArmedSeconds().empty());
  EXPECT_TRUE(PendingSeconds().empty());
}

TEST_F(InfoReportTest, UninitCancelsTheTimerAndLaterEventsStillReport) {
  ASSERT_EQ(PendingSeconds().size(), 1u);
  infoReportUninit();
  EXPECT_TRUE(PendingSeconds().empty());

  // Without the report lock the run still works.
  hostEventPublish("NM_EVENT_NET_CONNECTED", nullptr);
  hostEventDrain();
  EXPECT_EQ(TakeReports(1).size(), 1u);
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{86400}));

  // Starting again registers and subscribes nothing twice, and sends nothing.
  EXPECT_EQ(infoReportInit(), 0);
  EXPECT_EQ(hostEventCareCount("NM_EVENT_NET_CONNECTED"), 1);
  EXPECT_TRUE(recorder().TakeRequests().empty());
  EXPECT_EQ(ArmedSeconds(), (std::vector<int>{86400}));
}

// The records as the configuration library keeps them.
TEST_F(InfoReportTest, RegistersTheServerSettingWithTheConfigurationLibrary) {
  char name[CONFIG_MODULE_NAME_SIZE];
  ASSERT_EQ(hostConfigAliasGet(INFO_REPORT_CONFIG_ALIAS, name, sizeof name), 0);
  EXPECT_STREQ(name, "<INFO REPORT CONFIG MODULE>");

  moduleConfigInfo info;
  ASSERT_EQ(hostConfigRegistrationGet(INFO_REPORT_CONFIG_MODULE, &info), 0);
  EXPECT_STREQ(info.name, "<INFO REPORT CONFIG MODULE>");
  ASSERT_EQ(info.itemCount, 1);
  EXPECT_STREQ(info.items[0].key, "Server              :");
  EXPECT_EQ(info.items[0].type, 7);
  EXPECT_EQ(info.items[0].maxLength, 512);
  EXPECT_EQ(info.items[0].access, 2);
  EXPECT_EQ(info.items[0].value, info.data);
  EXPECT_EQ(info.dataSize, static_cast<int>(sizeof(char *)));
  ASSERT_NE(info.enabled, nullptr);
  EXPECT_EQ(*info.enabled, 1);
  ASSERT_EQ(info.hookCount, 1);
  EXPECT_NE(info.hooks[0].applyFunc, nullptr);

  char value[INFO_REPORT_URL_SIZE];
  ASSERT_EQ(hostConfigGet(INFO_REPORT_CONFIG_MODULE, INFO_REPORT_SERVER_KEY, value, sizeof value), 0);
  EXPECT_EQ(value, recorder().Url("/report"));
  infoReportServerGet(nullptr, 10);  // does nothing
  char small[8];
  infoReportServerGet(small, sizeof small);
  EXPECT_STREQ(small, "http://");
}

// The HTTP client may call back on another thread while the request waits:
// no lock of the module may be held across the request.
TEST_F(InfoReportTest, NoLockIsHeldDuringTheRequest) {
  struct Seen {
    long held = -1;
  } seen;
  hostHttpSetObserver(
      [](const curlClientRequest *request, void *arg) {
        hostSemStats stats;
        hostSemStatsGet(&stats);
        static_cast<Seen *>(arg)->held = stats.held;
        EXPECT_EQ(request->connectTimeout, 10);
        EXPECT_EQ(request->timeout, 20);
        EXPECT_EQ(request->method, CURL_CLIENT_METHOD_GET);
      },
      &seen);
  infoReportProcess();
  hostHttpSetObserver(nullptr, nullptr);
  EXPECT_EQ(seen.held, 0);
  EXPECT_EQ(TakeReports(1).size(), 1u);
  hostSemStats stats;
  hostSemStatsGet(&stats);
  EXPECT_EQ(stats.held, 0);
}

// Reading the setting back copies it; every failed allocation on the way is
// accepted, and nothing leaks.
TEST_F(InfoReportTest, ConfigurationCopySurvivesOutOfMemory) {
  long liveBefore = hostMemLiveBlocks();
  for (long n = 1;; ++n) {
    SCOPED_TRACE(n);
    char value[INFO_REPORT_URL_SIZE] = "unchanged";
    hostMemFailAfter(n, 0);
    int rc = hostConfigGet(INFO_REPORT_CONFIG_ALIAS, INFO_REPORT_SERVER_KEY, value, sizeof value);
    bool injected = hostMemFailuresInjected() > 0;
    hostMemFailOff();
    EXPECT_EQ(hostMemLiveBlocks(), liveBefore);
    if (!injected) {
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(value, recorder().Url("/report"));
      break;
    }
    EXPECT_TRUE(rc == -1 || value[0] == '\0') << value;
  }
}

// Without its report lock (its creation failed) the module skips every
// lock operation and still reports.
TEST_F(InfoReportTest, ReportsWithoutTheReportLock) {
  infoReportUninit();
  hostMemFailAfter(1, 0);
  infoReportInit();
  hostMemFailOff();
  infoReportProcess();
  EXPECT_EQ(TakeReports(1).size(), 1u);
  EXPECT_EQ(PendingSeconds(), (std::vector<int>{86400}));
  infoReportUninit();
  EXPECT_TRUE(PendingSeconds().empty());
}

}  // namespace
}  // namespace devreport_test
