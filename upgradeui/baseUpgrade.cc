// The upgrade state, the progress record /mnt/progress.xml, the result
// screens and the progress thread that shows the upgrade on the panel.
#include "baseUpgrade.h"

#include "baseLcd.h"
#include "baseText.h"
#include "export.h"
#include "framebuffer.h"
#include "screenLock.h"
#include "userConfigFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace upgradeui {
namespace {

constexpr char kRecordPath[] = "/mnt/progress.xml";
constexpr std::string_view kRecordOpening = "<?xml version=\"1.0\"?><root><pro><value>";
constexpr std::string_view kRecordMiddle = "</value><result>";
constexpr std::string_view kRecordClosing = "</result></pro></root> ";
// The value is written with at most this many characters.
constexpr size_t kValueTextMax = 7;
// The result code of every record written.
constexpr std::string_view kResultCode = "2";

constexpr int kProgressDone = 100;
constexpr int kProgressFailed = -1;

constexpr int kResultPollUs = 100000;
constexpr unsigned kPassSeconds = 1;

// Where the screens put their text: the upper and lower message rows.
constexpr int kUpperRowY = 20;
constexpr int kRowHeight = 12;
constexpr int kProgressRowY = 32;

// The bar: its frame (x, y, height, width), its interior and the moving block.
constexpr LcdRect kBarFrame[] = {
    {26, 45, 2, 78, 0},  // top
    {26, 50, 2, 78, 0},  // bottom
    {26, 45, 5, 2, 0},   // left
    {104, 45, 7, 2, 0},  // right
};
constexpr int kBarInteriorX = 28, kBarInteriorY = 47, kBarInteriorWidth = 76, kBarInteriorHeight = 3;
constexpr int kBlockWidth = 24, kBlockStep = 26, kBlockPositions = 3;
constexpr uint32_t kInk = 0;

std::atomic<int32_t> gUpgradeFlag{BASE_UPGRADE_RUNNING};
// The progress cell: its address is handed out, and it is read and written as
// a whole 32-bit value.
alignas(4) int32_t gProgress = 0;
std::atomic<int32_t> gResultDisplayed{0};

// The area of the screens' text; its format byte is 0 until the progress
// thread makes it centred.
LcdRect gScreenArea = {0, 0, 0, 0, 0};
LcdRect gCoordinateBlock[4] = {};

// Record writers in several threads write one after another.
std::mutex gRecordLock;

int32_t Progress() { return std::atomic_ref<int32_t>(gProgress).load(std::memory_order_relaxed); }
void SetProgress(int32_t value) { std::atomic_ref<int32_t>(gProgress).store(value, std::memory_order_relaxed); }

void DrawScreenText(int y, const char *text) {
  gScreenArea.x = 0;
  gScreenArea.y = y;
  gScreenArea.width = kPanelWidth;
  gScreenArea.height = kRowHeight;
  drawLcd(text, &gScreenArea, 0, 0);
}

void DrawResultScreen(const char *headline) {
  baseDrawRect(0, 0, kPanelWidth, kPanelHeight);
  DrawScreenText(kUpperRowY, headline);
  DrawScreenText(kUpperRowY + kRowHeight, "Rebooting ...");
  lcdPushCommit();
}

void DrawStartScreen() {
  baseDrawRect(0, 0, kPanelWidth, kPanelHeight);
  gScreenArea.format = TEXT_FORMAT(TEXT_ALIGN_CENTRE, TEXT_ALIGN_MIDDLE);
  DrawScreenText(kProgressRowY, "Upgrading ...");
  for (const LcdRect &side : kBarFrame) drawRectWithColor(&side, kInk);
  lcdPushCommit();
}

// One pass while upgrading: the percentage when there is one, and the block
// at its next place.
void DrawProgressPass(int block) {
  const int32_t progress = Progress();
  if (progress > 0 && progress <= kProgressDone) {
    baseDrawRect(0, kProgressRowY, kPanelWidth, kRowHeight);
    char text[32];
    std::snprintf(text, sizeof text, "Upgrading %d%%", progress);
    DrawScreenText(kProgressRowY, text);
  }
  baseDrawRect(kBarInteriorX, kBarInteriorY, kBarInteriorWidth, kBarInteriorHeight);
  const LcdRect moving = {kBarInteriorX + kBlockStep * block, kBarInteriorY, kBarInteriorHeight, kBlockWidth, 0};
  drawRectWithColor(&moving, kInk);
  lcdPushCommit();
}

// Ends with a result screen once the flag says finished (1) or failed (2).
void *ProgressThread(void *) {
  {
    const std::lock_guard<std::mutex> screen(ScreenLock());
    baseRecordUpgradeProcess();
    setFontMidPixelVal(12);
    DrawStartScreen();
  }
  int block = 0;
  for (;;) {
    const int32_t flag = gUpgradeFlag.load();
    if (flag == BASE_UPGRADE_SUCCEEDED) {
      const std::lock_guard<std::mutex> screen(ScreenLock());
      SetProgress(kProgressDone);
      baseRecordUpgradeProcess();
      baseUpdateSuccessScreen();
      gResultDisplayed.store(1, std::memory_order_release);
      return nullptr;
    }
    if (flag == BASE_UPGRADE_FAILED) {
      const std::lock_guard<std::mutex> screen(ScreenLock());
      SetProgress(kProgressFailed);
      baseUpdateFailedScreen();
      gResultDisplayed.store(1, std::memory_order_release);
      return nullptr;
    }
    if (flag != BASE_UPGRADE_RUNNING) {
      // Not a state of the upgrade: look again, giving way to the writer.
      sched_yield();
      continue;
    }
    {
      const std::lock_guard<std::mutex> screen(ScreenLock());
      if (block >= kBlockPositions) block = 0;
      DrawProgressPass(block);
    }
    ++block;
    sleep(kPassSeconds);
  }
}

}  // namespace

