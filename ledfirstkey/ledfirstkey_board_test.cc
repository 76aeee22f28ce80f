// Runs the LED self-test program on the board as the phone's start-up scripts
// and the factory do, and looks at the LEDs the way the hardware shows them:
// the board's LED model decodes the GPIO pins and the shift register chain
// from the device transcript.
#include "board/input.h"
#include "board/leds.h"
#include "board/program.h"
#include "board/sandbox.h"
#include "board/transcript.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using board::ChainLed;
using board::DeviceRecord;
using board::InputEvent;
using board::LedOutput;
using board::PinLed;
using Outputs = std::vector<LedOutput>;  // in the order of Leds::LitOutputs
using Records = std::vector<DeviceRecord>;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

constexpr char kKeypad[] = "/dev/input/event0";
constexpr char kMapPath[] = "/etc/led.conf";
constexpr char kKeyCodePath[] = "/etc/keycheck.txt";
constexpr char kUsage[] = "Useage: ledfirstkey <dev path(/dev/input/event0)>\n";
constexpr char kInitError[] = "led module init error...\n";
// Generous for a run under the emulator; the first-key check ends in 3 s.
constexpr auto kRunLimit = 60s;

// LEDs of both kinds, with one channel or two, in the blinking groups and
// among the fixed LEDs.
constexpr char kMap[] =
    "POWER_LED,LED_GPIO,30,31\n"      // slot 69
    "LINE_LED0,LED_DREG,0,1\n"        // slot 44
    "LINE_LED1,LED_GPIO,40,0\n"       // slot 45: pin 0 is never driven
    "SUB_DSS_LED0,LED_DREG,8\n"       // slot 0: no second channel
    "PAGE_DSS_LED4,LED_GPIO,41,42\n"  // slot 68, the last the LED test blinks
    "HEADSET_LED,LED_GPIO,43\n"       // slot 71
    "MWI_LED,LED_DREG,86,87\n";       // slot 73
// Every channel of every LED.
const Outputs kAllLit = {PinLed(30),   PinLed(31),   PinLed(40),   PinLed(41),   PinLed(42), PinLed(43),
                         ChainLed(0),  ChainLed(1),  ChainLed(8),  ChainLed(86), ChainLed(87)};
constexpr LedOutput kPowerFirst = PinLed(30);
// The LED test's lit phase: the second channels of slots 0-68.
const Outputs kTestLit = {PinLed(42), ChainLed(1)};

// Key code files: the code is the twelfth field after the heading line.
constexpr char kKeyCode59[] = "KEYPAD\n1,2,3,4,5\n6,7,8,9,10,11,59,13,14,15\n";  // 5 and 10 fields
constexpr char kKeyCode0[] = "KEYPAD\n1,2,3,4,5,6,7,8,9,10,11,0\n";
constexpr char kNoTwelfthField[] = "KEYPAD\n1,2,3,4,5,6,7,8,9,10,11\n";

const InputEvent kSync{1, 0, board::kEventSync, 0, 0};
InputEvent Key(uint16_t code) { return {1, 0, board::kEventKey, code, board::kKeyPressed}; }

struct Finished {
  int status;
  std::string output;
  Records records;
};

Finished RunLedFirstKey(const std::vector<std::string> &arguments) {
  board::Program program(board::ProgramCommand(LEDFIRSTKEY_PATH, arguments));
  const int status = program.Wait(kRunLimit);
  return {status, program.Output(), board::ReadTranscript()};
}

bool Starts(const DeviceRecord &record, std::string_view line) { return record.Line().starts_with(line); }

// The index of the first (or last) record whose line starts so; the record
// count when there is none.
size_t Find(const Records &records, std::string_view line, size_t from = 0) {
  for (size_t i = from; i < records.size(); ++i) {
    if (Starts(records[i], line)) return i;
  }
  return records.size();
}
size_t FindLast(const Records &records, std::string_view line) {
  for (size_t i = records.size(); i-- > 0;) {
    if (Starts(records[i], line)) return i;
  }
  return records.size();
}

// The LEDs lit once the records before `end` have happened.
Outputs LitBefore(const Records &records, size_t end) {
  board::Leds leds;
  leds.Replay(records, end);
  return leds.LitOutputs();
}

// The changes of LEDs made by the records from `from` on, as "pin 30 on".
Lines ChangesFrom(const Records &records, size_t from) {
  board::Leds leds;
  Lines changes;
  for (size_t i = 0; i < records.size(); ++i) {
    for (const board::LedChange &change : leds.Apply(records[i])) {
      if (i >= from) changes.push_back(change.output.Name() + (change.lit ? " on" : " off"));
    }
  }
  return changes;
}

