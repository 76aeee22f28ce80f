// The post-boot upgrade's readers of any user configuration file: the
// Firmware Url, User and password values, their blanking, and the
// certificate check flag. The values must be what the first key of each
// holds up to its CR LF (cut to 511 characters), the blanking must remove
// exactly those values and keep every other byte and the file's mode, and
// no ".new" file may stay behind.
#include "board_fuzz.h"
#include "mtPostInternal.h"
#include "mtPostProcess.h"

#include "platform/runtime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr char kConfig[] = "/mnt/userdata/default_user_config.txt";
constexpr std::string_view kKeys[] = {"Firmware Url       :", "Firmware User      :", "Firmware password  :"};
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kValueMax = 511;
constexpr std::string_view kVerifyPeerKey = "Zel Verify Peer Enable";
constexpr size_t kVerifyPeerLineMax = 255;

// Where the value of key's first occurrence lies: [start, end), end at its
// CR LF; none without the key or the CR LF.
std::optional<std::pair<size_t, size_t>> ValueAt(std::string_view text, std::string_view key) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const size_t end = text.find(kLineEnd, at + key.size());
  if (end == std::string_view::npos) return std::nullopt;
  return std::make_pair(at + key.size(), end);
}

// The configured value as the reader must give it; none when absent or empty.
std::optional<std::string> ExpectedValue(std::string_view text, std::string_view key) {
  const auto span = ValueAt(text, key);
  if (!span || span->first == span->second) return std::nullopt;
  return std::string(text.substr(span->first, std::min(span->second - span->first, kValueMax)));
}

// The file after blanking: each key in turn, in the text as the keys before
// left it.
std::string ExpectedBlanked(std::string text) {
  for (std::string_view key : kKeys) {
    if (const auto span = ValueAt(text, key)) text.erase(span->first, span->second - span->first);
  }
  return text;
}

void CheckValue(const char *value, const std::optional<std::string> &expected) {
  if (expected.has_value() != (value != nullptr)) std::abort();
  if (value != nullptr && *expected != value) std::abort();
}

// Printable ASCII lines, which grep takes as text in any locale.
bool PlainText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n' || c == '\t';
  });
}

void CheckVerifyPeerFlag(std::string_view file) {
  const int flag = zelVerifyPeerGet();
  // The first line holding the key decides, as far as 255 characters of it.
  int expected = 0;
  for (size_t start = 0; start < file.size();) {
    const size_t newline = file.find('\n', start);
    const size_t end = newline == std::string_view::npos ? file.size() : newline + 1;
    const std::string_view line = file.substr(start, end - start);
    if (line.find(kVerifyPeerKey) != std::string_view::npos) {
      expected = line.substr(0, kVerifyPeerLineMax).find('1') != std::string_view::npos ? 1 : 0;
      break;
    }
    start = end;
  }
  if (flag != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzboard::RequireBoard();
  fuzzboard::SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string before(reinterpret_cast<const char *>(data), size);
  if (!board::WriteFile(kConfig, before)) std::abort();
  // The file is read as a C text: its first zero byte ends it.
  const std::string_view text(before.c_str());

  const int loaded = postupgrade::mtPostConfigLoad();
  if (loaded != (before.empty() ? -1 : 0)) std::abort();
  char *values[3] = {};
  postupgrade::mtPostConfigValuesGet(&values[0], &values[1], &values[2]);
  postupgrade::mtPostConfigFree();
  for (size_t i = 0; i < 3; ++i) {
    CheckValue(values[i], before.empty() ? std::nullopt : ExpectedValue(text, kKeys[i]));
    uFree(values[i]);
  }

  // The flag is searched for by a shell command, a process or two for each
  // input: only for texts that hold the key and whose answer is known.
  if (before.find(kVerifyPeerKey) != std::string::npos && PlainText(before)) CheckVerifyPeerFlag(before);

  struct stat old {};
  if (stat(kConfig, &old) != 0) std::abort();
  postupgrade::mtPostCleanConfigValue();
  const auto after = board::ReadFile(kConfig);
  if (!after || *after != ExpectedBlanked(before)) std::abort();
  struct stat now {};
  if (stat(kConfig, &now) != 0 || (now.st_mode & 07777) != (old.st_mode & 07777)) std::abort();
  if (access((std::string(kConfig) + ".new").c_str(), F_OK) == 0) std::abort();
  return 0;
}
