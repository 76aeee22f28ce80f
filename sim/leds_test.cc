#include "board/leds.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using board::ChainLed;
using board::LedOutput;
using board::Leds;
using board::PinLed;

// A transcript with the given lines (from "<device> <event>" on), one
// microsecond apart, as the device layer writes it.
class TranscriptBuilder {
 public:
  TranscriptBuilder &Set(int line, int value, int result = 0) {
    return Add("gpio set line=" + std::to_string(line) + " value=" + std::to_string(value) + Result(result));
  }
  TranscriptBuilder &Add(const std::string &line) {
    text_ += std::to_string(time_++) + " 7 7 " + line + "\n";
    return *this;
  }
  // The chain image shifted out the way the phone does it: last byte first,
  // highest bit first, then the latch.
  TranscriptBuilder &ShiftOut(const std::array<uint8_t, 11> &image) {
    Set(Leds::kChainLatchLine, 0);
    for (int byte = 10; byte >= 0; --byte) {
      for (int bit = 7; bit >= 0; --bit) {
        Set(Leds::kChainDataLine, (image[byte] >> bit) & 1);
        Set(Leds::kChainClockLine, 1);
        Set(Leds::kChainClockLine, 0);
      }
    }
    return Set(Leds::kChainLatchLine, 1);
  }
  std::vector<board::DeviceRecord> Records() const {
    char path[] = "/tmp/leds_test.XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text_.data(), text_.size()), static_cast<ssize_t>(text_.size()));
    close(fd);
    std::vector<board::DeviceRecord> records = board::ReadTranscript(path);
    unlink(path);
    return records;
  }

 private:
  static std::string Result(int result) {
    return result == 0 ? " result=0" : " result=-1 errno=EPERM";
  }
  std::string text_;
  long long time_ = 1000;
};

TEST(LedsTest, PinLedsFollowTheirLinesAcceptedRequestsOnly) {
  const auto records = TranscriptBuilder()
                           .Add("gpio output line=40 value=1 result=0")
                           .Set(41, 1)
                           .Set(42, 1, -1)  // refused: the line stays dark
                           .Add("spi transfer len=1 tx=ff")
                           .Set(41, 1)  // no change
                           .Add("gpio input line=40 result=0")
                           .Records();
  Leds leds;
  std::vector<std::string> seen;
  for (const auto &record : records) {
    for (const board::LedChange &change : leds.Apply(record)) {
      seen.push_back(std::to_string(change.time_us) + " " + change.output.Name() + (change.lit ? " on" : " off"));
    }
  }
  const std::vector<std::string> expected = {"1000 pin 40 on", "1001 pin 41 on", "1005 pin 40 off"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(leds.LitOutputs(), std::vector<LedOutput>{PinLed(41)});
  EXPECT_FALSE(leds.Lit(PinLed(-1)));
  EXPECT_FALSE(leds.Lit(PinLed(Leds::kLines)));
}

TEST(LedsTest, ChainDecodesEightyEightBitsAtTheLatch) {
  std::array<uint8_t, 11> image{};
  image[0] = 0x01;   // output 0
  image[1] = 0x80;   // output 15
  image[10] = 0x81;  // outputs 80 and 87
  TranscriptBuilder transcript;
  transcript.ShiftOut(image);
  auto records = transcript.Records();

  Leds leds;
  // Shifted in but not latched: the outputs have not moved yet, and the
  // chain's own lines are no LEDs.
  leds.Replay(records, records.size() - 1);
  EXPECT_TRUE(leds.LitOutputs().empty());
  leds.Apply(records.back());
  const std::vector<LedOutput> expected = {ChainLed(0), ChainLed(15), ChainLed(80), ChainLed(87)};
  EXPECT_EQ(leds.LitOutputs(), expected);
  EXPECT_EQ(leds.Latches(), 1);
  EXPECT_EQ(leds.LastLatchClocks(), 88);

  // One clock more moves every bit up by one output and drops output 87 off
  // the end.
  records = TranscriptBuilder()
                .Set(Leds::kChainLatchLine, 0)
                .Set(Leds::kChainDataLine, 0)
                .Set(Leds::kChainClockLine, 1)
                .Set(Leds::kChainClockLine, 1)  // still high: no second edge
                .Set(Leds::kChainClockLine, 0)
                .Set(Leds::kChainLatchLine, 1)
                .Records();
  std::vector<std::string> changes;
  for (const auto &record : records) {
    for (const board::LedChange &change : leds.Apply(record)) {
      changes.push_back(change.output.Name() + (change.lit ? " on" : " off"));
    }
  }
  const std::vector<std::string> expected_changes = {"chain 0 off",  "chain 1 on",  "chain 15 off", "chain 16 on",
                                                     "chain 80 off", "chain 81 on", "chain 87 off"};
  EXPECT_EQ(changes, expected_changes);
  EXPECT_EQ(leds.LastLatchClocks(), 1);
  EXPECT_FALSE(leds.Lit(ChainLed(Leds::kChainOutputs)));
}

}  // namespace
