// The boot-time upgrade end to end on the board: from the user configuration
// file through the network event, a real HTTP(S) download, the packet checks
// and the image writer to the result; and each road on which it fails.
#include "flowFixture_test.h"
#include "mtPostProcess.h"

#include "board/sandbox.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char **environ;

namespace {

using posttest::ConfigText;
using posttest::FirmwareServer;
using posttest::FlowLines;
using posttest::FlowRun;
using posttest::OtaCalls;
using posttest::Platform;
using posttest::RunUpgrade;
using posttest::WriteConfig;

constexpr size_t kPayloadSize = 300 * 1024;

// The descriptor number printed after the download was opened.
std::string OpenedLine(const FlowRun &run) {
  for (const std::string &line : run.Lines())
    if (line.rfind("<mtPostProcess> mtPostDownloadStart  fd ", 0) == 0) return line;
  return "<no open>";
}

TEST(BootUpgradeTest, DownloadsChecksAndWritesThePacket) {
  FirmwareServer firmware;
  ASSERT_TRUE(firmware.ok());
  const std::string url = firmware.AddPacket("fw.bin", kPayloadSize);
  WriteConfig(ConfigText(url, "admin", "s3cret"));

  // The host goes on after the flow, long enough for the progress screen's
  // first pass.
  const FlowRun run = RunUpgrade([] { return mtPostAutoProcess(0); }, {.hostStaysMs = 1500});
  EXPECT_TRUE(run.returned) << run.out;
  EXPECT_EQ(posttest::Image(), firmware.payload());
  const std::vector<std::string> expected = {
      "__mtPostAutoProcess : Enter .",
      "__mtPostNmStart : mtPostNmStart !",
      "mtPostDownloadStart : start .",
      OpenedLine(run),
      "ota_file_upgrade_from_fp : " + std::to_string(kPayloadSize) + " bytes read, image written",
      "__mtPostAutoProcess : ret <0> !",
      "mtPostDownloadResultNotify : result 0 .",
      "",
      "mtPostDownloadResultNotify : DOWNLODA_SUCCESS Clean Config Value, Reboot !",
  };
  EXPECT_EQ(FlowLines(run), expected) << run.out;
  EXPECT_EQ(OtaCalls(run), "write") << "after a successful write the host takes over";

  auto requests = firmware.server().WaitRequests(1, std::chrono::seconds(5));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/fw.bin");
  EXPECT_EQ(requests[0].Header("authorization"), "Basic YWRtaW46czNjcmV0");
  EXPECT_EQ(board::ReadFile(posttest::kConfigPath), ConfigText(url, "admin", "s3cret")) << "left as it was";
  // The progress screen stays up: the restart is the host's.
  EXPECT_TRUE(posttest::ShowsProgressScreen(posttest::Glass()));
}

// One road on which the boot-time upgrade does not write an image.
struct FailureRoad {
  const char *name;
  int result;             // the result notified
  const char *line;       // a line the road prints
  bool downloads = true;  // the packet is requested
  bool writes = false;    // the image writer is called (after the screens started)
  // Changes the defaults: a valid packet, the configuration naming it
  // ("<url>" stands for its URL; none: no file), the network up at once.
  std::function<void(FirmwareServer &, std::optional<std::string> *config, fwpacket::Fields *, Platform *)> setUp;
};

void PrintTo(const FailureRoad &road, std::ostream *out) { *out << road.name; }

class BootUpgradeFailureTest : public testing::TestWithParam<FailureRoad> {};

TEST_P(BootUpgradeFailureTest, RecordsTheResultAndStartsTheMainApplication) {
  const FailureRoad &road = GetParam();
  FirmwareServer firmware;
  ASSERT_TRUE(firmware.ok());
  fwpacket::Fields fields;
  Platform platform;
  std::optional<std::string> config = ConfigText("<url>");
  road.setUp(firmware, &config, &fields, &platform);
  const std::string url = firmware.AddPacket("fw.bin", kPayloadSize, fields);
  if (config) {
    if (const size_t at = config->find("<url>"); at != std::string::npos) config->replace(at, 5, url);
    WriteConfig(*config);
  } else {
    unlink(posttest::kConfigPath);
  }

  const FlowRun run = RunUpgrade([] { return mtPostAutoProcess(0); }, platform);
  EXPECT_NE(run.out.find(road.line), std::string::npos) << run.out;
  EXPECT_TRUE(run.Printed("__mtPostAutoProcess : ret <" + std::to_string(road.result) + "> !")) << run.out;
  EXPECT_TRUE(run.Printed(posttest::kPavoLine)) << run.out;
  if (road.result == DOWNLODA_NOTNEED) {
    EXPECT_FALSE(run.returned) << "nothing to do ends the process";
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(run.Printed("mtPostDownloadResultNotify : DOWNLODA_NOTNEED Start Pavo !"));
  } else {
    EXPECT_TRUE(run.returned);
    EXPECT_TRUE(run.Printed("mtPostDownloadResultNotify : DOWNLODA_FAILED !"));
  }
  EXPECT_EQ(OtaCalls(run), road.writes ? "write,start" : "start");
  EXPECT_EQ(firmware.server().TakeRequests().size(), road.downloads ? 1u : 0u);
  if (road.writes) {
    // The progress screen gave way to the failure screen.
    const board::Image shown = posttest::Glass();
    EXPECT_EQ(shown, posttest::FailureScreen()) << shown.Terminal();
  } else {
    EXPECT_FALSE(posttest::Image().has_value());
    EXPECT_FALSE(posttest::PanelUsed()) << "a refused packet shows no screen";
  }
}

std::string BadUrlConfig() { return ConfigText("ftp//no scheme", "admin", "pw"); }

const FailureRoad kFailureRoads[] = {
    {"NoConfiguration", DOWNLODA_NOTNEED, "__mtPostAutoProcess : Config Get Failed!", false, false,
     [](FirmwareServer &, std::optional<std::string> *config, fwpacket::Fields *, Platform *) { config->reset(); }},
    {"LfOnlyFile", DOWNLODA_NOTNEED, "__mtPostAutoProcess : No Url !", false, false,
     [](FirmwareServer &, std::optional<std::string> *config, fwpacket::Fields *, Platform *) {
       *config = "Firmware Url       :<url>\nFirmware User      :a\n";
     }},
    {"NoUrl", DOWNLODA_NOTNEED, "__mtPostAutoProcess : No Url !", false, false,
     [](FirmwareServer &, std::optional<std::string> *config, fwpacket::Fields *, Platform *) { *config = ConfigText("", "a", "b"); }},
    {"BadUrl", DOWNLODA_NOTNEED, "__mtPostAutoProcess : Url is error !", false, false,
     [](FirmwareServer &, std::optional<std::string> *config, fwpacket::Fields *, Platform *) { *config = BadUrlConfig(); }},
    {"NetworkNeverUp", DOWNLODA_NONET, "__mtPostNmStart : mtPostNmStart !", false, false,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *, Platform *p) { p->connectDelayMs = -1; }},
    {"DownloadNotOpened", DOWNLODA_FAILED, "mtPostDownloadStart : fd error .", false, false,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *, Platform *p) { p->downloadRefused = true; }},
    {"Http404", DOWNLODA_FAILED, "packetheader error, upgrade faild!", true, false,
     [](FirmwareServer &f, std::optional<std::string> *, fwpacket::Fields *, Platform *) { f.server().QueueStatus({404}); }},
    {"ServerGoneMidTransfer", DOWNLODA_FAILED, "mtPostDownloadStart : DOWNLODA_FAILED .", true, true,
     [](FirmwareServer &f, std::optional<std::string> *, fwpacket::Fields *, Platform *) { f.server().CutNextBody(96 + 100000); }},
    {"BadMagic", DOWNLODA_FAILED, "packetheader error, upgrade faild!", true, false,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *fields, Platform *) { fields->magic = "+<_>)<(>*<&>^<%!"; }},
    {"AnotherProduct", DOWNLODA_FAILED, "packetheader error, upgrade faild!", true, false,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *fields, Platform *) { fields->productId = "2421"; }},
    {"NoBinn", DOWNLODA_FAILED, "file type error, upgrade faild!", true, false,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *fields, Platform *) { fields->typeMagic = "BINX"; }},
    {"MaterialTooOld", DOWNLODA_FAILED, "Material Verion error, upgrade faild!mtPostDownloadStart : DOWNLODA_FAILED .",
     true, false,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *fields, Platform *) { fields->material = 0x21; }},
    {"ImageWriterFails", DOWNLODA_FAILED, "mtPostDownloadStart : DOWNLODA_FAILED .", true, true,
     [](FirmwareServer &, std::optional<std::string> *, fwpacket::Fields *, Platform *p) { p->otaWriteFails = true; }},
};

