#include "infoReport_fixture.h"

#include "host/clock.h"
#include "host/config.h"
#include "host/event.h"
#include "host/log.h"
#include "host/nm.h"
#include "host/prop.h"
#include "host/tm.h"
#include "infoReport.h"
#include "platform/nm.h"
#include "platform/runtime.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace devreport_test {

namespace {

constexpr std::chrono::seconds kWait{10};
constexpr const char *kTag = "tarvo.InfoReport.main";

// The report server and the configuration file, for the whole program.
class ReportEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    recorder = std::make_unique<testsupport::HttpRecorder>();
    ASSERT_TRUE(recorder->ok()) << "the HTTP recorder did not start";
    char dirTemplate[] = "/tmp/devreport_test.XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    dir = dirTemplate;
    configFile = dir + "/config.txt";
    std::ofstream(configFile) << "Other               :x\r\nServer              :" << recorder->Url("/report") << "\r\n";
    hostConfigSetFile(configFile.c_str());
    hostClockSetManual(1);
    uEventInit();
  }

  void TearDown() override {
    recorder.reset();
    std::remove(configFile.c_str());
    rmdir(dir.c_str());
  }

  std::unique_ptr<testsupport::HttpRecorder> recorder;
  std::string dir, configFile;
};

ReportEnvironment *const gEnvironment =
    static_cast<ReportEnvironment *>(::testing::AddGlobalTestEnvironment(new ReportEnvironment));


std::vector<int> Seconds(const std::vector<hostTimerInfo> &timers) {
  std::vector<int> seconds;
  for (const hostTimerInfo &t : timers) seconds.push_back(t.seconds);
  return seconds;
}

template <typename Get>
std::vector<hostTimerInfo> Timers(Get get) {
  std::vector<hostTimerInfo> timers(static_cast<size_t>(get(nullptr, 0)));
  int n = get(timers.data(), static_cast<int>(timers.size()));
  timers.resize(std::min(timers.size(), static_cast<size_t>(n)));
  return timers;
}

}  // namespace

Report ParseReport(const testsupport::RecordedRequest &request) {
  Report report{request, {}, {}, {}};
  const std::string &path = request.decodedPath;
  size_t query = path.find("?jsonstr");
  if (query == std::string::npos) {
    ADD_FAILURE() << "not a report: " << request.path;
    return report;
  }
  report.target = path.substr(0, query);
  report.jsonText = path.substr(query + 8);
  report.json = nlohmann::json::parse(report.jsonText, nullptr, false);
  if (report.json.is_discarded()) ADD_FAILURE() << "not JSON: " << report.jsonText;
  return report;
}

testsupport::HttpRecorder &InfoReportTest::recorder() { return *gEnvironment->recorder; }

void InfoReportTest::SetUp() {
  ASSERT_TRUE(gEnvironment->recorder && recorder().ok());
  hostNmReset();
  hostNmSetMac(kMac);
  hostNmSetIp(kIp);
  hostNmSetNetworkType(NM_NETWORK_WIRED);
  hostNmSetNicNames(kWiredNic, kWifiNic);
  hostNmSetUpperMac(kWiredNic, kWiredUpperMac);
  hostNmSetUpperMac(kWifiNic, kWifiUpperMac);
  hostPropSetCteiCode(kCteiPrefix);
  hostPropSetSoftwareVersion(kFirmware);
  hostTmSetSntpStatus(1);
  ASSERT_TRUE(recorder().SetDefaultStatus(200));

  ASSERT_EQ(infoReportInit(), 0);
  ASSERT_EQ(hostConfigSet(INFO_REPORT_CONFIG_ALIAS, INFO_REPORT_SERVER_KEY, recorder().Url("/report").c_str()), 0);
  hostConfigDrain();
  infoReportProcess();  // the last report succeeded
  ASSERT_FALSE(recorder().WaitRequests(1, kWait).empty());
  ASSERT_EQ(PendingSeconds(), (std::vector<int>{86400}));
  hostTimerHistoryClear();
  hostLogClear();
}

void InfoReportTest::TearDown() {
  hostEventDrain();
  hostConfigDrain();
  infoReportUninit();
  recorder().TakeRequests();
}

std::vector<Report> InfoReportTest::TakeReports(size_t count) {
  std::vector<Report> reports;
  for (const auto &request : recorder().WaitRequests(count, kWait)) reports.push_back(ParseReport(request));
  return reports;
}

std::vector<int> InfoReportTest::ArmedSeconds() { return Seconds(Timers(hostTimerHistory)); }

std::vector<int> InfoReportTest::PendingSeconds() { return Seconds(Timers(hostTimerPending)); }

std::vector<std::string> InfoReportTest::ReportLog() {
  std::vector<std::string> texts;
  hostLogLine line;
  for (int i = 0; hostLogGet(i, &line) == 0; ++i) {
    if (std::string(line.tag) != kTag) continue;
    EXPECT_EQ(line.level, HOST_LOG_DEBUG) << line.text;
    texts.emplace_back(line.text);
  }
  return texts;
}

bool InfoReportTest::LogHas(const std::string &text) {
  std::vector<std::string> log = ReportLog();
  return std::find(log.begin(), log.end(), text) != log.end();
}

std::string InfoReportTest::ClosedPortUrl() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);  // bound, never listened: connections are refused
  return "http://127.0.0.1:" + std::to_string(port) + "/closed";
}

}  // namespace devreport_test
