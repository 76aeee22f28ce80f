#include "userConfigFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>

namespace {

using upgradeui::FileSystem;
using upgradeui::ReplaceFileContent;

// A file system in memory that tells what reached the disk from what is only
// in the kernel's cache, and that can stop the writer after any number of
// calls, as a crash or a power failure would: from then on every call fails
// and changes nothing.
class StoppableFileSystem final : public FileSystem {
 public:
  static constexpr char kDir[] = "/data";
  static constexpr char kFile[] = "/data/user.txt";

  explicit StoppableFileSystem(const std::string &content, int calls_before_stop = -1)
      : calls_left_(calls_before_stop) {
    auto file = std::make_shared<Inode>();
    file->data = file->synced = content;
    names_[kFile] = durable_names_[kFile] = file;
  }

  bool stopped() const { return stopped_; }
  void FailWritesWith(int error) { write_error_ = error; }
  bool Exists(const std::string &path) const { return names_.count(path) != 0; }

  // What a reader finds at a path after the stop:
  //   process   the process died; the kernel kept everything;
  //   power     power failed: only flushed data under flushed names;
  //   names     power failed, but the directory reached the disk anyway (a
  //             journal commits renames on its own schedule): flushed data
  //             under the names as they were.
  enum class View { kProcess, kPower, kNames };
  std::string Content(View view, const std::string &path = kFile) const {
    const auto &names = view == View::kPower ? durable_names_ : names_;
    const auto found = names.find(path);
    if (found == names.end()) return "<missing>";
    return view == View::kProcess ? found->second->data : found->second->synced;
  }

  int Open(const char *path, int flags, mode_t mode) override {
    if (!Step()) return -1;
    Handle handle;
    if ((flags & O_DIRECTORY) != 0) {
      if (std::string(path) != kDir) return Fail(ENOENT);
      handle.directory = true;
    } else {
      auto &entry = names_[path];
      if (!entry) {
        if ((flags & O_CREAT) == 0) {
          names_.erase(path);
          return Fail(ENOENT);
        }
        entry = std::make_shared<Inode>();
        entry->mode = mode;
      }
      if ((flags & O_TRUNC) != 0) entry->data.clear();
      handle.inode = entry;
    }
    open_[next_fd_] = handle;
    return next_fd_++;
  }
  ssize_t Write(int fd, const void *data, size_t size) override {
    if (!Step()) return -1;
    if (write_error_ != 0) return Fail(write_error_);
    // Short writes, as a real file system may do them.
    const size_t part = size > 7 ? size / 2 : size;
    open_.at(fd).inode->data.append(static_cast<const char *>(data), part);
    return static_cast<ssize_t>(part);
  }
  int Sync(int fd) override {
    if (!Step()) return -1;
    Handle &handle = open_.at(fd);
    if (handle.directory) {
      durable_names_ = names_;
    } else {
      handle.inode->synced = handle.inode->data;
    }
    return 0;
  }
  int Close(int fd) override {
    if (!Step()) return -1;
    open_.erase(fd);
    return 0;
  }
  int Rename(const char *from, const char *to) override {
    if (!Step()) return -1;
    if (!Exists(from)) return Fail(ENOENT);
    names_[to] = names_[from];
    names_.erase(from);
    return 0;
  }
  int Remove(const char *path) override {
    if (!Step()) return -1;
    return names_.erase(path) != 0 ? 0 : Fail(ENOENT);
  }
  int Stat(const char *path, struct stat *info) override {
    if (!Step()) return -1;
    if (!Exists(path)) return Fail(ENOENT);
    *info = {};
    info->st_mode = S_IFREG | names_.at(path)->mode;
    return 0;
  }
  int ChangeMode(int fd, mode_t mode) override {
    if (!Step()) return -1;
    open_.at(fd).inode->mode = mode;
    return 0;
  }
  int ChangeOwner(int, uid_t, gid_t) override { return Step() ? 0 : -1; }
  std::string Resolve(const char *path) override { return path; }

