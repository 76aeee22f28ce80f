// Reading and crash-safe writing of a configuration file.
#include "treeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/log.h"

namespace treetool {
namespace {

// The reader's complaints since the log was cleared (errors to information),
// joined with "; "; with skippedLinesOnly, only those about lines it skipped.
std::string Complaints(bool skippedLinesOnly) {
  std::string joined;
  for (int i = 0, n = hostLogCount(); i < n; ++i) {
    hostLogLine line{};
    if (hostLogGet(i, &line) != 0 || line.level > HOST_LOG_INFO) continue;
    if (std::strcmp(line.tag, "tarvo.nc.parse") != 0) continue;
    std::string text = line.text;
    bool skipped = text.rfind("ncParseDot: parse[", 0) == 0;
    if (skippedLinesOnly && !skipped) continue;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    joined += (joined.empty() ? "" : "; ") + text;
  }
  return joined;
}

std::string SystemError(const std::string &what, const std::string &path) {
  return path + ": " + what + ": " + std::strerror(errno);
}

// Writes all of text to fd.
bool WriteAll(int fd, const std::string &text) {
  size_t written = 0;
  while (written < text.size()) {
    ssize_t count = write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<size_t>(count);
  }
  return true;
}

// The directory that holds path.
std::string DirectoryOf(const std::string &path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

Format FormatNamed(const std::string &name) {
  if (name == "xml") return Format::kXml;
  if (name == "dot") return Format::kDot;
  return Format::kAuto;
}

Format FormatOf(const std::string &text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string::npos && text[first] == '<' ? Format::kXml : Format::kDot;
}

bool TreeFile::Load(const std::string &path, Format format, bool strict) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(SystemError("cannot open", path));
  std::stringstream content;
  content << in.rdbuf();
  if (in.bad()) return Fail(SystemError("cannot read", path));
  std::string text = content.str();
  format_ = format == Format::kAuto ? FormatOf(text) : format;

  hostLogClear();
  int parsed = ncParseFromBuf(tree_, text.c_str(), format_ == Format::kXml ? NC_FORMAT_XML : NC_FORMAT_DOT);
  if (parsed != 0) {
    std::string why = Complaints(false);
    return Fail(path + ": not a readable " + (format_ == Format::kXml ? "XML" : "dot text") + " file" +
                (why.empty() ? "" : ": " + why));
  }
  if (strict) {
    std::string skipped = Complaints(true);
    if (!skipped.empty()) return Fail(path + ": lines the reader could not apply: " + skipped);
  }
  return true;
}

bool TreeFile::Text(int outputFormat, std::string &text) {
  char *out = nullptr;
  if (tree_->root == nullptr) {
    text.clear();
    return true;  // an empty file holds an empty tree
  }
  if (ncOutputToBuf(tree_, &out, outputFormat) != 0) return Fail("the tree cannot be written");
  text = out;
  uFree(out);
  return true;
}

bool TreeFile::Save(const std::string &path, Format format) {
  std::string text;
  if (!Text(format == Format::kXml ? NC_OUTPUT_XML : NC_OUTPUT_DOT, text)) return false;

  // The new file goes beside the file the path leads to, so that the rename
  // replaces that file (and not a link to it) within one file system.
  char resolved[PATH_MAX];
  std::string target = realpath(path.c_str(), resolved) != nullptr ? resolved : path;
  struct stat old{};
  mode_t mode = stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  std::string temporary = target + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return Fail(SystemError("cannot create a new file beside it", target));
  bool written = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written || rename(temporary.c_str(), target.c_str()) != 0) {
    if (written) error = errno;
    unlink(temporary.c_str());
    errno = error;
    return Fail(SystemError(written ? "cannot replace" : "cannot write", target));
  }
  // The rename itself reaches the disk with the directory.
  int directory = open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY);
  if (directory >= 0) {
    fsync(directory);
    close(directory);
  }
  return true;
}

}  // namespace treetool
