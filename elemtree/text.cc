// Names, fixed buffers and bounded text building.
#include "text.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "ncPath.h"
#include "platform/runtime.h"

namespace nc {

DotNameHead SplitDotName(const char *dotName) {
  DotNameHead head{};
  ncGetElementNameFromDotName(dotName, head.name, kNameSize);
  if (dotName != nullptr) {
    head.dot = std::strchr(dotName, '.');
    if (head.dot != nullptr) head.rest = head.dot + 1;
  }
  return head;
}

bool IsCustomInstanceName(const char *name) { return name != nullptr && strcasecmp(name, "$N") == 0; }

int ReadNumber(const char *text) {
  if (text == nullptr) return 0;
  long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void TextBuilder::Append(const char *format, ...) {
  if (!HasRoom()) return;
  va_list args;
  va_start(args, format);
  int needed = std::vsnprintf(buffer_ + length_, static_cast<size_t>(size_ - length_), format, args);
  va_end(args);
  if (needed > 0) length_ = needed > INT_MAX - length_ ? INT_MAX : length_ + needed;
}

void ReplaceText(char *&slot, char *copy) {
  uFree(slot);
  slot = copy;
}

}  // namespace nc
