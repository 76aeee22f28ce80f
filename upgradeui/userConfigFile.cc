#include "userConfigFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace upgradeui {
namespace {

class PosixFileSystem final : public FileSystem {
 public:
  int Open(const char *path, int flags, mode_t mode) override { return ::open(path, flags, mode); }
  ssize_t Write(int fd, const void *data, size_t size) override { return ::write(fd, data, size); }
  int Sync(int fd) override { return ::fsync(fd); }
  int Close(int fd) override { return ::close(fd); }
  int Rename(const char *from, const char *to) override { return ::rename(from, to); }
  int Remove(const char *path) override { return ::unlink(path); }
  int Stat(const char *path, struct stat *info) override { return ::stat(path, info); }
  int ChangeMode(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
  int ChangeOwner(int fd, uid_t owner, gid_t group) override { return ::fchown(fd, owner, group); }
  std::string Resolve(const char *path) override {
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) != nullptr ? std::string(resolved) : std::string(path);
  }
};

// A descriptor of the file system that is closed on every path; Close()
// closes it early and says whether that worked.
class Descriptor {
 public:
  Descriptor(FileSystem &fs, int fd) : fs_(fs), fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) fs_.Close(fd_);
  }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;

  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fs_.Close(fd) == 0;
  }

 private:
  FileSystem &fs_;
  int fd_;
};

std::string DirectoryOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileSystem &SystemFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

bool WriteAll(FileSystem &fs, int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = fs.Write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool ReadFileContent(const char *path, std::string *content) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  Descriptor file(SystemFileSystem(), fd);
  content->clear();
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    content->append(chunk, static_cast<size_t>(got));
  }
}

bool ReplaceFileContent(FileSystem &fs, const char *path, std::string_view content) {
  const std::string target = fs.Resolve(path);
  struct stat old {};
  if (fs.Stat(target.c_str(), &old) != 0) return false;
  const mode_t mode = old.st_mode & 07777;
  const std::string fresh = target + ".new";

  Descriptor file(fs, fs.Open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
  if (file.get() < 0) return false;
  // The owner matters only to a writer that may change it; for others this
  // fails harmlessly and the new file is theirs, as the old one was.
  (void)fs.ChangeOwner(file.get(), old.st_uid, old.st_gid);
  const bool written = WriteAll(fs, file.get(), content) && fs.ChangeMode(file.get(), mode) == 0 &&
                       fs.Sync(file.get()) == 0;
  if (!file.Close() || !written || fs.Rename(fresh.c_str(), target.c_str()) != 0) {
    fs.Remove(fresh.c_str());
    return false;
  }
  // The rename itself reaches the disk with the directory.
  Descriptor directory(fs, fs.Open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (directory.get() >= 0) (void)fs.Sync(directory.get());
  return true;
}

}  // namespace upgradeui
