#include "ledMap.h"

#include "textFields.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace ledfirstkey {
namespace {

struct LedName {
  std::string_view name;
  int slot;       // the slot, or the first slot of a numbered group
  bool numbered;  // the LED's number follows the name
};

// Tried in this order.
constexpr LedName kLedNames[] = {
    {"SUB_DSS_LED", 0, true},    {"SIDE_DSS_LED", 32, true}, {"LINE_LED", 44, true},
    {"PAGE_DSS_LED", 64, true},  {"POWER_LED", 69, false},   {"MUTE_LED", 70, false},
    {"HEADSET_LED", 71, false},  {"HANDFREE_LED", 72, false}, {"MWI_LED", 73, false},
};

constexpr struct {
  std::string_view keyword;
  int kind;
} kLedKinds[] = {
    {"LED_DREG", kChainLed},  // tried first
    {"LED_GPIO", kGpioLed},
};

void ReportLine(std::FILE *messages, const char *format, std::string_view line) {
  std::fprintf(messages, format, static_cast<int>(line.size()), line.data());
}

}  // namespace

int LedSlotIndex(std::string_view name) {
  for (const LedName &led : kLedNames) {
    // The name may stand anywhere in the field, but its number is read right
    // after the name's length from the field's start: a name must begin the
    // field for its number to be read right.
    if (name.find(led.name) == std::string_view::npos) continue;
    if (!led.numbered) return led.slot;
    // The number is held to int, so the sum cannot overflow past it.
    const long long slot = static_cast<long long>(led.slot) + DecimalNumber(name.substr(led.name.size()));
    return static_cast<int>(std::clamp<long long>(slot, INT_MIN, INT_MAX));
  }
  return -1;
}

std::string LedSlotName(int slot) {
  // The last group or fixed LED that begins at or before the slot.
  for (auto led = std::rbegin(kLedNames); led != std::rend(kLedNames); ++led) {
    if (slot < led->slot || slot > kLastLed) continue;
    if (!led->numbered) return slot == led->slot ? std::string(led->name) : std::string();
    return std::string(led->name) + std::to_string(slot - led->slot);
  }
  return {};
}

void ReadLedMap(std::string_view text, LedSlots *slots, std::FILE *messages) {
  std::string_view line;
  while (NextLine(&text, &line)) {
    Fields fields(line);
    std::string_view name, kind_field, channel;
    if (!fields.Next(&name)) {
      ReportLine(messages, "error line format:<%.*s>, please check it!\n", line);
      continue;
    }
    const int index = LedSlotIndex(name);
    if (index < 0 || index > kLastLed) {
      std::fprintf(messages, "dss_index:%d, is out of range!\n", index);
      continue;
    }
    if (!fields.Next(&kind_field)) {
      ReportLine(messages, "error line format:<%.*s>, please check it!!\n", line);
      continue;
    }
    int kind = kNotWired;
    for (const auto &known : kLedKinds) {
      if (kind_field.find(known.keyword) != std::string_view::npos) {
        kind = known.kind;
        break;
      }
    }
    if (kind == kNotWired) continue;  // not a kind of this phone: skipped without a word

    LedSlot &slot = (*slots)[index];
    slot.kind = kind;
    if (fields.Next(&channel)) slot.first = DecimalNumber(channel);
    if (fields.Next(&channel)) slot.second = DecimalNumber(channel);
  }
}

}  // namespace ledfirstkey
