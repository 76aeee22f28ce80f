#include "board/transcript.h"

#include "board/sandbox.h"

#include <algorithm>
#include <charconv>
#include <fstream>

namespace board {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number *number) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *number);
  return ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  while (!line.empty()) {
    const size_t blank = line.find(' ');
    if (blank != 0) words.push_back(line.substr(0, blank));
    if (blank == std::string_view::npos) break;
    line.remove_prefix(blank + 1);
  }
  return words;
}

}  // namespace

bool DeviceRecord::Has(std::string_view key) const {
  return std::any_of(fields.begin(), fields.end(), [&](const auto &field) { return field.first == key; });
}

std::string DeviceRecord::Field(std::string_view key) const {
  for (const auto &[name, value] : fields) {
    if (name == key) return value;
  }
  return {};
}

long long DeviceRecord::Number(std::string_view key, long long missing) const {
  long long number = 0;
  return ParseNumber(Field(key), &number) ? number : missing;
}

std::string DeviceRecord::Text(std::string_view key) const {
  const std::string escaped = Field(key);
  std::string text;
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '%' && i + 2 < escaped.size() && HexDigit(escaped[i + 1]) >= 0 &&
        HexDigit(escaped[i + 2]) >= 0) {
      text.push_back(static_cast<char>(HexDigit(escaped[i + 1]) * 16 + HexDigit(escaped[i + 2])));
      i += 2;
    } else {
      text.push_back(escaped[i]);
    }
  }
  return text;
}

std::vector<uint8_t> DeviceRecord::Bytes(std::string_view key) const {
  const std::string hex = Field(key);
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1])));
  }
  return bytes;
}

std::string DeviceRecord::Line() const {
  std::string line = device + " " + event;
  for (const auto &[name, value] : fields) line += " " + name + "=" + value;
  return line;
}

bool ParseRecord(std::string_view line, DeviceRecord *record) {
  const std::vector<std::string_view> words = Words(line);
  *record = DeviceRecord{};
  if (words.size() < 5 || !ParseNumber(words[0], &record->time_us) || !ParseNumber(words[1], &record->pid) ||
      !ParseNumber(words[2], &record->tid)) {
    return false;
  }
  record->device = words[3];
  record->event = words[4];
  for (size_t i = 5; i < words.size(); ++i) {
    const size_t equals = words[i].find('=');
    if (equals == std::string_view::npos) continue;
    record->fields.emplace_back(words[i].substr(0, equals), words[i].substr(equals + 1));
  }
  return true;
}

std::vector<DeviceRecord> ReadTranscript(const std::string &path) {
  std::vector<DeviceRecord> records;
  std::ifstream in(path);
  std::string line;
  DeviceRecord record;
  while (std::getline(in, line)) {
    // (A line being written while we read does not parse.)
    if (ParseRecord(line, &record)) records.push_back(std::move(record));
  }
  return records;
}

std::vector<DeviceRecord> TranscriptReader::ReadNew() {
  std::vector<DeviceRecord> records;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return records;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < offset_) {  // cleared since: start again
    offset_ = 0;
    partial_.clear();
  }
  in.seekg(offset_);
  std::string chunk(static_cast<size_t>(size - offset_), '\0');
  in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  chunk.resize(static_cast<size_t>(in.gcount()));
  offset_ += static_cast<std::streamoff>(chunk.size());
  partial_ += chunk;
  size_t begin = 0;
  DeviceRecord record;
  for (size_t end; (end = partial_.find('\n', begin)) != std::string::npos; begin = end + 1) {
    if (ParseRecord(std::string_view(partial_).substr(begin, end - begin), &record)) {
      records.push_back(std::move(record));
    }
  }
  partial_.erase(0, begin);  // the start of a line still being written
  return records;
}

void ClearTranscript() { WriteFile(std::string(kStateDir) + "/devices.log", ""); }

std::vector<DeviceRecord> OfDevices(const std::vector<DeviceRecord> &records,
                                    std::initializer_list<std::string_view> devices) {
  std::vector<DeviceRecord> chosen;
  for (const DeviceRecord &record : records) {
    if (std::find(devices.begin(), devices.end(), record.device) != devices.end()) chosen.push_back(record);
  }
  return chosen;
}

std::vector<std::string> Lines(const std::vector<DeviceRecord> &records) {
  std::vector<std::string> lines;
  lines.reserve(records.size());
  for (const DeviceRecord &record : records) lines.push_back(record.Line());
  return lines;
}

}  // namespace board
