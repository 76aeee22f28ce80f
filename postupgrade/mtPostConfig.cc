// The user configuration file: reading the Firmware Url, User and password,
// blanking them, and the certificate check flag.
#include "export.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include "platform/runtime.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace postupgrade {
namespace {

// The keys whose values the upgrade reads and blanks, in this order. Each is
// 20 characters: the name, blanks, and a colon in column 20.
constexpr std::string_view kFirmwareKeys[] = {
    "Firmware Url       :",
    "Firmware User      :",
    "Firmware password  :",
};
constexpr size_t kKeySize = 20;
static_assert(kFirmwareKeys[0].size() == kKeySize && kFirmwareKeys[1].size() == kKeySize &&
              kFirmwareKeys[2].size() == kKeySize);
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kValueMax = 511;  // longer values are cut

constexpr char kVerifyPeerSearch[] = "grep 'Zel Verify Peer Enable' /mnt/userdata/default_user_config.txt";
constexpr int kVerifyPeerLineSize = 256;

// The module's configuration text: the file's bytes and a zero byte.
char *gConfigText = nullptr;

struct ValueSpan {
  size_t start;  // just after the key
  size_t end;    // at the CR LF that ends the value
};

// Where the value of the first occurrence of key lies; none when the key or
// the CR LF after it is missing.
std::optional<ValueSpan> FindValue(std::string_view text, std::string_view key) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const size_t start = at + key.size();
  const size_t end = text.find(kLineEnd, start);
  if (end == std::string_view::npos) return std::nullopt;
  return ValueSpan{start, end};
}

char *ValueCopy(std::string_view text, std::string_view key) {
  const std::optional<ValueSpan> span = FindValue(text, key);
  if (!span || span->end == span->start) return nullptr;
  char value[kValueMax + 1] = {};
  const std::string_view found = text.substr(span->start, span->end - span->start);
  found.substr(0, kValueMax).copy(value, kValueMax);
  return mtPostStrDup(value);
}

// The whole content of an open stream; false when nothing could be read.
bool ReadAll(std::FILE *stream, std::string *content) {
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) content->append(chunk, got);
  return !content->empty();
}

}  // namespace

char *mtPostStrDup(const char *text) {
  if (text == nullptr || text[0] == '\0') return nullptr;
  const size_t size = std::strlen(text) + 1;
  char *copy = static_cast<char *>(uMalloc(size));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

void mtPostConfigFree() {
  uFree(gConfigText);
  gConfigText = nullptr;
}

int mtPostConfigLoad() {
  mtPostConfigFree();
  struct stat info {};
  if (::stat(upgradeui::kUserConfigPath, &info) != 0) return -1;
  std::FILE *file = std::fopen(upgradeui::kUserConfigPath, "rb");
  if (file == nullptr) return 0;
  const size_t size = static_cast<size_t>(info.st_size) + 1;
  char *text = static_cast<char *>(uMalloc(size + 1));
  if (text == nullptr) {
    std::fclose(file);
    return -1;
  }
  const size_t got = std::fread(text, 1, size, file);
  std::fclose(file);
  text[got] = '\0';
  if (got == 0) {
    uFree(text);
    return -1;
  }
  gConfigText = text;
  return 0;
}

void mtPostConfigValuesGet(char **url, char **user, char **password) {
  if (gConfigText == nullptr) return;
  const std::string_view text(gConfigText);
  char **const outs[] = {url, user, password};
  for (size_t i = 0; i < std::size(kFirmwareKeys); ++i) {
    if (char *value = ValueCopy(text, kFirmwareKeys[i])) *outs[i] = value;
  }
}

void mtPostCleanConfigValue(upgradeui::FileSystem &fs) {
  std::printf("%s : start .\n", "mtPostCleanConfigValue");
  struct stat info {};
  if (::stat(upgradeui::kUserConfigPath, &info) != 0) return;
  std::printf("%s : statbuf %d .\n", "mtPostCleanConfigValue", static_cast<int>(info.st_size));
  // Opened for update, as a check that the file may be changed at all.
  std::FILE *file = std::fopen(upgradeui::kUserConfigPath, "r+");
  if (file == nullptr) return;
  std::string text;
  const bool read = ReadAll(file, &text);
  std::fclose(file);
  if (!read) return;

  const std::string before = text;
  for (std::string_view key : kFirmwareKeys) {
    if (const std::optional<ValueSpan> span = FindValue(text, key)) text.erase(span->start, span->end - span->start);
  }
  if (text == before) return;
  // Written beside the file and renamed over it: a stop at any point leaves
  // the old or the new content, never an empty or half-written file.
  (void)upgradeui::ReplaceFileContent(fs, upgradeui::kUserConfigPath, text);
}

}  // namespace postupgrade

extern "C" {

POSTUPGRADE_EXPORT int zelVerifyPeerGet(void) {
  char line[postupgrade::kVerifyPeerLineSize] = {};
  // A flag that could not be read is -1, which keeps the certificate check.
  if (!postupgrade::mtPostCommandFirstLine(postupgrade::kVerifyPeerSearch, line, sizeof line)) return -1;
  return std::strchr(line, '1') != nullptr ? 1 : 0;
}

}  // extern "C"
