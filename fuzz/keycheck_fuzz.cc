// Both readers of any /etc/keycheck.txt: the keypad service's (initKey) and
// the LED self-test's. Neither may read past a line or a field; the LED
// self-test's key code must be the twelfth number after the heading as the
// phone's reading by lines of at most 126 characters and comma-separated
// fields gives it, the same rule by which the keypad service fills its keys.
#include "baseKeypad.h"
#include "board_fuzz.h"
#include "keyCode.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr char kKeyCodeFile[] = "/etc/keycheck.txt";
constexpr int kHashKey = 11;  // the twelfth key, '#'

// The phone's reading, with the C library: fgets into a line of 127 bytes,
// the heading skipped, strtok at commas, each field as a decimal number held
// to int. The code of the twelfth field, or -1.
int ReferenceKeyCode(std::string_view text) {
  if (text.empty()) return ledfirstkey::kNoKeyCode;
  std::FILE *file = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  if (file == nullptr) std::abort();
  char line[127];
  int field = 0;
  int code = ledfirstkey::kNoKeyCode;
  bool heading = true;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (heading) {
      heading = false;
      continue;
    }
    char *save = nullptr;
    for (char *piece = strtok_r(line, ",", &save); piece != nullptr; piece = strtok_r(nullptr, ",", &save)) {
      if (field++ != kHashKey) continue;
      errno = 0;
      const long long number = std::strtoll(piece, nullptr, 10);
      code = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
    }
  }
  std::fclose(file);
  return code;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzboard::RequireBoard();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  if (!board::WriteFile(kKeyCodeFile, text)) std::abort();
  if (initKey() != 0) std::abort();
  const int code = ledfirstkey::keyCheckLoad();
  if (code != ledfirstkey::ReadKeyCode(text) || code != ReferenceKeyCode(text)) std::abort();
  return 0;
}
