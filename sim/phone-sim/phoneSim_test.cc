// Runs phone-sim's subcommands in their non-interactive forms, as a newcomer
// would, and checks what they showed.
#include "board/panel.h"
#include "board/program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Finished {
  int status;
  std::string output;
};

// Runs phone-sim to its end; with_errors: its standard error too.
Finished PhoneSim(const std::vector<std::string> &arguments, bool with_errors = false) {
  std::vector<std::string> command = board::ProgramCommand(PHONE_SIM_PATH, arguments);
  if (with_errors) command.insert(command.begin(), {"sh", "-c", "exec \"$@\" 2>&1", "sh"});
  board::Program program(command);
  const int status = program.Wait(120s);
  return {status, program.Output()};
}

// A directory for the screens' pictures, removed at the end.
class ScreensDir {
 public:
  ScreensDir() {
    std::string pattern = testing::TempDir() + "phone-sim-screens.XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScreensDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string &path() const { return path_; }
  // The pictures saved, in order.
  std::vector<board::Image> Pictures() const {
    std::vector<board::Image> pictures;
    for (int n = 1;; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "/screen-%02d.png", n);
      std::optional<board::Image> picture = board::Image::ReadPng(path_ + name);
      if (!picture) return pictures;
      pictures.push_back(*picture);
    }
  }

 private:
  std::string path_;
};

std::optional<board::Image> Golden(const std::string &name) {
  return board::Image::ReadPng(std::string(UPGRADEUI_GOLDEN_DIR) + "/" + name + ".png");
}

// The ink of a picture outside rows first to last.
int InkOutsideRows(const board::Image &picture, int first, int last) {
  int ink = 0;
  for (int y = 0; y < board::Image::kHeight; ++y) {
    for (int x = 0; x < board::Image::kWidth; ++x) ink += (y < first || y > last) && picture.Ink(x, y);
  }
  return ink;
}

size_t Count(const std::string &text, const std::string &part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The board needs namespaces this machine may refuse.
class PhoneSimTest : public testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> probe = {"unshare", "-m", "-p", "--fork", "--mount-proc", "true"};
    if (geteuid() != 0) probe.insert(probe.begin() + 1, "-r");
    board::Program unshare(probe);
    if (unshare.Wait(30s) != 0) GTEST_SKIP() << "this machine cannot make the board's namespaces";
  }
};

TEST(PhoneSimCommandLineTest, HelpForEachSubcommandAndRefusals) {
  const struct {
    std::vector<std::string> arguments;
    int status;
    const char *shown;  // a part of the output
  } cases[] = {
      {{"--help"}, 0, "Without a subcommand: upgrade."},
      {{"--help"}, 0, "  leds     "},
      {{"upgrade", "--help"}, 0, "--fail ROAD"},
      {{"usb", "--help"}, 0, "--prefix TEXT"},
      {{"keypad", "--help"}, 0, "--keys KEYS"},
      {{"report", "--help"}, 0, "--responses LIST"},
      {{"leds", "--help"}, 0, "--first-key"},
      {{"web", "--help"}, 0, "--port PORT"},
      {{"nosuch"}, 2, ""},
      {{"--fail=disk"}, 2, "--fail takes magic, product"},
      {{"upgrade", "--packet", "/dev/null", "--url", "http://127.0.0.1/x"}, 2, "not both"},
      {{"upgrade", "--fail=magic", "--url", "http://127.0.0.1/x"}, 2, "changes the demo packet"},
      {{"upgrade", "--packet", "/nonexistent/packet"}, 2, "cannot read"},
      {{"usb", "--prefix", "sixteen-chars-xy"}, 2, "at most 15"},
      {{"keypad", "--keys", "12a"}, 2, "0-9, * and #"},
      {{"keypad"}, 2, "no terminal to type on"},  // standard input is /dev/null
      {{"leds", "--blink"}, 2, ""},
      {{"leds", "--key"}, 2, ""},
      {{"leds", "--no-key", "--seconds", "3"}, 2, ""},
      {{"report", "--responses", "2OO"}, 2, ""},
      {{"web", "--port", "1", "--no-port"}, 2, ""},
  };
  for (const auto &c : cases) {
    const Finished run = PhoneSim(c.arguments, /*with_errors=*/true);
    EXPECT_EQ(run.status, c.status) << c.arguments[0];
    EXPECT_NE(run.output.find(c.shown), std::string::npos) << run.output;
  }
}

