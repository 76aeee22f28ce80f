#include "textFields.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace ledfirstkey {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool ReadTextFile(const char *path, std::string *text) {
  const Descriptor file(open(path, O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return false;
  text->clear();
  char chunk[512];
  for (;;) {
    const ssize_t got = read(file.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // a read error ends the text like its end would
    text->append(chunk, static_cast<size_t>(got));
  }
  return true;
}

bool NextLine(std::string_view *text, std::string_view *line) {
  if (text->empty()) return false;
  size_t length = text->find('\n');
  length = length == std::string_view::npos ? text->size() : length + 1;
  if (length > kMaxLineLength) length = kMaxLineLength;
  *line = text->substr(0, length);
  text->remove_prefix(length);
  // A line is a C text: it ends at a zero byte.
  if (const size_t zero = line->find('\0'); zero != std::string_view::npos) *line = line->substr(0, zero);
  return true;
}

bool Fields::Next(std::string_view *field) {
  const size_t start = rest_.find_first_not_of(',');
  if (start == std::string_view::npos) {
    rest_ = {};
    return false;
  }
  rest_.remove_prefix(start);
  const size_t comma = rest_.find(',');
  *field = rest_.substr(0, comma);
  rest_.remove_prefix(field->size());
  return true;
}

}  // namespace ledfirstkey
