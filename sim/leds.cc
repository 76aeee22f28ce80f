#include "board/leds.h"

#include <algorithm>

namespace board {

std::string LedOutput::Name() const {
  return (kind == Kind::kPin ? "pin " : "chain ") + std::to_string(number);
}

bool Leds::IsChainLine(int line) {
  return line == kChainDataLine || line == kChainClockLine || line == kChainLatchLine;
}

std::vector<LedChange> Leds::Apply(const DeviceRecord &record) {
  std::vector<LedChange> changes;
  if (record.device != "gpio" || record.Number("result") != 0) return changes;
  if (record.event != "output" && record.event != "set" && record.event != "input") return changes;
  const long long number = record.Number("line");
  if (number < 0 || number >= kLines) return changes;
  const int line = static_cast<int>(number);
  // An input drives nothing: it reads 0 and its LED is dark.
  const bool level = record.event != "input" && record.Number("value", 0) != 0;
  const bool rising = level && !levels_[line];
  const bool changed = level != levels_[line];
  levels_[line] = level;

  if (!IsChainLine(line)) {
    if (changed) changes.push_back({record.time_us, record.pid, PinLed(line), level});
  } else if (line == kChainClockLine && rising) {
    stages_ <<= 1;
    stages_[0] = levels_[kChainDataLine];
    ++clocks_;
  } else if (line == kChainLatchLine && rising) {
    for (int n = 0; n < kChainOutputs; ++n) {
      if (outputs_[n] != stages_[n]) changes.push_back({record.time_us, record.pid, ChainLed(n), stages_[n]});
    }
    outputs_ = stages_;
    ++latches_;
    last_latch_clocks_ = clocks_;
    clocks_ = 0;
  }
  return changes;
}

void Leds::Replay(const std::vector<DeviceRecord> &records, size_t count) {
  count = std::min(count, records.size());
  for (size_t i = 0; i < count; ++i) Apply(records[i]);
}

bool Leds::Lit(LedOutput output) const {
  if (output.number < 0) return false;
  if (output.kind == LedOutput::Kind::kPin) {
    return output.number < kLines && !IsChainLine(output.number) && levels_[output.number];
  }
  return output.number < kChainOutputs && outputs_[output.number];
}

std::vector<LedOutput> Leds::LitOutputs() const {
  std::vector<LedOutput> lit;
  for (int line = 0; line < kLines; ++line) {
    if (Lit(PinLed(line))) lit.push_back(PinLed(line));
  }
  for (int n = 0; n < kChainOutputs; ++n) {
    if (outputs_[n]) lit.push_back(ChainLed(n));
  }
  return lit;
}

std::vector<LedChange> LedChanges(const std::vector<DeviceRecord> &records) {
  Leds leds;
  std::vector<LedChange> changes;
  for (const DeviceRecord &record : records) {
    std::vector<LedChange> more = leds.Apply(record);
    changes.insert(changes.end(), more.begin(), more.end());
  }
  return changes;
}

}  // namespace board