// The claim of one pin at start-up: freed (it was not requested, so the
// controller refuses), requested with the label, an output driving 0.
Lines Claim(int pin, std::string_view label) {
  const std::string line = " line=" + std::to_string(pin);
  return {"gpio free" + line + " result=-1 errno=EINVAL", "gpio request" + line + " label=" + std::string(label) + " result=0",
          "gpio output" + line + " value=0 result=0"};
}
Lines Claims(const Records &records) {
  Lines claims;
  for (const DeviceRecord &record : board::OfDevices(records, {"gpio"})) {
    if (record.event == "free" || record.event == "request" || record.event == "output") {
      claims.push_back(record.Line());
    }
  }
  return claims;
}

// Start-up: the chain shifted out once, all 88 bits, with every LED dark.
void ExpectDarkStartUp(const Records &records) {
  const size_t latched = Find(records, "gpio set line=25 value=1");
  ASSERT_LT(latched, records.size());
  board::Leds leds;
  leds.Replay(records, latched + 1);
  EXPECT_EQ(leds.LitOutputs(), Outputs{});
  EXPECT_EQ(leds.Latches(), 1);
  EXPECT_EQ(leds.LastLatchClocks(), 88);
}

// The end of a first-key check: every LED lit at the end of the wait goes
// dark, then the power LED's first channel comes on when the code read was
// the key code; the GPIO device is closed last.
void ExpectDarkEnd(const Records &records, const Outputs &lit_after_wait, bool power_on) {
  const size_t last_read = FindLast(records, "event0 read");
  ASSERT_LT(last_read, records.size());
  EXPECT_EQ(LitBefore(records, last_read + 1), lit_after_wait);
  Lines expected;
  for (const LedOutput &output : lit_after_wait) expected.push_back(output.Name() + " off");
  Lines changes = ChangesFrom(records, last_read + 1);
  if (power_on) {
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), kPowerFirst.Name() + " on");
    changes.pop_back();
  }
  std::sort(changes.begin(), changes.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(changes, expected);
  EXPECT_EQ(LitBefore(records, records.size()), power_on ? Outputs{kPowerFirst} : Outputs{});
  const Records gpio = board::OfDevices(records, {"gpio"});
  ASSERT_FALSE(gpio.empty());
  EXPECT_EQ(gpio.back().Line(), "gpio close");
}

// A real process named logo, as the phone shows its boot logo.
class Logo {
 public:
  Logo() : program_(board::StandInProcessCommand("logo")) { EXPECT_TRUE(program_.Started()); }
  bool Running() { return program_.Running(); }
  int Wait() { return program_.Wait(10s); }

 private:
  board::Program program_;
};

class LedFirstKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    board::ClearRecords();
    ASSERT_TRUE(board::WriteFile(kMapPath, kMap));
    unlink(kKeyCodePath);  // the key code stays -1
    // killall runs for real, and its calls are recorded like a stub's (once
    // per board: the cases of a whole program run by hand share one).
    if (access("/usr/bin/killall.board", X_OK) != 0) {
      ASSERT_EQ(rename("/usr/bin/killall", "/usr/bin/killall.board"), 0);
    }
    ASSERT_TRUE(board::WriteFile("/usr/bin/killall",
                                 "#!/bin/sh\n"
                                 "line=killall\n"
                                 "for a; do line=\"$line '$(printf '%s' \"$a\" | sed \"s/'/'\\\\\\\\''/g\")'\"; done\n"
                                 "printf '%s\\n' \"$line\" >> /run/board/commands\n"
                                 "exec /usr/bin/killall.board \"$@\"\n"));
    ASSERT_EQ(chmod("/usr/bin/killall", 0755), 0);
  }
};

using LedFirstKeyCheckTest = LedFirstKeyTest;
using LedFirstKeyMapTest = LedFirstKeyTest;
using LedFirstKeyFailureTest = LedFirstKeyTest;
using LedFirstKeyLedTest = LedFirstKeyTest;

