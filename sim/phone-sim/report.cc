// phone-sim report: the device info report plug-in in a host process of the
// phone, reporting to a local report server, on a clock that jumps to each
// timer.
#include "host/clock.h"
#include "host/event.h"
#include "host/nm.h"
#include "host/prop.h"
#include "host/tm.h"
#include "httpServer.h"
#include "infoReport.h"
#include "platform/nm.h"
#include "platform/runtime.h"
#include "subcommand.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace phonesim {
namespace {

constexpr char kUserConfigFile[] = "/mnt/userdata/default_user_config.txt";
constexpr char kDefaultResponses[] = "200,500,500,500,500,200";
// The phone's identity in the report.
constexpr char kCteiPrefix[] = "CT0451";
constexpr char kFirmware[] = "2.14.0.3";
constexpr char kIp[] = "192.0.2.10";
constexpr char kMac[] = "00:11:22:33:44:55";
constexpr char kWiredUpperMac[] = "66:77:88:99:AA:01";
constexpr char kWifiUpperMac[] = "66:77:88:99:AA:02";
// Runs of the report at most, so that a report that never goes out (an
// unset clock postpones it for ever) still ends the simulation.
constexpr int kMaxRuns = 40;

constexpr Option kOptions[] = {
    {"--responses", "LIST",
     "the status codes the report server answers, in order, comma-separated (default 200,500,500,500,500,200); "
     "the run ends after that many reports"},
    {"--mac", "MAC", "the phone's MAC address (default 00:11:22:33:44:55)"},
    {"--wifi", nullptr, "the phone is on Wi-Fi instead of the wired network"},
    {"--no-upper-mac", nullptr, "the upstream device's MAC is not known: each report is postponed first"},
};

// The report server: answers with the codes given, in order, then 200, and
// keeps what it was asked.
class ReportServer {
 public:
  explicit ReportServer(std::deque<int> codes)
      : codes_(std::move(codes)), server_([this](const LoopbackHttpServer::Request &request) {
          const std::lock_guard<std::mutex> hold(mutex_);
          const int code = codes_.empty() ? 200 : codes_.front();
          if (!codes_.empty()) codes_.pop_front();
          seen_.push_back({request.target, code});
          return LoopbackHttpServer::Response{code, code == 200 ? "OK\n" : "not now\n", {}, {}};
        }) {}

  bool Ok() const { return server_.Ok(); }
  std::string Url(std::string_view path) const { return server_.Url(path); }
  // The requests taken since the last call: target and code answered.
  std::vector<std::pair<std::string, int>> Take() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return std::exchange(seen_, {});
  }

 private:
  std::mutex mutex_;
  std::deque<int> codes_;
  std::vector<std::pair<std::string, int>> seen_;
  LoopbackHttpServer server_;  // last: it stops first
};

bool ParseCodes(const std::string &list, std::deque<int> *codes) {
  size_t begin = 0;
  while (begin <= list.size()) {
    const size_t end = std::min(list.find(',', begin), list.size());
    const std::string code = list.substr(begin, end - begin);
    if (code.size() != 3 || code.find_first_not_of("0123456789") != std::string::npos || code[0] == '0') {
      return false;
    }
    codes->push_back(std::stoi(code));
    begin = end + 1;
  }
  return !codes->empty();
}

// "day 1 00:30:00", the simulated time since the start.
std::string SimulatedTime(long long start_ms) {
  const long long seconds = (hostClockNowMs() - start_ms) / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "day %lld %02lld:%02lld:%02lld", seconds / 86400, seconds / 3600 % 24,
                seconds / 60 % 60, seconds % 60);
  return text;
}

