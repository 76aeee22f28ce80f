// For the end-to-end tests of the post-boot upgrade on the board: firmware
// packets served by a real HTTP(S) server on loopback, the user configuration
// file, and flows run in a child process with the platform stand-ins set up
// there.
#pragma once

#include "flowRunner_test.h"
#include "http_recorder.h"
#include "packetBuilder.h"
#include "tls_files.h"

#include "baseLcd.h"
#include "baseUpgrade.h"
#include "board/panel.h"
#include "board/sandbox.h"
#include "board/transcript.h"
#include "host/http.h"
#include "host/nm.h"
#include "host/ota.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace posttest {

inline constexpr char kConfigPath[] = "/mnt/userdata/default_user_config.txt";
inline constexpr char kWorkDir[] = "/tmp/upgrade";
inline constexpr char kImagePath[] = "/tmp/upgrade/image.bin";
inline constexpr char kOtaRecordLine[] = "# ota calls: ";
inline constexpr char kPavoLine[] = "upgradeAfterProcessStart : starting the main application Pavo";

// The user configuration file in the phone's layout (CR LF line ends).
inline std::string ConfigText(const std::string &url, const std::string &user = "", const std::string &password = "",
                              int verifyPeer = 0) {
  return "Firmware Url       :" + url + "\r\nFirmware User      :" + user + "\r\nFirmware password  :" + password +
         "\r\nFirmware Digest    :\r\nZel Verify Peer Enable:" + std::to_string(verifyPeer) + "\r\n";
}

inline void WriteConfig(const std::string &text) { ASSERT_TRUE(board::WriteFile(kConfigPath, text)); }

// Packets below kWorkDir, served by a server of their own.
class FirmwareServer {
 public:
  explicit FirmwareServer(bool https = false) {
    std::filesystem::create_directories(std::string(kWorkDir) + "/www");
    testsupport::HttpRecorderOptions options;
    options.root = std::string(kWorkDir) + "/www";
    if (https) {
      tlsOk_ = testsupport::MakeSelfSignedCertificate(kWorkDir, &tls_);
      options.certFile = tls_.certFile;
      options.keyFile = tls_.keyFile;
    }
    server_ = std::make_unique<testsupport::HttpRecorder>(options);
  }
  bool ok() const { return server_->ok() && tlsOk_; }
  testsupport::HttpRecorder &server() { return *server_; }
  const testsupport::TlsFiles &tls() const { return tls_; }

  // Writes a payload of size bytes and a packet of it named name (fields as
  // given, the digest the payload's); returns the packet's URL.
  std::string AddPacket(const std::string &name, size_t size, fwpacket::Fields fields = {}) {
    payload_.resize(size);
    for (size_t i = 0; i < size; ++i) payload_[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    const std::string payloadPath = std::string(kWorkDir) + "/payload.bin";
    board::WriteFile(payloadPath, payload_);
    fields.digest = fwpacket::FileDigest(payloadPath).value();
    EXPECT_TRUE(fwpacket::WritePacket(fields, payloadPath, std::string(kWorkDir) + "/www/" + name));
    return server_->Url("/" + name);
  }
  const std::string &payload() const { return payload_; }

 private:
  testsupport::TlsFiles tls_;
  bool tlsOk_ = true;
  std::unique_ptr<testsupport::HttpRecorder> server_;
  std::string payload_;
};

// How the platform stand-ins behave in the child.
struct Platform {
  int connectDelayMs = 0;  // negative: the network never comes up
  bool otaWriteFails = false;
  bool downloadRefused = false;  // the HTTP client cannot start a download
  int hostStaysMs = 0;  // how long the host process goes on after the flow returns
};

// The OTA library's calls, printed at the end of the child whichever way it
// ends.
inline void PrintOtaRecord() {
  hostOtaRecord record{};
  hostOtaRecordGet(&record);
  std::printf("%s%s\n", kOtaRecordLine, record.calls);
  std::fflush(stdout);
}

// Runs flow in a child process with the stand-ins set up as platform says.
inline FlowRun RunUpgrade(const std::function<int()> &flow, Platform platform = {}) {
  return RunFlow([&] {
    hostNmSetConnectDelay(platform.connectDelayMs);
    hostOtaSetImagePath(kImagePath);
    hostOtaSetWriteFailure(platform.otaWriteFails ? 1 : 0);
    hostHttpSetReadOpenRefused(platform.downloadRefused ? 1 : 0);
    std::atexit(PrintOtaRecord);
    const int result = flow();
    PrintOtaRecord();
    usleep(static_cast<useconds_t>(platform.hostStaysMs) * 1000);
    return result;
  });
}

// The output without the lines this fixture adds.
inline std::vector<std::string> FlowLines(const FlowRun &run) {
  std::vector<std::string> lines;
  for (const std::string &line : run.Lines())
    if (line.rfind("# ", 0) != 0) lines.push_back(line);
  return lines;
}

inline std::string OtaCalls(const FlowRun &run) {
  for (const std::string &line : run.Lines())
    if (line.rfind(kOtaRecordLine, 0) == 0) return line.substr(sizeof kOtaRecordLine - 1);
  return "<none>";
}

inline std::optional<std::string> Image() { return board::ReadFile(kImagePath); }

// ---- The panel ----------------------------------------------------------------

// True when something was sent to the panel since the records were cleared.
inline bool PanelUsed() { return !board::OfDevices(board::ReadTranscript(), {"spi"}).empty(); }

// What the panel's glass shows after everything sent to it.
inline board::Image Glass() {
  board::Panel panel;
  panel.Replay(board::ReadTranscript());
  return panel.Glass();
}

// The failure screen as the upgrade screens show it when the upgrade fails
// at once, drawn on a fresh panel by a process of its own.
inline board::Image FailureScreen() {
  board::ClearTranscript();
  RunFlow([] {
    if (baseUiInit() < 0) return -1;
    baseUpgradeFlagSet(BASE_UPGRADE_FAILED);
    baseUpdateStartProcess();
    return baseUpgradeResultDiaplayCompleteCheck(50);
  });
  return Glass();
}

// True when the glass shows the progress screen: text in the row at 32-43,
// the bar frame (columns 26-105, rows 45-51, two pixels wide) and nothing
// above the text.
inline testing::AssertionResult ShowsProgressScreen(const board::Image &glass) {
  for (int x = 26; x <= 105; ++x) {
    for (int y : {45, 46, 50, 51})
      if (!glass.Ink(x, y)) return testing::AssertionFailure() << "frame missing at " << x << "," << y << "\n" << glass.Terminal();
  }
  for (int y = 45; y <= 51; ++y) {
    for (int x : {26, 27, 104, 105})
      if (!glass.Ink(x, y)) return testing::AssertionFailure() << "frame missing at " << x << "," << y << "\n" << glass.Terminal();
  }
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < board::Image::kWidth; ++x)
      if (glass.Ink(x, y)) return testing::AssertionFailure() << "ink above the text at " << x << "," << y << "\n" << glass.Terminal();
  }
  int textInk = 0;
  for (int y = 32; y < 44; ++y) {
    for (int x = 0; x < board::Image::kWidth; ++x) textInk += glass.Ink(x, y) ? 1 : 0;
  }
  if (textInk == 0) return testing::AssertionFailure() << "no text\n" << glass.Terminal();
  return testing::AssertionSuccess();
}

}  // namespace posttest