TEST_F(LedFirstKeyCheckTest, FirstRecordDecidesAndStopsTheLogoOnlyForTheKeyCode) {
  const struct {
    const char *what;
    const char *key_codes;  // null: no key code file
    std::vector<InputEvent> fed;
    int result;
  } cases[] = {
      {"the key code's record first", kKeyCode59, {Key(59), Key(60)}, 1},
      {"another key first", kKeyCode59, {Key(60), Key(59)}, 0},
      {"a synchronisation record first", kKeyCode59, {kSync, Key(59)}, 0},
      // The key code stays -1, which no record carries; 0 would match here.
      {"no twelfth field", kNoTwelfthField, {kSync}, 0},
      {"no key code file", nullptr, {kSync}, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    board::ClearRecords();
    if (c.key_codes != nullptr) {
      ASSERT_TRUE(board::WriteFile(kKeyCodePath, c.key_codes));
    } else {
      unlink(kKeyCodePath);
    }
    ASSERT_TRUE(board::FeedInputEvents("event0", c.fed));
    Logo logo;

    const Finished run = RunLedFirstKey({kKeypad});
    EXPECT_EQ(run.status, c.result);
    EXPECT_EQ(run.output, std::to_string(c.result) + "\n");
    // One record read; the rest stays queued.
    EXPECT_EQ(board::PendingInputEvents("event0").size(), c.fed.size() - 1);
    if (c.result == 1) {
      EXPECT_EQ(board::CommandCalls(), (std::vector<board::CommandCall>{{"killall", {"logo"}}}));
      EXPECT_EQ(logo.Wait(), 128 + SIGTERM);
    } else {
      EXPECT_EQ(board::CommandCalls(), std::vector<board::CommandCall>{});
      EXPECT_TRUE(logo.Running());
    }

    const Records &records = run.records;
    ExpectDarkStartUp(records);
    // Every LED on, both channels, before the keypad is opened.
    const size_t opened = Find(records, "event0 open");
    ASSERT_LT(opened, records.size());
    EXPECT_EQ(LitBefore(records, opened), kAllLit);
    // The record came at the first poll: no pause, no blink.
    EXPECT_EQ(Find(records, "event0 read size=16 result=16", opened), opened + 2);
    ExpectDarkEnd(records, kAllLit, c.result == 1);
  }
}

TEST_F(LedFirstKeyCheckTest, WithoutARecordThePowerLedBlinksFor150PollsAndEndsAsTheKeyCode0Says) {
  ASSERT_TRUE(board::WriteFile(kKeyCodePath, kKeyCode0));
  const Finished run = RunLedFirstKey({kKeypad});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "0\n");

  const Records &records = run.records;
  ExpectDarkStartUp(records);
  const size_t opened = Find(records, "event0 open");
  ASSERT_LT(opened, records.size());
  EXPECT_EQ(LitBefore(records, opened), kAllLit);

  // 150 polls 20 ms apart; on every twelfth the power LED's first channel
  // toggles, beginning with on (the other channel goes dark with the first).
  Lines steps, expected;
  const size_t last_pause = FindLast(records, "clock sleep");
  ASSERT_LT(last_pause, records.size());
  for (size_t i = opened; i <= last_pause; ++i) {
    const DeviceRecord &record = records[i];
    if (Starts(record, "event0 read")) steps.push_back(record.Line());
    if (Starts(record, "clock sleep")) steps.push_back(record.Line());
    if (Starts(record, "gpio set line=30 ")) steps.push_back("power " + record.Field("value"));
  }
  for (int poll = 0; poll < 150; ++poll) {
    expected.push_back("event0 read size=16 result=-1 errno=EAGAIN");
    if (poll % 12 == 0) expected.push_back(poll / 12 % 2 == 0 ? "power 1" : "power 0");
    expected.push_back("clock sleep usec=20000");
  }
  EXPECT_EQ(steps, expected);

  // The thirteenth toggle left it on; with no record the code compared is 0,
  // the key code: the power LED ends on.
  Outputs lit_after_wait = kAllLit;
  std::erase(lit_after_wait, PinLed(31));
  ExpectDarkEnd(records, lit_after_wait, true);
}

