// The board's LEDs as the device transcript shows them, over time.
//
// Two kinds of LED hang on the GPIO controller's lines:
//  - LEDs on a line of their own, lit while the line drives 1;
//  - the 88 outputs of the LED shift register chain: eleven serial-in,
//    parallel-out 8-bit registers in a row, each with a storage register in
//    front of its outputs, on the data line 24, the shift clock 4 and the
//    latch 25. On each rising edge of the clock every stage takes the one
//    before it and stage 0 takes the data line; on each rising edge of the
//    latch the outputs take the stages. Output n is stage n, so the bit
//    shifted in last lands on output 0.
//
// The model reads only accepted GPIO requests ("output", "set", "input"), the
// way the wires would see them; which LED of the phone is which pin or output
// is the phone's wiring (its /etc/led.conf), which this model does not know.
// It can follow a live transcript record by record (Apply) or replay one.
#pragma once

#include "board/transcript.h"

#include <array>
#include <bitset>
#include <compare>
#include <cstddef>
#include <string>
#include <vector>

namespace board {

struct LedOutput {
  enum class Kind { kPin, kChain };
  Kind kind;
  int number;  // the GPIO line, or the chain output
  auto operator<=>(const LedOutput &) const = default;
  std::string Name() const;  // "pin 40", "chain 5"
};
constexpr LedOutput PinLed(int line) { return {LedOutput::Kind::kPin, line}; }
constexpr LedOutput ChainLed(int output) { return {LedOutput::Kind::kChain, output}; }

// One LED turning on or off, stamped with the record that did it.
struct LedChange {
  long long time_us;
  int pid;
  LedOutput output;
  bool lit;
};

class Leds {
 public:
  static constexpr int kLines = 256;
  static constexpr int kChainOutputs = 88;
  static constexpr int kChainDataLine = 24, kChainClockLine = 4, kChainLatchLine = 25;

  // Takes the next transcript record and says which LEDs it turned on or
  // off (records of other devices, and refused requests, change nothing).
  std::vector<LedChange> Apply(const DeviceRecord &record);
  // The first count records of a transcript, or all of them.
  void Replay(const std::vector<DeviceRecord> &records, size_t count = static_cast<size_t>(-1));

  bool Lit(LedOutput output) const;
  // Every LED lit now, in order: pins, then chain outputs. The chain's own
  // three lines are not LEDs.
  std::vector<LedOutput> LitOutputs() const;

  // Latches seen, and the shift clocks between the last two.
  int Latches() const { return latches_; }
  int LastLatchClocks() const { return last_latch_clocks_; }

 private:
  static bool IsChainLine(int line);

  std::array<bool, kLines> levels_{};
  std::bitset<kChainOutputs> stages_;
  std::bitset<kChainOutputs> outputs_;
  int clocks_ = 0;  // since the last latch
  int latches_ = 0;
  int last_latch_clocks_ = 0;
};

// Every change of an LED in a transcript, in order.
std::vector<LedChange> LedChanges(const std::vector<DeviceRecord> &records);

}  // namespace board
