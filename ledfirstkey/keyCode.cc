#include "keyCode.h"

#include "textFields.h"

#include <string>

namespace ledfirstkey {
namespace {

// Fields are counted from 0 across all lines after the heading.
constexpr int kKeyCodeField = 11;

}  // namespace

int ReadKeyCode(std::string_view text) {
  std::string_view line;
  if (!NextLine(&text, &line)) return kNoKeyCode;  // the heading
  int count = 0;
  while (NextLine(&text, &line)) {
    Fields fields(line);
    std::string_view field;
    while (fields.Next(&field)) {
      if (count++ == kKeyCodeField) return DecimalNumber(field);
    }
  }
  return kNoKeyCode;
}

int keyCheckLoad() {
  std::string text;
  return ReadTextFile(kKeyCodePath, &text) ? ReadKeyCode(text) : kNoKeyCode;
}

}  // namespace ledfirstkey
