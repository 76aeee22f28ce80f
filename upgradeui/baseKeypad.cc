// The keypad service: key codes from /etc/keycheck.txt, and the watcher that
// echoes keys on the panel and, on the service sequence, cleans the user
// configuration and restarts the phone.
#include "baseKeypad.h"

#include "baseLcd.h"
#include "baseText.h"
#include "baseUpgrade.h"
#include "decimalNumber.h"
#include "export.h"
#include "screenLock.h"
#include "stdioFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

namespace upgradeui {
namespace {

constexpr char kKeyCodePath[] = "/etc/keycheck.txt";
constexpr char kKeypadDevice[] = "/dev/input/event0";
// At most this many characters of a line of the key code file are read at a
// time; the rest of a longer line is read as a line of its own.
constexpr int kKeyLineMax = 126;

struct Key {
  int code;
  char character;
};
Key gKeys[] = {{0, '1'}, {0, '2'}, {0, '3'}, {0, '4'}, {0, '5'}, {0, '6'},
               {0, '7'}, {0, '8'}, {0, '9'}, {0, '0'}, {0, '*'}, {0, '#'}};
constexpr size_t kKeyCount = sizeof gKeys / sizeof gKeys[0];

// An input event record as the phone's 32-bit kernel delivers it.
constexpr size_t kEventSize = 16;
constexpr size_t kEventCodeOffset = 10;
constexpr size_t kEventValueOffset = 12;
constexpr int32_t kKeyPressed = 1;

constexpr size_t kTypedMax = 127;
constexpr std::string_view kServiceSequence = "*#527";
constexpr int kEchoArea = 2;  // of the coordinate block

constexpr const char *kConfigFiles[] = {"/mnt/userdata/default_user_config_back.txt",
                                        "/mnt/userdata/default_user_config.txt"};
constexpr const char *kConfigDirs[] = {"/mnt/userdata/etc/user", "/mnt/userdata/etc/default/data"};
constexpr size_t kCommandMax = 127;
constexpr unsigned kAfterCleaningSeconds = 1;
constexpr unsigned kBeforeRebootSeconds = 2;
constexpr useconds_t kReadRetryUs = 100000;

// The typed keys: at most kTypedMax characters.
class TypedKeys {
 public:
  bool Full() const { return count_ >= kTypedMax; }
  void Add(char c) {
    if (Full()) return;
    text_[count_++] = c;
    text_[count_] = '\0';
  }
  void Clear() {
    count_ = 0;
    text_[0] = '\0';
  }
  bool HoldsServiceSequence() const { return std::string_view(text_, count_).find(kServiceSequence) != std::string_view::npos; }

 private:
  char text_[kTypedMax + 1] = {};
  size_t count_ = 0;
};

// Paints the echo area, shows a text in it (if any) and commits.
void Echo(const LcdRect &area, const char *text) {
  const std::lock_guard<std::mutex> screen(ScreenLock());
  drawRect(&area);
  if (text != nullptr) drawLcd(text, &area, 0, 0);
  lcdPushCommit();
}

void CleanConfiguration() {
  for (const char *path : kConfigFiles) {
    if (access(path, F_OK) != 0) continue;
    std::printf(std::remove(path) == 0 ? "removed %s succes!\n" : "removed %s failed!\n", path);
  }
  for (const char *dir : kConfigDirs) {
    char command[kCommandMax + 1];
    std::snprintf(command, sizeof command, "rm %s/* -rf", dir);
    const int status = std::system(command);
    if (status != 0) std::printf("system cmd %s error, ret = %d\n", command, status);
  }
  std::fflush(stdout);
}

}  // namespace
}  // namespace upgradeui

using namespace upgradeui;

extern "C" {

UPGRADEUI_EXPORT int initKey(void) {
  const Stream file = OpenStream(kKeyCodePath, "r");
  if (!file) return -1;
  char line[kKeyLineMax + 1];
  size_t next = 0;
  bool heading = true;
  while (std::fgets(line, sizeof line, file.get()) != nullptr) {
    if (heading) {
      heading = false;
      continue;
    }
    // Commas only separate: runs of other characters are the numbers.
    char *save = nullptr;
    for (char *field = strtok_r(line, ",", &save); field != nullptr; field = strtok_r(nullptr, ",", &save)) {
      if (next < kKeyCount) gKeys[next++].code = DecimalNumber(field);
    }
  }
  return 0;
}

UPGRADEUI_EXPORT void keyPadDev(void) {
  const LcdRect area = getPostLcdCoordInfo()[kEchoArea];
  const int fd = open(kKeypadDevice, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::perror("can not open device keyboard");
    std::exit(1);
  }
  TypedKeys typed;
  for (;;) {
    uint8_t record[kEventSize] = {};
    const ssize_t got = read(fd, record, sizeof record);
    if (got <= 0) {
      // Nothing read: try again, without spinning on a device that fails.
      if (got < 0 && errno != EINTR) usleep(kReadRetryUs);
      continue;
    }
    if (typed.Full()) typed.Clear();
    uint16_t code;
    int32_t value;
    std::memcpy(&code, record + kEventCodeOffset, sizeof code);
    std::memcpy(&value, record + kEventValueOffset, sizeof value);
    if (value != kKeyPressed) continue;

    {
      const std::lock_guard<std::mutex> screen(ScreenLock());
      drawRect(&area);
      for (const Key &key : gKeys) {
        if (key.code != code) continue;
        typed.Add(key.character);
        const char echo[2] = {key.character, '\0'};
        drawLcd(echo, &area, 0, 0);
      }
      lcdPushCommit();
    }

    if (!typed.HoldsServiceSequence()) continue;
    typed.Clear();
    Echo(area, "Cleaning configure");
    CleanConfiguration();
    sleep(kAfterCleaningSeconds);
    Echo(area, "ready to reboot...");
    sleep(kBeforeRebootSeconds);
    typed.Clear();
    (void)std::system("reboot");
  }
}

}  // extern "C"
