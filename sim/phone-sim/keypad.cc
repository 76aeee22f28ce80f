#include "keypad.h"

#include "keyCode.h"
#include "textFields.h"

#include <charconv>
#include <string>
#include <vector>

namespace phonesim {
namespace {

std::vector<int> BoardKeyCodes() {
  std::string text;
  if (!ledfirstkey::ReadTextFile(ledfirstkey::kKeyCodePath, &text)) return {};
  return ledfirstkey::KeyCodeFields(text);
}

size_t KeypadIndex(std::string_view key) {
  return key.size() == 1 ? kKeypadKeys.find(key[0]) : std::string_view::npos;
}

std::optional<uint16_t> DecimalCode(std::string_view key) {
  unsigned code = 0;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), code);
  if (key.empty() || error != std::errc() || end != key.data() + key.size() || code > UINT16_MAX) return std::nullopt;
  return static_cast<uint16_t>(code);
}

}  // namespace

bool IsKey(std::string_view key) { return KeypadIndex(key) != std::string_view::npos || DecimalCode(key); }

std::optional<uint16_t> KeyCode(std::string_view key) {
  const size_t index = KeypadIndex(key);
  if (index == std::string_view::npos) return DecimalCode(key);
  const std::vector<int> codes = BoardKeyCodes();
  if (index < codes.size() && codes[index] >= 0 && codes[index] <= UINT16_MAX) return codes[index];
  return std::nullopt;
}

char KeyOfCode(int code) {
  const std::vector<int> codes = BoardKeyCodes();
  for (size_t i = 0; i < codes.size() && i < kKeypadKeys.size(); ++i) {
    if (codes[i] == code) return kKeypadKeys[i];
  }
  return 0;
}

}  // namespace phonesim
