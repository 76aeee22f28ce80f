// The upgrade state, the progress record and the progress thread on the
// board: the thread runs as it does on the phone, and the tests watch what
// the panel showed after each commit and what the record file holds.
#include "baseGpio.h"
#include "baseLcd.h"
#include "baseUpgrade.h"
#include "goldenScreen.h"

#include "board/sandbox.h"
#include "board/transcript.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::CommittedScreens;
using testsupport::GlassMatchesGolden;
using testsupport::Screen;

constexpr char kRecord[] = "/mnt/progress.xml";

std::string RecordOf(const std::string &value) {
  return "<?xml version=\"1.0\"?><root><pro><value>" + value + "</value><result>2</result></pro></root> ";
}

// The download writes the progress cell from its own thread, as whole values.
void SetProgress(int value) { __atomic_store_n(baseProgressAddrGet(), value, __ATOMIC_RELAXED); }
int ProgressNow() { return __atomic_load_n(baseProgressAddrGet(), __ATOMIC_RELAXED); }

std::vector<long long> Sleeps() {
  std::vector<long long> sleeps;
  for (const board::DeviceRecord &record : board::ReadTranscript()) {
    if (record.device == "clock" && record.event == "sleep") sleeps.push_back(record.Number("usec"));
  }
  return sleeps;
}

TEST(ProgressRecordTest, TheValueIsZeroWhileUpgradingAndTheResultAlwaysTwo) {
  const struct {
    int progress;
    const char *value;
  } cases[] = {
      {100, "100"}, {37, "0"}, {0, "0"}, {99, "0"}, {-1, "-1"}, {150, "150"}, {INT_MIN, "-214748"},  // 7 characters
  };
  for (const auto &c : cases) {
    SetProgress(c.progress);
    baseRecordUpgradeProcess();
    EXPECT_EQ(board::ReadFile(kRecord), RecordOf(c.value)) << c.progress;
  }
  SetProgress(50);
  baseRecordUpgradeFailed();
  EXPECT_EQ(ProgressNow(), -1);
  EXPECT_EQ(board::ReadFile(kRecord), RecordOf("-1"));
}

TEST(ProgressRecordTest, ARecordThatCannotBeWrittenIsSkipped) {
  ASSERT_EQ(mkdir(kRecord, 0755), 0);
  baseRecordUpgradeProcess();
  struct stat status;
  ASSERT_EQ(stat(kRecord, &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
}

TEST(ResultDisplayTest, TheWaitPollsEvery100MillisecondsUntilAResultScreenIsUp) {
  ASSERT_EQ(gpio_init(), 0);  // the board's clock records the pauses of a program using a device
  board::ClearRecords();
  baseUpgradeResultDiaplayFlagSet(1);
  EXPECT_EQ(baseUpgradeResultDiaplayCompleteCheck(50), 1);
  EXPECT_EQ(Sleeps(), std::vector<long long>{100000});

  board::ClearRecords();
  baseUpgradeResultDiaplayFlagSet(0);
  EXPECT_EQ(baseUpgradeResultDiaplayFlagGet(), 0);
  EXPECT_EQ(baseUpgradeResultDiaplayCompleteCheck(3), 0);
  EXPECT_EQ(Sleeps(), (std::vector<long long>{100000, 100000, 100000}));
  board::ClearRecords();
  EXPECT_EQ(baseUpgradeResultDiaplayCompleteCheck(0), 0);
  EXPECT_EQ(baseUpgradeResultDiaplayCompleteCheck(-4), 0);
  EXPECT_TRUE(Sleeps().empty());
}

TEST(CoordinateBlockTest, FourZeroAreasForTheApplication) {
  const LcdRect *block = getPostLcdCoordInfo();
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(block[i].x | block[i].y | block[i].height | block[i].width | block[i].format, 0);
  }
}

// The thread's screens. Every wait is bounded by a generous deadline, not by
// the thread's pace.
class ProgressThreadTest : public testing::Test {
 protected:
  static constexpr auto kDeadline = std::chrono::seconds(30);

  // The panel's start-up stays in the transcript: the panel model needs it.
  void SetUp() override { ASSERT_EQ(baseUiInit(), 0); }

  // The screens committed so far, once there are at least `count`.
  std::vector<Screen> WaitForScreens(size_t count) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    std::vector<Screen> screens = CommittedScreens();
    while (screens.size() < count && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      screens = CommittedScreens();
    }
    EXPECT_GE(screens.size(), count);
    return screens;
  }

  // Sets the flag and waits for the result screen the way the upgrading
  // module does.
  void Finish(int flag) {
    baseUpgradeResultDiaplayFlagSet(0);
    baseUpgradeFlagSet(flag);
    ASSERT_EQ(baseUpgradeResultDiaplayCompleteCheck(300), 1);
  }

  // The start screen with the block at its k-th place.
  static board::Image WithBlock(board::Image start, int k) {
    for (int y = 47; y < 50; ++y) {
      for (int x = 28 + 26 * k; x < 28 + 26 * k + 24; ++x) start.Set(x, y, true);
    }
    return start;
  }
};