TEST_F(PhoneSimTest, ReportShowsEachRequestsJsonAndTheTimerItsAnswerArmed) {
  Finished run = PhoneSim({"report", "--responses", "200,500"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(Count(run.output, "GET /report/?jsonstr"), 2u) << run.output;
  EXPECT_EQ(Count(run.output, "\"CTEI\": \"CT04513359829\""), 2u);
  EXPECT_EQ(Count(run.output, "\"UPLINKMAC\": \"66:77:88:99:AA:01\""), 2u);
  EXPECT_EQ(Count(run.output, "\"LINK\": \"2\""), 2u);
  // Each answer, then the timer it armed; the clock jumps to it.
  EXPECT_TRUE(std::regex_search(run.output, std::regex("answered 200\n  timer armed: 86400 s.*\n"
                                                       "\\[day 1 00:00:00\\] the 86400 s timer.*\n"
                                                       "(.*\n)*    answered 500\n  timer armed: 1800 s")))
      << run.output;
  EXPECT_NE(run.output.find("2 of 2 reports sent."), std::string::npos);

  // On Wi-Fi without the upstream MAC: postponed five times, 3 s apart, then
  // sent with an empty one.
  run = PhoneSim({"report", "--wifi", "--no-upper-mac", "--responses", "200"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(Count(run.output, "timer armed: 3 s"), 5u) << run.output;
  EXPECT_NE(run.output.find("[day 0 00:00:15] the 3 s timer runs the report\n  report 1"), std::string::npos);
  EXPECT_NE(run.output.find("\"UPLINKMAC\": \"\""), std::string::npos);
  EXPECT_NE(run.output.find("\"LINK\": \"1\""), std::string::npos);
}

TEST_F(PhoneSimTest, LedsFirstKeyCheckEndsWithThePowerLedSayingWhetherTheKeyWasTheConfiguredOne) {
  const std::string all_dark_but_power =
      "fixed     POWER %s MUTE \u25cb  HEADSET \u25cb  HANDFREE \u25cb  MWI \u25cb \n"
      "line      0 \u25cb\u25cb 1 \u25cb\u25cb";
  const struct {
    const char *key;
    const char *printed;
    const char *power;
    const char *logo;
  } cases[] = {
      {"#", "  | 1\nExit status 1", "\u25cf\u25cb", "Boot logo process: stopped."},
      {"1", "  | 0\nExit status 0", "\u25cb\u25cb", "Boot logo process: still running."},
  };
  for (const auto &c : cases) {
    const Finished run = PhoneSim({"leds", "--key", c.key});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(c.printed), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(c.logo), std::string::npos) << run.output;
    char picture[512];
    std::snprintf(picture, sizeof picture, all_dark_but_power.c_str(), c.power);
    EXPECT_NE(run.output.find(picture), std::string::npos) << run.output;
    // Every LED was lit on the way, both colours, the chained ones too.
    EXPECT_NE(run.output.find("SUB_DSS_LED19 first on"), std::string::npos);
    EXPECT_NE(run.output.find("PAGE_DSS_LED3 second on"), std::string::npos);
  }
}

TEST_F(PhoneSimTest, LedsTestBlinksTheKeysSecondColourUntilItsTimeIsUp) {
  const Finished run = PhoneSim({"leds", "--seconds", "5"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("  | Useage: ledfirstkey <dev path(/dev/input/event0)>\n"
                            "ledfirstkey was stopped (exit status 143); the LED test runs until it is."),
            std::string::npos)
      << run.output;
  // Lit at about 0.1, 2.2 and 4.3 s, dark in between.
  EXPECT_GE(Count(run.output, "LINE_LED0 second on"), 2u);
  EXPECT_GE(Count(run.output, "LINE_LED0 second off"), 1u);
  EXPECT_GE(Count(run.output, "SUB_DSS_LED19 second on"), 2u);
  EXPECT_EQ(Count(run.output, " first on"), 0u);
  EXPECT_EQ(Count(run.output, "POWER_LED"), 0u);
}

TEST_F(PhoneSimTest, UpgradeByDefaultWritesThePayloadAndSavesEachScreen) {
  ScreensDir screens;
  ASSERT_FALSE(screens.path().empty());
  const Finished run = PhoneSim({"--screens", screens.path()});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("  | ota_file_upgrade_from_fp : 196608 bytes read, image written"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("  image              196608 bytes written: equal to the payload\n"), std::string::npos);
  EXPECT_NE(run.output.find("  /mnt/progress.xml  \"<?xml version=\"1.0\"?><root><pro><value>100</value>"
                            "<result>2</result></pro></root> \"\n"),
            std::string::npos);
  EXPECT_NE(run.output.find("  boot logo          stopped\n"), std::string::npos);
  EXPECT_NE(run.output.find("  result             0 DOWNLODA_SUCCESS: the image is written; the host showed the "
                            "success screen and restarted the phone (reboot)"),
            std::string::npos);
  // The start screen, a percentage or more as the download goes on, and the
  // success screen, each saved once.
  const std::vector<board::Image> pictures = screens.Pictures();
  ASSERT_GE(pictures.size(), 3u);
  EXPECT_NE(run.output.find("  screens            " + std::to_string(pictures.size()) + ", saved as " +
                            screens.path() + "/screen-01.png"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(pictures.front(), Golden("progress-start"));
  EXPECT_EQ(pictures.back(), Golden("completed"));
  for (size_t i = 1; i < pictures.size(); ++i) EXPECT_NE(pictures[i], pictures[i - 1]);
}

TEST_F(PhoneSimTest, UpgradeRefusesBadPacketsBeforeAnyScreen) {
  const struct {
    const char *road;
    const char *printed;
  } cases[] = {
      {"magic", "  | packetheader error, upgrade faild!\n"},
      {"product", "  | packetheader error, upgrade faild!\n"},
      {"material", "  | Material Verion error, upgrade faild!mtPostDownloadStart : DOWNLODA_FAILED .\n"},
      {"binn", "  | file type error, upgrade faild!\n"},
  };
  for (const auto &c : cases) {
    ScreensDir screens;
    const Finished run = PhoneSim({"upgrade", std::string("--fail=") + c.road, "--screens", screens.path()});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(c.printed), std::string::npos) << c.road << "\n" << run.output;
    EXPECT_NE(run.output.find("  screens            0 (the panel was not started)\n"), std::string::npos) << c.road;
    EXPECT_NE(run.output.find("<value>-1</value>"), std::string::npos) << c.road;
    EXPECT_NE(run.output.find("  image              none written\n"), std::string::npos) << c.road;
    EXPECT_NE(run.output.find("  boot logo          still running\n"), std::string::npos) << c.road;
    EXPECT_NE(run.output.find("  result             -1 DOWNLODA_FAILED: the failure is recorded and the main "
                              "application Pavo started"),
              std::string::npos)
        << c.road;
    EXPECT_TRUE(screens.Pictures().empty()) << c.road;
  }
}

TEST_F(PhoneSimTest, UpgradeFailingWhileWritingEndsOnTheFailureScreen) {
  const struct {
    const char *road;
    const char *printed;
    const char *image;
  } cases[] = {
      {"http", "  | ota_file_upgrade_from_fp : 98304 bytes read, failed\n",
       "  image              98304 bytes written: not the payload (196608 bytes)\n"},
      {"writer", "  | ota_file_upgrade_from_fp : 196608 bytes read, failed\n",
       "  image              196608 bytes written: equal to the payload\n"},
  };
  for (const auto &c : cases) {
    ScreensDir screens;
    const Finished run = PhoneSim({"upgrade", "--fail", c.road, "--screens", screens.path()});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(c.printed), std::string::npos) << c.road << "\n" << run.output;
    EXPECT_NE(run.output.find(c.image), std::string::npos) << c.road;
    EXPECT_NE(run.output.find("<value>-1</value>"), std::string::npos) << c.road;
    EXPECT_NE(run.output.find("  result             -1 DOWNLODA_FAILED"), std::string::npos) << c.road;
    const std::vector<board::Image> pictures = screens.Pictures();
    ASSERT_GE(pictures.size(), 2u) << c.road;
    EXPECT_EQ(pictures.front(), Golden("progress-start")) << c.road;
    EXPECT_EQ(pictures.back(), Golden("failed")) << c.road;
  }
}

TEST_F(PhoneSimTest, UpgradeWithoutNetworkGivesUpAfterTheWait) {
  const Finished run = PhoneSim({"upgrade", "--fail=network"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(run.output.find("mtPostDownloadStart"), std::string::npos) << "no download without a network";
  EXPECT_NE(run.output.find("  result             -3 DOWNLODA_NONET: the failure is recorded and the main "
                            "application Pavo started"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("<value>-1</value>"), std::string::npos);
}

TEST_F(PhoneSimTest, UsbFindsTheFirmwareFileOnTheStickAndChecksIt) {
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::vector<const char *> shown;
  } cases[] = {
      {{"usb"},
       0,
       {"isUsbDevValid() = 1\nmountUsb() = 0\n    command run: mount /dev/sda1 /mnt/udisk/\n",
        "getFileSearchRes() wrote \"/mnt/udisk/q7-2.14.0.4.z\"\n",
        "the phone's checks: header accepted, type block BINN, material accepted: the payload would be written",
        "umountUsb() = 0\n    command run: umount /mnt/udisk\n    /mnt/udisk: (empty)\n",
        "Firmware file found: /mnt/udisk/q7-2.14.0.4.z\n"}},
      {{"usb", "--prefix", "backup"},
       0,
       {"getFileSearchRes() wrote \"/mnt/udisk/backup-1.9.0.0.z\"\n", "    product: 7310\n",
        "header refused, type block BINN, material accepted: the packet would be refused"}},
      {{"usb", "--prefix", "q8"}, 1, {"getFileSearchRes() wrote \"\"\n", "Firmware file found: none\n"}},
      {{"usb", "--no-stick"},
       1,
       {"isUsbDevValid() = 0\nusb dev /dev/sda not exist\nmountUsb() = -1\n    /mnt/udisk: (no such directory)\n",
        "Firmware file found: none\n"}},
  };
  for (const auto &c : cases) {
    const Finished run = PhoneSim(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.output;
    for (const char *shown : c.shown) EXPECT_NE(run.output.find(shown), std::string::npos) << shown << "\n" << run.output;
  }
}

TEST_F(PhoneSimTest, KeypadEchoesEachKeyAndTheServiceSequenceCleansAndRestarts) {
  ScreensDir screens;
  Finished run = PhoneSim({"keypad", "--keys", "1#", "--screens", screens.path()});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("  configuration left /mnt/userdata/default_user_config_back.txt, "
                            "/mnt/userdata/default_user_config.txt, /mnt/userdata/etc/user/contacts.xml"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("  reboot             not asked\n"), std::string::npos);
  // The application's blank screen, then each key alone in the echo row.
  std::vector<board::Image> pictures = screens.Pictures();
  ASSERT_EQ(pictures.size(), 3u) << run.output;
  EXPECT_EQ(pictures[0].InkCount(), 0);
  for (const board::Image &echo : {pictures[1], pictures[2]}) {
    EXPECT_GT(echo.InkCount(), 0);
    EXPECT_EQ(InkOutsideRows(echo, 26, 37), 0) << echo.Terminal();
  }

  ScreensDir service;
  run = PhoneSim({"keypad", "--keys", "12*#527", "--screens", service.path()});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("  | removed /mnt/userdata/default_user_config_back.txt succes!\n"
                            "  | removed /mnt/userdata/default_user_config.txt succes!\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("  configuration left none\n"), std::string::npos);
  EXPECT_NE(run.output.find("  reboot             asked (a stub on the board)\n"), std::string::npos);
  // Blank, 1, 2, *, #, 5, 7 (2 again is no new screen), "Cleaning
  // configure", "ready to reboot...".
  pictures = service.Pictures();
  ASSERT_EQ(pictures.size(), 9u) << run.output;
  EXPECT_GT(pictures[8].InkCount(), pictures[6].InkCount()) << "a message, wider than a key";
  EXPECT_EQ(InkOutsideRows(pictures[8], 26, 37), 0) << pictures[8].Terminal();
}

TEST_F(PhoneSimTest, WebStopsTheCgiAndRunsTheWebServerCommandOnThePort) {
  Finished run = PhoneSim({"web", "--port", "8443"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("  ota-upgrade-cgi    stopped\n"
                            "  web server         /bin/httpd -h /webroot -p 8443 (a stub on the board"),
            std::string::npos)
      << run.output;

  run = PhoneSim({"web", "--no-port"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("  | __mtPostUpdateResolve : eWebLocalUpgrade port ERROR !\n"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("  ota-upgrade-cgi    still running\n  web server         not started\n"
                            "  result             the port error: the main application Pavo started"),
            std::string::npos)
      << run.output;
}

}  // namespace
