// SPI transfers, GPIO operations and the failures that end the process, on the
// board's emulated bus and GPIO controller.
#include "baseGpio.h"
#include "baseLcd.h"
#include "basePanel.h"

#include "board/sandbox.h"
#include "board/transcript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::vector<board::DeviceRecord> RecordsSince(size_t from) {
  auto records = board::ReadTranscript();
  records.erase(records.begin(), records.begin() + static_cast<long>(std::min(from, records.size())));
  return records;
}

TEST(SpiTransferTest, NothingIsSentBeforeTheBusIsOpen) {
  if (fbp != nullptr) GTEST_SKIP() << "the panel was started earlier in this process";
  const unsigned char bytes[10] = {};
  EXPECT_EQ(spiTransferDatas(bytes, sizeof bytes), 0);
  EXPECT_TRUE(board::ReadTranscript().empty());
}

TEST(SpiTransferTest, DataIsSplitIntoTransfersOfAtMost4096Bytes) {
  ASSERT_EQ(baseUiInit(), 0);
  std::vector<unsigned char> data(9000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 256);
  const struct {
    unsigned length;
    int transfers;
    std::vector<long long> lengths;
  } cases[] = {
      {132, 1, {132}}, {4096, 1, {4096}}, {4097, 2, {4096, 1}}, {8192, 2, {4096, 4096}}, {0, 0, {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.length);
    const size_t before = board::ReadTranscript().size();
    EXPECT_EQ(spiTransferDatas(data.data(), c.length), c.transfers);
    std::vector<long long> lengths;
    std::vector<uint8_t> sent;
    for (const auto &record : RecordsSince(before)) {
      ASSERT_EQ(record.event, "transfer");
      lengths.push_back(record.Number("len"));
      const auto bytes = record.Bytes("tx");
      sent.insert(sent.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(lengths, c.lengths);
    EXPECT_EQ(sent, std::vector<uint8_t>(data.begin(), data.begin() + c.length));
  }
  EXPECT_EQ(spiTransferDatas(nullptr, 10), 0);
}

TEST(SpiSetUpTest, ABusThatCannotBeSetUpEndsTheProcessWithItsMessage) {
  const struct {
    const char *event;
    const char *message;
  } cases[] = {
      {"set-mode", "can't set spi mode"},       {"get-mode", "can't get spi mode"},
      {"set-bits", "can't set bits per word"},  {"get-bits", "can't get bits per word"},
      {"set-speed", "can't set max speed hz"},  {"get-speed", "can't get max speed hz"},
      {"transfer", "can't send spi message"},   {"open", "can't open device"},
  };
  ASSERT_EQ(gpio_init(), 0);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.event);
    ASSERT_TRUE(board::InjectFault("spi", c.event, "EIO"));
    EXPECT_DEATH(baseLcdInit(), std::string(c.message) + ": Input/output error");
    board::ClearFaults();
  }
  ASSERT_EQ(unlink("/dev/spidev32766.0"), 0);
  EXPECT_DEATH(baseLcdInit(), "can.t open device: No such file or directory");
}

TEST(GpioTest, OperationsAndTheirResults) {
  ASSERT_EQ(gpio_init(), 0);
  ASSERT_EQ(gpio_init(), 0);  // once open, stays so
  const std::string label40 = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  EXPECT_EQ(gpio_request(7, label40.c_str()), 0);
  EXPECT_EQ(gpio_request(7, "again"), -1);
  EXPECT_EQ(gpio_direction_output(7, 1), 0);
  EXPECT_EQ(gpio_get_value(7), 1);
  gpio_set_value(7, 0);
  EXPECT_EQ(gpio_get_value(7), 0);
  EXPECT_EQ(gpio_direction_input(7), 0);
  gpio_free(7);
  EXPECT_EQ(gpio_get_value(7), -1);  // no longer requested
  EXPECT_EQ(gpio_direction_input(8), -1);
  EXPECT_EQ(gpio_direction_output(8, 1), -1);
  EXPECT_EQ(gpio_request(8, nullptr), 0);
  gpio_term();
  EXPECT_EQ(gpio_get_value(8), -1);  // device closed

  const Lines expected = {
      "gpio open",
      "gpio request line=7 label=0123456789abcdefghijklmnopqrstu result=0",
      "gpio request line=7 label=again result=-1 errno=EBUSY",
      "gpio output line=7 value=1 result=0",
      "gpio get line=7 value=1 result=0",
      "gpio set line=7 value=0 result=0",
      "gpio get line=7 value=0 result=0",
      "gpio input line=7 result=0",
      "gpio free line=7 result=0",
      "gpio get line=7 result=-1 errno=EPERM",
      "gpio input line=8 result=-1 errno=EPERM",
      "gpio output line=8 value=1 result=-1 errno=EPERM",
      "gpio request line=8 label= result=0",
      "gpio close",
  };
  EXPECT_EQ(board::Lines(board::ReadTranscript()), expected);
}

TEST(SetAddrTest, SendsTheColourControllerWindowWithItsParametersAtLevelOne) {
  ASSERT_EQ(baseUiInit(), 0);
  const size_t before = board::ReadTranscript().size();
  EXPECT_EQ(lcdSetAddr(0x0102, 0x0384, 5, 0xFFFF), 0);
  Lines sent;
  for (const auto &record : RecordsSince(before)) {
    if (record.event == "transfer") {
      sent.push_back(record.Field("gpio22") + ":" + record.Field("tx"));
    } else if (record.device == "clock") {
      sent.push_back("sleep " + record.Field("usec"));
    }
  }
  const Lines expected = {"0:2a", "1:01", "1:02", "1:03", "1:84", "0:2b", "1:00",
                          "1:05", "1:ff", "1:ff", "0:2c", "sleep 100"};
  EXPECT_EQ(sent, expected);
}

}  // namespace