INSTANTIATE_TEST_SUITE_P(Roads, BootUpgradeFailureTest, testing::ValuesIn(kFailureRoads),
                         [](const testing::TestParamInfo<FailureRoad> &info) { return info.param.name; });

TEST(BootUpgradeTest, ABadUrlIsBlankedInTheFile) {
  WriteConfig(BadUrlConfig() + "Other              :kept\r\n");
  const FlowRun run = RunUpgrade([] { return mtPostAutoProcess(0); });
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(board::ReadFile(posttest::kConfigPath), ConfigText("", "", "") + "Other              :kept\r\n");
}

// The flow for a URL given by the caller: the network first, then the URL.
TEST(GivenUrlUpgradeTest, NeedsTheNetworkAndAGoodUrl) {
  const std::string config = ConfigText("http://h/configured", "admin", "pw");
  const struct {
    const char *what;
    const char *url;
    int connectDelayMs;
    bool notified;
    int result;
  } cases[] = {
      {"network never up: -1 and no notification", "http://127.0.0.1:1/fw.bin", -1, false, -1},
      {"bad URL: the configured values are blanked", "no url", 0, true, DOWNLODA_NOURL},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(config);
    const std::string url = c.url;
    const FlowRun run = RunUpgrade([&url] { return mtPostAutoProcessByCm(url.c_str(), nullptr, nullptr, 1); },
                                   {.connectDelayMs = c.connectDelayMs});
    EXPECT_TRUE(run.returned);
    EXPECT_EQ(run.out.find("mtPostDownloadResultNotify : result") != std::string::npos, c.notified) << run.out;
    if (c.notified) {
      EXPECT_TRUE(run.Printed("__mtPostAutoProcessByCm : Url is error !")) << run.out;
      EXPECT_TRUE(run.Printed("mtPostDownloadResultNotify : result " + std::to_string(c.result) + " ."));
      EXPECT_EQ(board::ReadFile(posttest::kConfigPath), ConfigText("", "", ""));
    } else {
      EXPECT_EQ(run.result, c.result);
      EXPECT_EQ(board::ReadFile(posttest::kConfigPath), config);
    }
  }
}