 private:
  struct Inode {
    std::string data;    // as the kernel has it
    std::string synced;  // as the disk has it
    mode_t mode = 0640;
  };
  struct Handle {
    std::shared_ptr<Inode> inode;
    bool directory = false;
  };

  // Counts a call; false (errno EIO) once the writer is stopped.
  bool Step() {
    if (calls_left_ == 0) stopped_ = true;
    if (stopped_) {
      errno = EIO;
      return false;
    }
    if (calls_left_ > 0) --calls_left_;
    return true;
  }
  static int Fail(int error) {
    errno = error;
    return -1;
  }

  int calls_left_;
  bool stopped_ = false;
  int write_error_ = 0;
  int next_fd_ = 3;
  std::map<std::string, std::shared_ptr<Inode>> names_, durable_names_;
  std::map<int, Handle> open_;
};

const std::string kOld = "Firmware Url       :http://old\r\nFirmware Digest    :\r\n";
const std::string kNew = "Firmware Url       :http://old\r\nFirmware Digest    :0123456789abcdef\r\n";

TEST(ReplaceFileContentTest, StoppedAtAnyStepTheFileHoldsTheOldOrTheNewContent) {
  using View = StoppableFileSystem::View;
  for (int calls = 0;; ++calls) {
    SCOPED_TRACE(testing::Message() << "stopped after " << calls << " calls");
    StoppableFileSystem fs(kOld, calls);
    const bool replaced = ReplaceFileContent(fs, StoppableFileSystem::kFile, kNew);
    for (View view : {View::kProcess, View::kPower, View::kNames}) {
      const std::string content = fs.Content(view);
      EXPECT_TRUE(content == kOld || content == kNew) << "view " << static_cast<int>(view) << ": " << content;
    }
    if (!fs.stopped()) {
      // The run that was not stopped: done, and on the disk.
      EXPECT_TRUE(replaced);
      EXPECT_EQ(fs.Content(View::kPower), kNew);
      EXPECT_FALSE(fs.Exists(std::string(StoppableFileSystem::kFile) + ".new"));
      break;
    }
    EXPECT_LT(calls, 50) << "the replacement never ends";
    if (calls >= 50) break;
  }
}

TEST(ReplaceFileContentTest, AFailedWriteLeavesTheFileAndNoNewFileBehind) {
  StoppableFileSystem fs(kOld);
  fs.FailWritesWith(ENOSPC);
  EXPECT_FALSE(ReplaceFileContent(fs, StoppableFileSystem::kFile, kNew));
  EXPECT_EQ(fs.Content(StoppableFileSystem::View::kProcess), kOld);
  EXPECT_FALSE(fs.Exists(std::string(StoppableFileSystem::kFile) + ".new"));
}

class ReplaceOnDiskTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::TempDir() + "/replace." + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir_.c_str(), 0755), 0);
  }
  void TearDown() override {
    for (const char *name : {"/user.txt", "/user.txt.new", "/link"}) unlink((dir_ + name).c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_;
};

TEST_F(ReplaceOnDiskTest, KeepsTheModeFollowsALinkAndLeavesNothingBeside) {
  const std::string file = dir_ + "/user.txt";
  const std::string link = dir_ + "/link";
  EXPECT_FALSE(upgradeui::ReplaceFileContent(file.c_str(), kNew));  // no file yet
  {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, kOld.data(), kOld.size()), static_cast<ssize_t>(kOld.size()));
    close(fd);
  }
  ASSERT_EQ(chmod(file.c_str(), 0604), 0);
  ASSERT_EQ(symlink("user.txt", link.c_str()), 0);

  ASSERT_TRUE(upgradeui::ReplaceFileContent(link.c_str(), kNew));
  std::string content;
  ASSERT_TRUE(upgradeui::ReadFileContent(file.c_str(), &content));
  EXPECT_EQ(content, kNew);
  struct stat info {};
  ASSERT_EQ(lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  EXPECT_EQ(access((file + ".new").c_str(), F_OK), -1);
}

}  // namespace
