// Runs phone-sim's subcommands in their non-interactive forms, as a newcomer
// would, and checks what they showed.
#include "board/program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Finished {
  int status;
  std::string output;
};

Finished PhoneSim(const std::vector<std::string> &arguments) {
  board::Program program(board::ProgramCommand(PHONE_SIM_PATH, arguments));
  const int status = program.Wait(120s);
  return {status, program.Output()};
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
      {{"--help"}, 0, "  leds     "},
      {{"report", "--help"}, 0, "--responses LIST"},
      {{"leds", "--help"}, 0, "--first-key"},
      {{"nosuch"}, 2, ""},
      {{"leds", "--blink"}, 2, ""},
      {{"leds", "--key"}, 2, ""},
      {{"leds", "--no-key", "--seconds", "3"}, 2, ""},
      {{"report", "--responses", "2OO"}, 2, ""},
  };
  for (const auto &c : cases) {
    const Finished run = PhoneSim(c.arguments);
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

}  // namespace