TEST(ResultNotifyTest, SuccessAndUnknownResultsOnlyPrint) {
  for (int result : {static_cast<int>(DOWNLODA_SUCCESS), 2, -4}) {
    SCOPED_TRACE(result);
    const FlowRun run = RunUpgrade([result] { return mtPostDownloadResultNotify(result); });
    std::vector<std::string> expected = {"mtPostDownloadResultNotify : result " + std::to_string(result) + " .", ""};
    if (result == DOWNLODA_SUCCESS)
      expected.push_back("mtPostDownloadResultNotify : DOWNLODA_SUCCESS Clean Config Value, Reboot !");
    EXPECT_TRUE(run.returned);
    EXPECT_EQ(FlowLines(run), expected);
    EXPECT_EQ(OtaCalls(run), "");
    EXPECT_FALSE(posttest::PanelUsed());
  }
}

// The certificate check: on when the flag line holds a 1, off when it does
// not, against a server whose certificate no CA on the board vouches for
// until the test installs it as one.
TEST(BootUpgradeTest, VerifiesTheServerOnlyWhenTheFlagSaysSo) {
  FirmwareServer firmware(/*https=*/true);
  ASSERT_TRUE(firmware.ok());
  const std::string url = firmware.AddPacket("fw.bin", kPayloadSize);
  ASSERT_EQ(url.rfind("https://", 0), 0u);
  const struct {
    const char *what;
    int flag;
    bool caInstalled;
    int result;
  } cases[] = {
      {"verify, unknown certificate", 1, false, DOWNLODA_FAILED},
      {"no verification", 0, false, DOWNLODA_SUCCESS},
      {"verify, certificate installed as a CA", 1, true, DOWNLODA_SUCCESS},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    if (c.caInstalled) {
      std::ofstream ca("/etc/ssl/certs/ca-certificates.crt", std::ios::app);
      ca << std::ifstream(firmware.tls().certFile).rdbuf();
    }
    unlink(posttest::kImagePath);
    WriteConfig(ConfigText(url, "", "", c.flag));
    const FlowRun run = RunUpgrade([] { return mtPostAutoProcess(0); });
    EXPECT_TRUE(run.Printed("__mtPostAutoProcess : ret <" + std::to_string(c.result) + "> !")) << run.out;
    EXPECT_EQ(posttest::Image().has_value(), c.result == DOWNLODA_SUCCESS);
  }
}

// A process with the boot screen's name, started by the test.
class BootScreen {
 public:
  BootScreen() {
    if (system("cp /bin/sleep /tmp/logo") != 0) return;
    const char *argv[] = {"/tmp/logo", "60", nullptr};
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, const_cast<char **>(argv), environ) != 0) pid_ = -1;
    usleep(50000);
  }
  ~BootScreen() {
    if (pid_ > 0 && !Ended()) kill(pid_, SIGKILL);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  bool ok() const { return pid_ > 0; }
  bool Ended() {
    int status;
    if (ended_ || waitpid(pid_, &status, WNOHANG) != pid_) return ended_;
    return ended_ = true;
  }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
};

TEST(BootUpgradeTest, StopsTheBootScreenOnlyForTheBootTimeRun) {
  FirmwareServer firmware;
  ASSERT_TRUE(firmware.ok());
  const std::string url = firmware.AddPacket("fw.bin", kPayloadSize);
  for (int type : {3, 0}) {
    SCOPED_TRACE(type);
    BootScreen screen;
    ASSERT_TRUE(screen.ok());
    WriteConfig(ConfigText(url));
    const FlowRun run = RunUpgrade([type] { return mtPostAutoProcess(type); });
    EXPECT_TRUE(run.Printed("__mtPostAutoProcess : ret <0> !")) << run.out;
    usleep(100000);
    EXPECT_EQ(screen.Ended(), type == 0);
  }
}

}  // namespace