TEST_F(ProgressThreadTest, WithoutProgressTheTextStaysAndTheBlockMovesOnceASecond) {
  SetProgress(0);
  baseUpgradeFlagSet(BASE_UPGRADE_RUNNING);
  baseUpdateStartProcess();
  const std::vector<Screen> screens = WaitForScreens(5);
  ASSERT_GE(screens.size(), 5u);
  EXPECT_EQ(board::ReadFile(kRecord), RecordOf("0"));
  EXPECT_TRUE(GlassMatchesGolden(screens[0].glass, "progress-start"));
  for (size_t i = 1; i < 5; ++i) {
    const int place = static_cast<int>(i - 1) % 3;  // x = 28, 54, 80, 28
    EXPECT_EQ(screens[i].glass, WithBlock(screens[0].glass, place)) << "pass " << i << screens[i].glass.Terminal();
    if (i >= 2) {
      // A second's sleep between passes; nothing tighter is promised.
      EXPECT_GE(screens[i].time_us - screens[i - 1].time_us, 950000) << "pass " << i;
    }
  }

  Finish(BASE_UPGRADE_SUCCEEDED);
  EXPECT_TRUE(GlassMatchesGolden(CommittedScreens().back().glass, "completed"));
  EXPECT_EQ(ProgressNow(), 100);
  EXPECT_EQ(board::ReadFile(kRecord), RecordOf("100"));
}

TEST_F(ProgressThreadTest, AProgressShowsAsAPercentage) {
  SetProgress(45);
  baseUpgradeFlagSet(BASE_UPGRADE_RUNNING);
  baseUpdateStartProcess();
  const std::vector<Screen> screens = WaitForScreens(2);
  ASSERT_GE(screens.size(), 2u);
  EXPECT_TRUE(GlassMatchesGolden(screens[1].glass, "progress-45"));

  Finish(BASE_UPGRADE_FAILED);
  EXPECT_TRUE(GlassMatchesGolden(CommittedScreens().back().glass, "failed"));
  EXPECT_EQ(ProgressNow(), -1);
  EXPECT_EQ(board::ReadFile(kRecord), RecordOf("0"));  // the thread records no failure
}

TEST_F(ProgressThreadTest, AFailureBeforeTheFirstPassShowsTheStartScreenThenAtOnceTheFailureScreen) {
  SetProgress(45);
  baseUpgradeFlagSet(BASE_UPGRADE_FAILED);
  baseUpgradeResultDiaplayFlagSet(0);
  baseUpdateStartProcess();
  ASSERT_EQ(baseUpgradeResultDiaplayCompleteCheck(300), 1);
  const std::vector<Screen> screens = CommittedScreens();
  ASSERT_EQ(screens.size(), 2u);  // no percentage, no block
  EXPECT_TRUE(GlassMatchesGolden(screens[0].glass, "progress-start"));
  EXPECT_TRUE(GlassMatchesGolden(screens[1].glass, "failed"));
}

TEST_F(ProgressThreadTest, StartedTwiceBothThreadsDrawInTurnAndEndOnTheFlag) {
  SetProgress(20);
  baseUpgradeFlagSet(BASE_UPGRADE_RUNNING);
  baseUpdateStartProcess();
  baseUpdateStartProcess();
  WaitForScreens(6);
  baseUpgradeFlagSet(BASE_UPGRADE_SUCCEEDED);
  // Both end with the success screen.
  const std::optional<board::Image> completed = testsupport::Golden("completed");
  ASSERT_TRUE(completed);
  const auto end = std::chrono::steady_clock::now() + kDeadline;
  int shown = 0;
  while (shown < 2 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    shown = 0;
    for (const Screen &screen : CommittedScreens()) shown += screen.glass == *completed;
  }
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(baseUpgradeResultDiaplayFlagGet(), 1);
  EXPECT_EQ(board::ReadFile(kRecord), RecordOf("100"));
}

}  // namespace