// A flat JSON object, one member a line.
std::string IndentedJson(std::string_view json) {
  std::string out;
  bool in_text = false;
  for (size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '"' && (i == 0 || json[i - 1] != '\\')) in_text = !in_text;
    if (in_text) {
      out.push_back(c);
    } else if (c == '{') {
      out += "{\n      ";
    } else if (c == '}') {
      out += "\n    }";
    } else if (c == ',') {
      out += ",\n      ";
      while (i + 1 < json.size() && json[i + 1] == ' ') ++i;
    } else if (c == ':') {
      out += ": ";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

const char *TimerMeaning(int seconds) {
  switch (seconds) {
    case 86400: return "the daily report";
    case 1800: return "a retry in 30 minutes";
    case 3: return "postponed: upstream MAC or clock not ready";
    default: return "";
  }
}

class Reporter {
 public:
  explicit Reporter(ReportServer *server) : server_(server), start_ms_(hostClockNowMs()) {}

  // What the last run did: the requests the server got and the timers armed.
  // Returns how many requests there were.
  size_t Show() {
    size_t requests = 0;
    for (const auto &[target, code] : server_->Take()) {
      const std::string decoded = DecodePercent(target);
      const size_t query = decoded.find("?jsonstr");
      std::printf("  report %zu  GET %s?jsonstr…\n", ++reports_, decoded.substr(0, query).c_str());
      if (query != std::string::npos) std::printf("    %s\n", IndentedJson(decoded.substr(query + 8)).c_str());
      std::printf("    answered %d\n", code);
      ++requests;
    }
    std::vector<hostTimerInfo> armed(static_cast<size_t>(std::max(0, hostTimerHistory(nullptr, 0))));
    armed.resize(static_cast<size_t>(
        std::clamp(hostTimerHistory(armed.data(), static_cast<int>(armed.size())), 0, static_cast<int>(armed.size()))));
    hostTimerHistoryClear();
    for (const hostTimerInfo &timer : armed) {
      std::printf("  timer armed: %d s, %s\n", timer.seconds, TimerMeaning(timer.seconds));
    }
    std::fflush(stdout);
    return requests;
  }

  std::string Now() const { return SimulatedTime(start_ms_); }

 private:
  ReportServer *server_;
  long long start_ms_;
  size_t reports_ = 0;
};

std::string CheckReport(const Options &options) {
  std::deque<int> codes;
  if (!ParseCodes(options.Value("--responses").value_or(kDefaultResponses), &codes)) {
    return "--responses takes HTTP status codes such as 200,500";
  }
  return {};
}

int RunReport(const Options &options) {
  std::deque<int> codes;
  ParseCodes(options.Value("--responses").value_or(kDefaultResponses), &codes);
  const size_t wanted = codes.size();
  const std::string mac = options.Value("--mac").value_or(kMac);
  const bool wifi = options.Has("--wifi");

  // The platform of the host process, its timers on a clock that moves only
  // when told.
  uEventInit();
  hostClockSetManual(1);
  ReportServer server(std::move(codes));
  if (!server.Ok()) {
    std::fprintf(stderr, "phone-sim report: cannot start the report server on loopback\n");
    return 1;
  }
  // The report server setting, as the configuration service stores it.
  const std::string url = server.Url("/report");
  std::ofstream(kUserConfigFile, std::ios::app | std::ios::binary) << INFO_REPORT_SERVER_KEY << url << "\r\n";
  hostPropSetCteiCode(kCteiPrefix);
  hostPropSetSoftwareVersion(kFirmware);
  hostNmSetMac(mac.c_str());
  hostNmSetIp(kIp);
  hostNmSetNetworkType(wifi ? NM_NETWORK_WIFI : NM_NETWORK_WIRED);
  if (!options.Has("--no-upper-mac")) {
    hostNmSetUpperMac("eth0", kWiredUpperMac);
    hostNmSetUpperMac("wlan0", kWifiUpperMac);
  }
  hostTmSetSntpStatus(1);

  std::printf("Report server  %s (%s \"%s\" in %s)\n", url.c_str(), INFO_REPORT_SERVER_KEY, url.c_str(),
              kUserConfigFile);
  std::printf("Phone          CTEI prefix %s, MAC %s, IP %s, %s, firmware %s\n\n", kCteiPrefix, mac.c_str(), kIp,
              wifi ? "Wi-Fi" : "wired", kFirmware);

  Reporter reporter(&server);
  infoReportInit();
  std::printf("[%s] the plug-in starts; the network comes up (NM_EVENT_NET_CONNECTED)\n", reporter.Now().c_str());
  nmModuleInit();
  hostEventDrain();
  size_t reports = reporter.Show();
  for (int run = 1; reports < wanted && run < kMaxRuns; ++run) {
    hostTimerInfo next{};
    if (hostTimerPending(&next, 1) < 1) {
      std::printf("[%s] no timer pending: no further report\n", reporter.Now().c_str());
      break;
    }
    // To the timer's due time, whole seconds rounded up.
    const long long wait_ms = std::max(0LL, next.dueMs - hostClockNowMs());
    hostClockAdvance(static_cast<long>((wait_ms + 999) / 1000));
    std::printf("[%s] the %d s timer runs the report\n", reporter.Now().c_str(), next.seconds);
    reports += reporter.Show();
  }
  infoReportUninit();
  std::printf("\n%zu of %zu reports sent.\n", reports, wanted);
  return reports == wanted ? 0 : 1;
}

}  // namespace

const Subcommand kReportSubcommand = {
    "report",
    "device reports reaching a local report server, on a fast clock",
    "Loads the device info report plug-in into a host process of the phone,\n"
    "with a local report server configured, and brings the network up. Each\n"
    "report the server receives is printed with its decoded JSON text, with the\n"
    "status the server answered and the timer the plug-in armed next; the clock\n"
    "then jumps to that timer (a day passes in an instant). The server answers\n"
    "200 (the next report a day later) or a failure (retried after 30 minutes,\n"
    "three times in a row, then daily). The report's DATE is this PC's clock.\n",
    kOptions,
    nullptr,
    nullptr,
    CheckReport,
    RunReport,
};

}  // namespace phonesim