std::mutex &ScreenLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT void baseUpgradeFlagSet(int flag) { gUpgradeFlag = flag; }

UPGRADEUI_EXPORT int *baseProgressAddrGet(void) { return &gProgress; }

UPGRADEUI_EXPORT void baseUpgradeResultDiaplayFlagSet(int value) {
  gResultDisplayed.store(value, std::memory_order_release);
}

UPGRADEUI_EXPORT int baseUpgradeResultDiaplayFlagGet(void) {
  return gResultDisplayed.load(std::memory_order_acquire);
}

UPGRADEUI_EXPORT int baseUpgradeResultDiaplayCompleteCheck(int tries) {
  for (int i = 0; i < tries; ++i) {
    usleep(kResultPollUs);
    if (baseUpgradeResultDiaplayFlagGet() == 1) return 1;
  }
  return 0;
}

UPGRADEUI_EXPORT void baseRecordUpgradeProcess(void) {
  const std::lock_guard<std::mutex> hold(gRecordLock);
  const int32_t progress = Progress();
  // While upgrading the record says 0; only the end (100) and a failure (-1)
  // show.
  char value[kValueTextMax + 1];
  std::snprintf(value, sizeof value, "%d", progress >= 0 && progress < kProgressDone ? 0 : progress);

  const int fd = open(kRecordPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  for (std::string_view piece : {kRecordOpening, std::string_view(value), kRecordMiddle, kResultCode, kRecordClosing}) {
    if (!WriteAll(SystemFileSystem(), fd, piece)) break;
  }
  close(fd);
}

UPGRADEUI_EXPORT void baseRecordUpgradeFailed(void) {
  SetProgress(kProgressFailed);
  baseRecordUpgradeProcess();
}

UPGRADEUI_EXPORT void baseUpdateStartProcess(void) {
  pthread_t thread;
  // Nobody waits for the thread: it gives back what it holds when it ends.
  if (pthread_create(&thread, nullptr, ProgressThread, nullptr) == 0) pthread_detach(thread);
}

UPGRADEUI_EXPORT void baseUpdateSuccessScreen(void) { DrawResultScreen("Update Completed"); }

UPGRADEUI_EXPORT void baseUpdateFailedScreen(void) { DrawResultScreen("Update Failed"); }

UPGRADEUI_EXPORT LcdRect *getPostLcdCoordInfo(void) { return gCoordinateBlock; }

}  // extern "C"