TEST_F(LedFirstKeyMapTest, MapLinesWireTheirLedsOrAreReported) {
  const std::string gpio = "led_gpio_post";
  const struct {
    const char *map;
    std::vector<int> pins;  // GPIO channels claimed, in order
    Outputs lit;            // with every LED on
    std::string messages;
  } cases[] = {
      // Each map gives the slot an earlier line under another name; the line
      // under test overwrites it.
      {"SUB_DSS_LED35,LED_GPIO,50,51\nSIDE_DSS_LED3,LED_GPIO,40,41\n", {40, 41}, {PinLed(40), PinLed(41)}, ""},
      // A number past its group lands in the next group.
      {"SIDE_DSS_LED8,LED_GPIO,50,51\nSUB_DSS_LED40,LED_DREG,5,6\n", {}, {ChainLed(5), ChainLed(6)}, ""},
      {"MWI_LED,LED_GPIO,50,51\nPAGE_DSS_LED9,LED_GPIO,1,2\n", {1, 2}, {PinLed(1), PinLed(2)}, ""},
      {"PAGE_DSS_LED10,LED_GPIO,1,2\n", {}, {}, "dss_index:74, is out of range!\n"},
      // Pin 0 is never driven; chain bit 0 is.
      {"LINE_LED3,LED_GPIO,0,17\nLINE_LED2,LED_DREG,0\n", {17}, {PinLed(17), ChainLed(0)}, ""},
      // A later line keeps the channels it does not give.
      {"HEADSET_LED,LED_GPIO,7,8\nHEADSET_LED,LED_DREG,9\n", {}, {ChainLed(8), ChainLed(9)}, ""},
      {"\nMUTE_LED,LED_GPIO,3\n", {3}, {PinLed(3)}, "dss_index:-1, is out of range!\n"},
      {"POWER_LED\nMUTE_LED,LED_PWM,3,4\n,,,", {}, {},
       "error line format:<POWER_LED\n>, please check it!!\nerror line format:<,,,>, please check it!\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.map);
    board::ClearRecords();
    ASSERT_TRUE(board::WriteFile(kMapPath, c.map));
    ASSERT_TRUE(board::FeedInputEvents("event0", {kSync}));  // ends the check at once

    const Finished run = RunLedFirstKey({kKeypad});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, c.messages + "0\n");
    Lines claims;
    for (const int pin : c.pins) {
      for (std::string &line : Claim(pin, gpio)) claims.push_back(std::move(line));
    }
    const bool chained = std::any_of(c.lit.begin(), c.lit.end(),
                                     [](const LedOutput &led) { return led.kind == LedOutput::Kind::kChain; });
    if (chained) {
      for (const int pin : {25, 4, 24}) {
        for (std::string &line : Claim(pin, "led_gpio_dreg_post")) claims.push_back(std::move(line));
      }
    }
    EXPECT_EQ(Claims(run.records), claims);
    // Without a chain LED the chain is never shifted.
    EXPECT_EQ(Find(run.records, "gpio set line=25") < run.records.size(), chained);
    EXPECT_EQ(LitBefore(run.records, Find(run.records, "event0 open")), c.lit);
  }
}

TEST_F(LedFirstKeyFailureTest, EachFailureIsReportedAndEndsWithStatus0) {
  const struct {
    const char *what;
    std::vector<std::string> arguments;
    void (*break_board)();
    std::string output;
    Outputs lit_at_end;
  } cases[] = {
      {"no LED map", {kKeypad}, [] { unlink(kMapPath); }, kInitError, {}},
      {"no GPIO device", {kKeypad}, [] { unlink("/dev/user-gpio"); }, std::string("gpio_init failed\n") + kInitError,
       {}},
      {"GPIO device refused, LED test",
       {},
       [] { board::InjectFault("gpio", "open", "EACCES"); },
       std::string(kUsage) + "gpio_init failed\n" + kInitError,
       {}},
      {"two arguments and no LED map", {kKeypad, kKeypad}, [] { unlink(kMapPath); }, std::string(kUsage) + kInitError,
       {}},
      // The LEDs were all lit when the device failed to open, and stay so.
      {"no input device", {"/dev/input/event9"}, [] {}, "can't open the device. please check it\n", kAllLit},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    board::ClearRecords();
    ASSERT_TRUE(board::WriteFile(kMapPath, kMap));
    ASSERT_TRUE(board::WriteFile("/dev/user-gpio", ""));
    c.break_board();

    const Finished run = RunLedFirstKey(c.arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(LitBefore(run.records, run.records.size()), c.lit_at_end);
    // An open GPIO device is closed again.
    const Records gpio = board::OfDevices(run.records, {"gpio"});
    ASSERT_FALSE(gpio.empty());
    if (gpio.front().Line() == "gpio open") {
      EXPECT_EQ(gpio.back().Line(), "gpio close");
    }
  }
}

TEST_F(LedFirstKeyLedTest, LedTestBlinksTheGroupsUntilStopped) {
  board::Program program(board::ProgramCommand(LEDFIRSTKEY_PATH, {}));
  ASSERT_TRUE(program.Started());
  // Three dark phases: off, on, off, on, off.
  const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
  Records records;
  for (;;) {
    records = board::ReadTranscript();
    size_t dark = 0;
    for (const DeviceRecord &record : records) dark += record.Line() == "clock sleep usec=100000";
    if (dark >= 3) break;
    ASSERT_TRUE(program.Running()) << program.Output();
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    usleep(20000);
  }
  EXPECT_EQ(program.Stop(SIGTERM), 128 + SIGTERM);  // still running
  EXPECT_EQ(program.Output(), kUsage);

  ExpectDarkStartUp(records);
  // At the end of each phase: the groups' second channels lit, or all dark;
  // the fixed LEDs (power, headset, message waiting) never lit.
  Lines phases;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].event != "sleep") continue;
    const Outputs lit = LitBefore(records, i + 1);
    phases.push_back(records[i].Field("usec") + (lit == kTestLit ? " lit" : lit.empty() ? " dark" : " other"));
  }
  ASSERT_GE(phases.size(), 5u);
  phases.resize(5);
  EXPECT_EQ(phases, (Lines{"100000 dark", "2000000 lit", "100000 dark", "2000000 lit", "100000 dark"}));
}

}  // namespace
