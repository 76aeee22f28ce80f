// The LED self-test's reader of any /etc/led.conf. Reading the text whole
// must set the slots as reading it line by line does; each line is used, or
// skipped, or reported with exactly one of the reader's messages; a slot is
// only ever set to a kind of this phone, and its name leads back to it.
#include "ledMap.h"
#include "textFields.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// What ReadLedMap reports for text.
std::string Read(std::string_view text, ledfirstkey::LedSlots *slots) {
  char *messages = nullptr;
  size_t size = 0;
  std::FILE *out = open_memstream(&messages, &size);
  if (out == nullptr) std::abort();
  ledfirstkey::ReadLedMap(text, slots, out);
  std::fclose(out);
  std::string reported(messages, size);
  std::free(messages);
  return reported;
}

bool IsRangeMessage(const std::string &message) {
  int index = 0;
  char end = 0;
  return std::sscanf(message.c_str(), "dss_index:%d, is out of range!%c", &index, &end) == 2 && end == '\n' &&
         message == "dss_index:" + std::to_string(index) + ", is out of range!\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  ledfirstkey::LedSlots whole{};
  const std::string messages = Read(text, &whole);

  ledfirstkey::LedSlots byLine{};
  std::string linesMessages;
  std::string_view rest = text, line;
  while (ledfirstkey::NextLine(&rest, &line)) {
    // A line that begins with a zero byte is empty, and an empty text holds
    // no line: it is told apart here.
    if (line.empty()) {
      linesMessages += "error line format:<>, please check it!\n";
      continue;
    }
    const std::string message = Read(line, &byLine);
    const std::string shown(line);
    if (!message.empty() && message != "error line format:<" + shown + ">, please check it!\n" &&
        message != "error line format:<" + shown + ">, please check it!!\n" && !IsRangeMessage(message))
      std::abort();
    linesMessages += message;
  }
  if (whole != byLine || messages != linesMessages) std::abort();

  for (int slot = 0; slot < ledfirstkey::kLedSlots; ++slot) {
    const ledfirstkey::LedSlot &led = whole[static_cast<size_t>(slot)];
    if (led.kind == ledfirstkey::kNotWired) {
      if (led.first != -1 || led.second != -1) std::abort();
      continue;
    }
    if (led.kind != ledfirstkey::kGpioLed && led.kind != ledfirstkey::kChainLed) std::abort();
    const std::string name = ledfirstkey::LedSlotName(slot);
    if (name.empty() || ledfirstkey::LedSlotIndex(name) != slot) std::abort();
  }
  return 0;
}
