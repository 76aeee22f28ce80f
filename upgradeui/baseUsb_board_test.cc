// The USB helpers on the board: a stick's partitions under /dev, its files
// bound at /mnt/udisk by the stub mount, and the firmware file's name.
#include "baseUsb.h"

#include "board/sandbox.h"

#include <dirent.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using board::CommandCall;
using Calls = std::vector<CommandCall>;

// The entries of a directory in the order it gives them, those kept.
std::vector<std::string> Entries(const char *path, bool (*keep)(std::string_view)) {
  std::vector<std::string> names;
  if (DIR *dir = opendir(path)) {
    while (const dirent *entry = readdir(dir)) {
      if (keep(entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(dir);
  }
  return names;
}

bool IsPartition(std::string_view name) { return name.starts_with("sda") && name != "sda"; }
bool EndsInZ(std::string_view name) { return name.ends_with(".z"); }

bool PutFiles(const std::string &partition, std::initializer_list<const char *> names) {
  for (const char *name : names) {
    if (!board::WriteFile(board::UsbPartitionDir(partition) + "/" + name, name)) return false;
  }
  return true;
}

// A buffer that getFileSearchRes left as it was.
const std::string kUntouched(256, '?');

std::string Search(int size = 256) {
  std::string path(static_cast<size_t>(size), '?');
  getFileSearchRes(path.data(), size);
  return path.substr(0, path.find('\0'));
}

TEST(UsbTest, WithoutAStickNothingIsMounted) {
  EXPECT_EQ(isUsbDevValid(), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(mountUsb(), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "usb dev /dev/sda not exist\n");
  EXPECT_TRUE(board::CommandCalls().empty());
}

TEST(UsbTest, TheLastPartitionReadIsMountedOnceAndItsFirmwareFileFound) {
  ASSERT_TRUE(board::PlugUsbStick({"sda1", "sda2"}));
  ASSERT_TRUE(PutFiles("sda1", {"q7a.z", "q7b.bin", "readme.z"}));
  ASSERT_TRUE(PutFiles("sda2", {"q7a.z", "q7b.bin", "readme.z"}));
  EXPECT_EQ(isUsbDevValid(), 1);
  const std::vector<std::string> partitions = Entries("/dev", IsPartition);
  ASSERT_EQ(partitions.size(), 2u);

  EXPECT_EQ(mountUsb(), 0);
  EXPECT_EQ(mountUsb(), 0);  // already mounted: no second command
  const Calls mounted = {{"mount", {"/dev/" + partitions.back(), "/mnt/udisk/"}}};
  EXPECT_EQ(board::CommandCalls(), mounted);

  EXPECT_EQ(Search(), "/mnt/udisk/q7a.z");
  // Any name ending in ".z" with an empty prefix: the first in directory order.
  modStrSet("");
  EXPECT_EQ(Search(), "/mnt/udisk/" + Entries("/mnt/udisk", EndsInZ).front());
  modStrSet(nullptr);
  EXPECT_EQ(Search(), "/mnt/udisk/" + Entries("/mnt/udisk", EndsInZ).front());
  modStrSet("readme");
  EXPECT_EQ(Search(), "/mnt/udisk/readme.z");
  EXPECT_EQ(Search(12), "/mnt/udisk/");  // cut to the buffer
  getFileSearchRes(nullptr, 100);
  modStrSet("q7b");
  EXPECT_EQ(Search(), kUntouched);  // nothing matches: untouched

  board::ClearCommandCalls();
  EXPECT_EQ(umountUsb(), 0);
  const Calls unmounted = {{"umount", {"/mnt/udisk"}}};
  EXPECT_EQ(board::CommandCalls(), unmounted);
  modStrSet("q7");
  EXPECT_EQ(Search(), kUntouched);  // the stick is gone from /mnt/udisk
}

TEST(UsbTest, APrefixIsCutTo15Characters) {
  ASSERT_TRUE(board::PlugUsbStick({"sda1"}));
  ASSERT_TRUE(PutFiles("sda1", {"abcdefghijklmnoXYZ.z"}));
  ASSERT_EQ(mountUsb(), 0);
  modStrSet("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(Search(), "/mnt/udisk/abcdefghijklmnoXYZ.z");
}

TEST(UsbTest, AMountThatFailsIsNotReportedAndFindsNothing) {
  ASSERT_TRUE(board::PlugUsbStick({"sda1"}));
  ASSERT_TRUE(PutFiles("sda1", {"q7a.z"}));
  ASSERT_TRUE(board::SetCommandExitStatus("mount", 32));
  EXPECT_EQ(mountUsb(), 0);
  EXPECT_EQ(mountUsb(), 0);
  EXPECT_EQ(board::CommandCalls().size(), 1u);
  EXPECT_EQ(Search(), kUntouched);
}

TEST(UsbTest, ADiskWithoutPartitionsMountsNoDevice) {
  ASSERT_TRUE(board::PlugUsbStick({}));
  EXPECT_EQ(mountUsb(), 0);
  const Calls mounted = {{"mount", {"/dev/", "/mnt/udisk/"}}};
  EXPECT_EQ(board::CommandCalls(), mounted);
}

}  // namespace
