#include "board/sandbox.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace board {
namespace {

std::string StatePath(std::string_view name) {
  return std::string(kStateDir) + "/" + std::string(name);
}

bool AppendLine(const std::string &path, const std::string &line) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << line << '\n';
  return static_cast<bool>(out.flush());
}

// Splits one record of the commands file: words separated by blanks, each a
// plain word or in single quotes ('\'' standing for a quote inside).
std::vector<std::string> ShellWords(std::string_view text, size_t *position) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  size_t i = *position;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') break;
    if (c == ' ') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (c == '\\' && i + 1 < text.size()) {
      word.push_back(text[++i]);
      in_word = true;
    } else if (c == '\'') {
      const size_t end = text.find('\'', i + 1);
      const size_t stop = end == std::string_view::npos ? text.size() : end;
      word.append(text.substr(i + 1, stop - i - 1));
      i = stop;
      in_word = true;
    } else {
      word.push_back(c);
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  *position = i + 1;
  return words;
}

}  // namespace

bool InSandbox() { return access(StatePath("sandbox").c_str(), F_OK) == 0; }

std::string UnavailableReason() {
  const char *why = std::getenv("BOARD_SANDBOX_UNAVAILABLE");
  if (why != nullptr && why[0] != '\0') return why;
  return "the program was not started by sim/board-sandbox";
}

void ClearRecords() {
  WriteFile(StatePath("devices.log"), "");
  ClearCommandCalls();
  ClearFaults();
  // Input records queued and not read.
  if (DIR *queues = opendir(StatePath("input").c_str())) {
    while (const dirent *entry = readdir(queues)) {
      if (entry->d_name[0] != '.') unlink((StatePath("input/") + entry->d_name).c_str());
    }
    closedir(queues);
  }
}

bool WriteFile(const std::string &path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::string> ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool ServeProcFile(std::string_view name, std::string_view content) {
  return WriteFile(StatePath("proc/") + std::string(name), content);
}

void RemoveProcFile(std::string_view name) { unlink((StatePath("proc/") + std::string(name)).c_str()); }

bool InjectFault(std::string_view device, std::string_view event, std::string_view error) {
  return AppendLine(StatePath("faults"), std::string(device) + " " + std::string(event) + " " + std::string(error));
}

void ClearFaults() { unlink(StatePath("faults").c_str()); }

std::vector<CommandCall> CommandCalls() {
  std::vector<CommandCall> calls;
  const std::string text = ReadFile(StatePath("commands")).value_or("");
  size_t position = 0;
  while (position < text.size()) {
    std::vector<std::string> words = ShellWords(text, &position);
    if (words.empty()) continue;
    CommandCall call{std::move(words.front()), {}};
    call.arguments.assign(std::make_move_iterator(words.begin() + 1), std::make_move_iterator(words.end()));
    calls.push_back(std::move(call));
  }
  return calls;
}

void ClearCommandCalls() { WriteFile(StatePath("commands"), ""); }

bool SetCommandExitStatus(std::string_view name, int status) {
  return WriteFile(StatePath("stubs/") + std::string(name) + ".exit", std::to_string(status) + "\n");
}

bool PlugUsbStick(const std::vector<std::string> &partitions) {
  bool made = WriteFile("/dev/sda", "");
  for (const std::string &partition : partitions) {
    made = made && WriteFile("/dev/" + partition, "");
    const std::string dir = UsbPartitionDir(partition);
    made = made && (mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST);
  }
  return made;
}

std::string UsbPartitionDir(std::string_view partition) { return StatePath("usb/") + std::string(partition); }

}  // namespace board
