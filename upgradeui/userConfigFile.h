// The user configuration file, which libupgradeui and libpostupgrade both
// rewrite, and the crash-safe replacement of a file's content that they share.
// Both libraries build this piece in (it exports nothing).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>

namespace upgradeui {

inline constexpr char kUserConfigPath[] = "/mnt/userdata/default_user_config.txt";

// The file-system calls that replacing a file goes through, so that a test
// can stop the writer between any two of them.
class FileSystem {
 public:
  virtual int Open(const char *path, int flags, mode_t mode) = 0;
  virtual ssize_t Write(int fd, const void *data, size_t size) = 0;
  virtual int Sync(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int Rename(const char *from, const char *to) = 0;
  virtual int Remove(const char *path) = 0;
  virtual int Stat(const char *path, struct stat *info) = 0;
  virtual int ChangeMode(int fd, mode_t mode) = 0;
  virtual int ChangeOwner(int fd, uid_t owner, gid_t group) = 0;
  // The path with every symbolic link resolved, or the path itself.
  virtual std::string Resolve(const char *path) = 0;

 protected:
  ~FileSystem() = default;
};

FileSystem &SystemFileSystem();

// Writes all the bytes to fd, writing again after a signal or a partial
// write; false when a write fails or writes nothing.
bool WriteAll(FileSystem &fs, int fd, std::string_view content);

// Reads a whole file; false when it cannot be opened or read.
bool ReadFileContent(const char *path, std::string *content);

// Replaces the content of an existing file so that, wherever the writer stops
// (a crash, a power failure), the file holds either its old or its new
// content: the new content is written to "<file>.new" beside it, given the old
// file's mode and owner, flushed to disk, and renamed over the file; then the
// directory is flushed. A symbolic link is followed: its target is replaced.
// False, with the file as it was, when a step before the rename fails.
bool ReplaceFileContent(FileSystem &fs, const char *path, std::string_view content);
inline bool ReplaceFileContent(const char *path, std::string_view content) {
  return ReplaceFileContent(SystemFileSystem(), path, content);
}

}  // namespace upgradeui
