// The test fixture of the device info report: one report server (a real HTTP
// server on loopback) for the test program, the timer clock manual, and
// before each test a device that is ready to report and whose last report
// succeeded (so the retry counters start from 0 and a daily timer is
// pending).
#ifndef DEVREPORT_INFO_REPORT_FIXTURE_H
#define DEVREPORT_INFO_REPORT_FIXTURE_H

#include "http_recorder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace devreport_test {

inline constexpr const char *kCteiPrefix = "CT0451";
inline constexpr const char *kMac = "00:11:22:33:44:55";
inline constexpr const char *kIp = "192.0.2.10";
inline constexpr const char *kWiredNic = "eth0";
inline constexpr const char *kWifiNic = "wlan0";
inline constexpr const char *kWiredUpperMac = "66:77:88:99:AA:01";
inline constexpr const char *kWifiUpperMac = "66:77:88:99:AA:02";
inline constexpr const char *kFirmware = "2.14.0.3";

// One report as the server received it.
struct Report {
  testsupport::RecordedRequest request;
  std::string target;    // the decoded path before "?jsonstr"
  std::string jsonText;  // the decoded text after it
  nlohmann::json json;   // that text parsed
};

// A request as a report: its target, JSON text and JSON.
Report ParseReport(const testsupport::RecordedRequest &request);

class InfoReportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static testsupport::HttpRecorder &recorder();

  // Waits for count reports, then takes every one received.
  static std::vector<Report> TakeReports(size_t count);
  // Delays of the timers armed since the test started / pending now.
  static std::vector<int> ArmedSeconds();
  static std::vector<int> PendingSeconds();
  // The texts of the module's log lines since the test started (each
  // checked to be a debug line of the module's tag).
  static std::vector<std::string> ReportLog();
  static bool LogHas(const std::string &text);
  // A loopback URL on which nothing listens.
  static std::string ClosedPortUrl();
};

}  // namespace devreport_test

#endif  // DEVREPORT_INFO_REPORT_FIXTURE_H
