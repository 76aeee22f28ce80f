// The keypad watcher on the board, running in a thread of its own as on the
// phone: key presses fed into /dev/input/event0, their echo seen on the
// panel, the configuration cleaned by the real rm and the reboot asked of the
// stub.
#include "baseKeypad.h"
#include "baseLcd.h"
#include "baseText.h"
#include "baseUpgrade.h"
#include "goldenScreen.h"

#include "board/input.h"
#include "board/sandbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::CommittedScreens;

// Key codes of the keys 1-9, 0, * and #.
constexpr char kKeyCodes[] = "keypad codes\n2,3,4,5,6,7,8,9,10,11,55,42\n";
constexpr uint16_t kCode1 = 2, kCode2 = 3, kCode5 = 6, kCode7 = 8, kCodeStar = 55, kCodeHash = 42;
constexpr uint16_t kUnknownCode = 99;
constexpr LcdRect kEchoArea = {0, 40, 12, 132, TEXT_FORMAT(TEXT_ALIGN_CENTRE, TEXT_ALIGN_MIDDLE)};

const std::vector<uint16_t> kServiceKeys = {kCodeStar, kCodeHash, kCode5, kCode2, kCode7};

bool IsCommand(const board::CommandCall &call, const char *name) { return call.name == name; }
bool RebootAsked() {
  const std::vector<board::CommandCall> calls = board::CommandCalls();
  return std::any_of(calls.begin(), calls.end(), [](const auto &call) { return IsCommand(call, "reboot"); });
}

bool Exists(const char *path) { return access(path, F_OK) == 0; }

class KeypadTest : public testing::Test {
 protected:
  static constexpr auto kDeadline = std::chrono::seconds(60);

  void SetUp() override {
    ASSERT_EQ(baseUiInit(), 0);
    ASSERT_TRUE(board::WriteFile("/etc/keycheck.txt", kKeyCodes));
    ASSERT_EQ(initKey(), 0);
  }

  // What the screen shows with a text in the echo area: the watcher paints
  // only that area, over the screen the panel's start left (all ink).
  board::Image EchoScreen(const char *text, const LcdRect &area = kEchoArea) {
    std::fill(fbp, fbp + 1056, 0xFF);
    drawRect(&area);
    if (text != nullptr) drawLcd(text, &area, 0, 0);
    board::Image screen = board::Image::FromPages(std::span<const uint8_t>(fbp, 1056));
    std::fill(fbp, fbp + 1056, 0xFF);
    return screen;
  }

  // Starts the watcher, which never returns, on the echo area.
  void StartWatcher(const LcdRect &area = kEchoArea) {
    getPostLcdCoordInfo()[2] = area;
    std::thread(keyPadDev).detach();
  }

  static void Press(uint16_t code) { ASSERT_TRUE(board::PressKey("event0", code)); }
  static void Feed(uint16_t code, int32_t value) {
    ASSERT_TRUE(board::FeedInputEvents("event0", {board::KeyEvent(code, value)}));
  }

  // Waits for the watcher to take every record fed, and for that many
  // screens.
  std::vector<testsupport::Screen> WaitForScreens(size_t count) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    std::vector<testsupport::Screen> screens = CommittedScreens();
    while ((screens.size() < count || !board::PendingInputEvents("event0").empty()) &&
           std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      screens = CommittedScreens();
    }
    EXPECT_GE(screens.size(), count);
    return screens;
  }

  // One key pressed with the echo in that area.
  void ExpectKeyEchoedIn(const LcdRect &area) {
    const board::Image expected = EchoScreen("5", area);
    StartWatcher(area);
    Press(kCode5);
    const std::vector<testsupport::Screen> screens = WaitForScreens(1);
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens.back().glass, expected) << screens.back().glass.Terminal();
  }

  void WaitForReboot() {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!RebootAsked() && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(RebootAsked());
  }
};

