// The device transcript of the board (/run/board/devices.log): one record per
// call that a program made on an emulated device, in the order they happened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace board {

struct DeviceRecord {
  long long time_us = 0;  // monotonic clock
  int pid = 0;
  long tid = 0;
  std::string device;  // "gpio", "spi", "clock", …
  std::string event;   // "request", "transfer", "sleep", …
  std::vector<std::pair<std::string, std::string>> fields;

  bool Has(std::string_view key) const;
  // A field as written, or an empty text.
  std::string Field(std::string_view key) const;
  long long Number(std::string_view key, long long missing = -1) const;
  // A text field with its %XX escapes undone.
  std::string Text(std::string_view key) const;
  // A field of hexadecimal byte pairs.
  std::vector<uint8_t> Bytes(std::string_view key) const;
  // "device event key=value …", without time, process and thread: the form
  // in which tests compare transcripts.
  std::string Line() const;
};

// One line of a transcript; false when it is not a whole record.
bool ParseRecord(std::string_view line, DeviceRecord *record);

std::vector<DeviceRecord> ReadTranscript(const std::string &path = "/run/board/devices.log");

// Follows a transcript that is still being written: each ReadNew gives the
// whole records written since the one before. A cleared transcript is read
// again from its start.
class TranscriptReader {
 public:
  explicit TranscriptReader(std::string path = "/run/board/devices.log") : path_(std::move(path)) {}
  std::vector<DeviceRecord> ReadNew();

 private:
  std::string path_;
  long long offset_ = 0;
  std::string partial_;  // a line not yet ended
};
void ClearTranscript();

// The records of some devices, and the lines of records.
std::vector<DeviceRecord> OfDevices(const std::vector<DeviceRecord> &records,
                                    std::initializer_list<std::string_view> devices);
std::vector<std::string> Lines(const std::vector<DeviceRecord> &records);

}  // namespace board
