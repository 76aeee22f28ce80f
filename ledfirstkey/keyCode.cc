#include "keyCode.h"

#include "textFields.h"

#include <string>

namespace ledfirstkey {
namespace {

// Fields are counted from 0 across all lines after the heading.
constexpr size_t kKeyCodeField = 11;

}  // namespace

std::vector<int> KeyCodeFields(std::string_view text) {
  std::vector<int> codes;
  std::string_view line;
  if (!NextLine(&text, &line)) return codes;  // the heading
  while (NextLine(&text, &line)) {
    Fields fields(line);
    for (std::string_view field; fields.Next(&field);) codes.push_back(DecimalNumber(field));
  }
  return codes;
}

int ReadKeyCode(std::string_view text) {
  const std::vector<int> codes = KeyCodeFields(text);
  return codes.size() > kKeyCodeField ? codes[kKeyCodeField] : kNoKeyCode;
}

int keyCheckLoad() {
  std::string text;
  return ReadTextFile(kKeyCodePath, &text) ? ReadKeyCode(text) : kNoKeyCode;
}

}  // namespace ledfirstkey