TEST_F(KeypadTest, EchoesEachKeyAndOnTheServiceSequenceCleansAndReboots) {
  const char *files[] = {"/mnt/userdata/default_user_config_back.txt", "/mnt/userdata/default_user_config.txt",
                         "/mnt/userdata/etc/user/settings.xml", "/mnt/userdata/etc/user/sub/more.txt",
                         "/mnt/userdata/etc/default/data/table.dat"};
  for (const char *dir : {"/mnt/userdata/etc", "/mnt/userdata/etc/user", "/mnt/userdata/etc/user/sub",
                          "/mnt/userdata/etc/default", "/mnt/userdata/etc/default/data"}) {
    mkdir(dir, 0755);
  }
  for (const char *file : files) ASSERT_TRUE(board::WriteFile(file, "x"));
  std::vector<board::Image> expected;
  for (const char *text : {"", "1", "2", "*", "#", "5", "2", "7"}) {
    expected.push_back(EchoScreen(text[0] != '\0' ? text : nullptr));
  }
  expected.push_back(EchoScreen("Cleaning configure"));
  expected.push_back(EchoScreen("ready to reboot..."));

  testing::internal::CaptureStdout();
  StartWatcher();
  // A key not in the table echoes nothing; releases and repeats are no
  // presses and draw nothing.
  Press(kUnknownCode);
  Feed(kCode1, board::kKeyRepeated);
  Feed(kCode1, board::kKeyReleased);
  for (uint16_t code : {kCode1, kCode2}) Press(code);
  for (uint16_t code : kServiceKeys) Press(code);
  WaitForReboot();
  const std::string printed = testing::internal::GetCapturedStdout();

  const std::vector<testsupport::Screen> screens = CommittedScreens();
  ASSERT_EQ(screens.size(), expected.size());
  for (size_t i = 0; i < screens.size(); ++i) {
    EXPECT_EQ(screens[i].glass, expected[i]) << "screen " << i << screens[i].glass.Terminal();
  }
  for (const char *file : files) EXPECT_FALSE(Exists(file)) << file;
  EXPECT_TRUE(Exists("/mnt/userdata/etc/user"));  // emptied, not removed
  EXPECT_TRUE(Exists("/mnt/userdata/etc/default/data"));
  EXPECT_EQ(printed,
            "removed /mnt/userdata/default_user_config_back.txt succes!\n"
            "removed /mnt/userdata/default_user_config.txt succes!\n");
  // The pauses around the cleaning: a second, then two before the reboot.
  std::vector<long long> pauses;
  for (const board::DeviceRecord &record : board::ReadTranscript()) {
    if (record.device == "clock" && record.event == "sleep" && record.Number("usec") >= 1000000) {
      pauses.push_back(record.Number("usec"));
    }
  }
  EXPECT_EQ(pauses, (std::vector<long long>{1000000, 2000000}));
}

TEST_F(KeypadTest, ATypedKeyBufferFullAt127CharactersIsEmptiedBeforeTheNextKey) {
  // The same codes across three lines, and more than twelve: the rest are
  // not used.
  ASSERT_TRUE(board::WriteFile("/etc/keycheck.txt", "codes\n2,3,4,5\n6,7,8,9,10,11\n55,42,77,88\n"));
  ASSERT_EQ(initKey(), 0);
  StartWatcher();
  // 125 keys, then the sequence: "*#" fill the buffer to 127, which is
  // emptied before "5", so the sequence is not found.
  for (int i = 0; i < 125; ++i) Press(kCode1);
  for (uint16_t code : kServiceKeys) Press(code);
  WaitForScreens(130);
  EXPECT_FALSE(RebootAsked());
  // The watcher goes on: the whole sequence now cleans and reboots.
  for (uint16_t code : kServiceKeys) Press(code);
  WaitForReboot();
}

TEST_F(KeypadTest, TheSequenceEndingAtThe127thCharacterIsFound) {
  StartWatcher();
  for (int i = 0; i < 122; ++i) Press(kCode1);
  for (uint16_t code : kServiceKeys) Press(code);
  WaitForReboot();
}

// An echo area reaching off the panel, or lying wholly off it, draws only
// what lies on the panel and writes nothing outside the framebuffer.
TEST_F(KeypadTest, AnEchoAreaPartlyOffThePanel) { ExpectKeyEchoedIn({120, 58, 12, 50, 0}); }
TEST_F(KeypadTest, AnEchoAreaLeftOfAndAboveThePanel) { ExpectKeyEchoedIn({-30, -20, 40, 50, 0}); }
TEST_F(KeypadTest, AnEchoAreaFarOffThePanel) { ExpectKeyEchoedIn({500, 300, 12, 50, 0}); }

TEST(KeypadDeviceTest, WithoutTheKeypadTheProcessEnds) {
  ASSERT_EQ(unlink("/dev/input/event0"), 0);
  EXPECT_EXIT(keyPadDev(), testing::ExitedWithCode(1), "can not open device keyboard: No such file or directory");
}

TEST(KeyCodeFileTest, WithoutTheFileNothingIsRead) {
  ASSERT_EQ(unlink("/etc/keycheck.txt") == 0 || errno == ENOENT, true);
  EXPECT_EQ(initKey(), -1);
}

}  // namespace
