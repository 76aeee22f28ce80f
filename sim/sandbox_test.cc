// Runs on the board sandbox: the board's layout, its stub commands and its
// emulated devices as a program sees them.
#include "board/input.h"
#include "board/sandbox.h"
#include "board/transcript.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/spi/spidev.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using board::DeviceRecord;
using Lines = std::vector<std::string>;

// The GPIO controller's requests, from the phone's driver interface.
struct LineRecord {
  int32_t line;
  char label[32];
};
struct ValueRecord {
  int32_t line;
  int32_t value;
};
constexpr unsigned long kRequest = 0x40245A80, kFree = 0x5A81, kInput = 0x5A82, kOutput = 0x40085A83,
                        kGetValue = 0xC0085A85, kSetValue = 0x40085A86;

// Device records without the open and close lines.
Lines Calls(const char *device) {
  Lines lines;
  for (const DeviceRecord &record : board::ReadTranscript()) {
    if (record.device == device && record.event != "open" && record.event != "close") {
      lines.push_back(record.Line());
    }
  }
  return lines;
}

// Each case starts from a quiet board, also when the whole program runs on
// one board.
class BoardTest : public testing::Test {
 protected:
  void SetUp() override { board::ClearRecords(); }
};

using BoardLayoutTest = BoardTest;
using BoardStubTest = BoardTest;
using BoardGpioTest = BoardTest;
using BoardSpiTest = BoardTest;
using BoardFaultTest = BoardTest;
using BoardTranscriptTest = BoardTest;
using BoardInputTest = BoardTest;

int Status(const char *command) {
  const int status = std::system(command);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(BoardLayoutTest, FixtureIsLaidOutAndOnlyTheBoardsPlacesAreWritable) {
  EXPECT_EQ(board::ReadFile("/etc/product").value_or(""), "2420\n");
  // /proc/flashinfo is served from the fixture, through the stream functions.
  FILE *flash = std::fopen("/proc/flashinfo", "rb");
  ASSERT_NE(flash, nullptr);
  char name[64] = {};
  ASSERT_NE(std::fgets(name, sizeof name, flash), nullptr);
  std::fclose(flash);
  EXPECT_STREQ(name, "W25N01GV");
  EXPECT_EQ(access("/mnt/userdata/default_user_config.txt", R_OK), 0);

  for (const char *writable : {"/etc/board-test", "/usr/bin/board-test", "/mnt/board-test", "/dev/board-test",
                               "/tmp/board-test"}) {
    EXPECT_TRUE(board::WriteFile(writable, "x")) << writable;
  }
  const int fd = open("/usr/share/board-test", O_WRONLY | O_CREAT, 0644);
  EXPECT_EQ(fd, -1);
  EXPECT_EQ(errno, EROFS);

  EXPECT_TRUE(board::WriteFile("/dev/null", "gone"));
  int leader = -1, follower = -1;
  ASSERT_EQ(openpty(&leader, &follower, nullptr, nullptr, nullptr), 0);
  close(leader);
  close(follower);
}

TEST_F(BoardStubTest, StubCommandsRecordTheirArgumentsAndGiveTheStatusAsked) {
  EXPECT_EQ(Status("reboot"), 0);
  EXPECT_EQ(Status("mount /dev/sda1 /mnt/udisk/"), 0);
  EXPECT_EQ(Status("/bin/httpd -h '/www root' -p \"it's\""), 0);
  ASSERT_TRUE(board::SetCommandExitStatus("umount", 32));
  EXPECT_EQ(Status("umount /mnt/udisk"), 32);
  const std::vector<board::CommandCall> expected = {
      {"reboot", {}},
      {"mount", {"/dev/sda1", "/mnt/udisk/"}},
      {"httpd", {"-h", "/www root", "-p", "it's"}},
      {"umount", {"/mnt/udisk"}},
  };
  EXPECT_EQ(board::CommandCalls(), expected);
  // The host's reboot link was replaced, not followed.
  char target[64] = {};
  EXPECT_EQ(readlink("/usr/sbin/reboot", target, sizeof target - 1), -1);
}

TEST_F(BoardGpioTest, ControllerKeepsLinesAndRefusesAsADeviceWould) {
  const int fd = open("/dev/user-gpio", O_RDWR);
  ASSERT_GE(fd, 0);
  LineRecord request{5, "led_test"};
  ValueRecord value{5, 1};
  auto call = [&](unsigned long code, void *argument) { return ioctl(fd, code, argument) == 0 ? 0 : errno; };
  auto byValue = [&](unsigned long code, long line) {
    return ioctl(fd, code, reinterpret_cast<void *>(line)) == 0 ? 0 : errno;
  };

  EXPECT_EQ(call(kSetValue, &value), EPERM);  // not requested
  EXPECT_EQ(call(kRequest, &request), 0);
  EXPECT_EQ(call(kRequest, &request), EBUSY);
  EXPECT_EQ(call(kOutput, &value), 0);
  value.value = 0;
  EXPECT_EQ(call(kGetValue, &value), 0);
  EXPECT_EQ(value.value, 1);  // filled in by the device
  value.value = 0;
  EXPECT_EQ(call(kSetValue, &value), 0);
  EXPECT_EQ(byValue(kInput, 5), 0);
  EXPECT_EQ(call(kSetValue, &value), EPERM);  // an input drives nothing
  EXPECT_EQ(byValue(kFree, 5), 0);
  EXPECT_EQ(byValue(kFree, 5), EINVAL);
  LineRecord outside{300, "x"};
  EXPECT_EQ(call(kRequest, &outside), EINVAL);
  EXPECT_EQ(call(0x5A99, &value), ENOTTY);
  close(fd);

  const Lines expected = {
      "gpio set line=5 value=1 result=-1 errno=EPERM",
      "gpio request line=5 label=led_test result=0",
      "gpio request line=5 label=led_test result=-1 errno=EBUSY",
      "gpio output line=5 value=1 result=0",
      "gpio get line=5 value=1 result=0",
      "gpio set line=5 value=0 result=0",
      "gpio input line=5 result=0",
      "gpio set line=5 value=0 result=-1 errno=EPERM",
      "gpio free line=5 result=0",
      "gpio free line=5 result=-1 errno=EINVAL",
      "gpio request line=300 label=x result=-1 errno=EINVAL",
      "gpio ioctl request=0x5a99 result=-1 errno=ENOTTY",
  };
  EXPECT_EQ(Calls("gpio"), expected);
}

TEST_F(BoardSpiTest, BusKeepsSettingsAndRecordsEachTransferWithTheCommandDataLevel) {
  const int gpio = open("/dev/user-gpio", O_RDWR);
  const int spi = open("/dev/spidev32766.0", O_RDWR);
  ASSERT_GE(gpio, 0);
  ASSERT_GE(spi, 0);
  uint8_t mode = SPI_MODE_2, bits = 8;
  uint32_t speed = 7500000;
  ASSERT_EQ(ioctl(spi, SPI_IOC_WR_MODE, &mode), 0);
  mode = 0;
  ASSERT_EQ(ioctl(spi, SPI_IOC_RD_MODE, &mode), 0);
  EXPECT_EQ(mode, SPI_MODE_2);
  ASSERT_EQ(ioctl(spi, SPI_IOC_WR_BITS_PER_WORD, &bits), 0);
  ASSERT_EQ(ioctl(spi, SPI_IOC_WR_MAX_SPEED_HZ, &speed), 0);
  speed = 0;
  ASSERT_EQ(ioctl(spi, SPI_IOC_RD_MAX_SPEED_HZ, &speed), 0);
  EXPECT_EQ(speed, 7500000u);

  const uint8_t command = 0xAF, data[2] = {0x12, 0x34};
  spi_ioc_transfer transfer{};
  transfer.tx_buf = reinterpret_cast<uintptr_t>(&command);
  transfer.len = 1;
  transfer.delay_usecs = 1;
  EXPECT_EQ(ioctl(spi, SPI_IOC_MESSAGE(1), &transfer), 1);
  LineRecord line{22, "lcd_cmd_data"};
  ValueRecord high{22, 1};
  ASSERT_EQ(ioctl(gpio, kRequest, &line), 0);
  ASSERT_EQ(ioctl(gpio, kOutput, &high), 0);
  spi_ioc_transfer two[2] = {};
  two[0].tx_buf = reinterpret_cast<uintptr_t>(data);
  two[0].len = 2;
  two[1].len = 3;  // no transmit buffer: zeros go out
  EXPECT_EQ(ioctl(spi, SPI_IOC_MESSAGE(2), two), 5);
  // The driver's buffer holds 4096 bytes.
  std::vector<uint8_t> big(4097);
  transfer.tx_buf = reinterpret_cast<uintptr_t>(big.data());
  transfer.len = 4097;
  EXPECT_EQ(ioctl(spi, SPI_IOC_MESSAGE(1), &transfer), -1);
  EXPECT_EQ(errno, EMSGSIZE);
  ioctl(gpio, kFree, reinterpret_cast<void *>(22L));
  close(spi);
  close(gpio);

  const Lines expected = {
      "spi set-mode value=2 result=0",
      "spi get-mode value=2 result=0",
      "spi set-bits value=8 result=0",
      "spi set-speed value=7500000 result=0",
      "spi get-speed value=7500000 result=0",
      "spi transfer len=1 speed=0 delay=1 bits=0 cs-change=0 gpio22=0 tx=af result=1",
      "spi transfer part=0 parts=2 len=2 speed=0 delay=0 bits=0 cs-change=0 gpio22=1 tx=1234 result=5",
      "spi transfer part=1 parts=2 len=3 speed=0 delay=0 bits=0 cs-change=0 gpio22=1 result=5",
      "spi transfer len=4097 speed=0 delay=1 bits=0 cs-change=0 gpio22=1 result=-1 errno=EMSGSIZE",
  };
  EXPECT_EQ(Calls("spi"), expected);
}

TEST_F(BoardFaultTest, InjectedFaultsAndMissingNodesFailAsTheDriverWould) {
  ASSERT_TRUE(board::InjectFault("spi", "set-mode", "EIO"));
  int spi = open("/dev/spidev32766.0", O_RDWR);
  ASSERT_GE(spi, 0);
  uint8_t mode = 2;
  EXPECT_EQ(ioctl(spi, SPI_IOC_WR_MODE, &mode), -1);
  EXPECT_EQ(errno, EIO);
  board::ClearFaults();
  EXPECT_EQ(ioctl(spi, SPI_IOC_WR_MODE, &mode), 0);
  close(spi);

  // A board without the node has no such device.
  ASSERT_EQ(unlink("/dev/spidev32766.0"), 0);
  EXPECT_EQ(open("/dev/spidev32766.0", O_RDWR), -1);
  EXPECT_EQ(errno, ENOENT);
  ASSERT_TRUE(board::InjectFault("gpio", "open", "EACCES"));
  EXPECT_EQ(open("/dev/user-gpio", O_RDWR), -1);
  EXPECT_EQ(errno, EACCES);
  ASSERT_TRUE(board::WriteFile("/dev/spidev32766.0", ""));

  const Lines expected = {
      "spi open",
      "spi set-mode result=-1 errno=EIO",
      "spi set-mode value=2 result=0",
      "spi close",
      "spi open errno=ENOENT",
      "gpio open errno=EACCES",
  };
  EXPECT_EQ(board::Lines(board::ReadTranscript()), expected);
}

TEST_F(BoardTranscriptTest, ChildProcessesRecordIntoTheSameTranscriptAndPausesOnceADeviceIsInUse) {
  ASSERT_EQ(Status("sleep 0.001"), 0);  // a process without devices: its pause is not recorded
  ASSERT_EQ(Status("exec 3<>/dev/user-gpio"), 0);
  const int fd = open("/dev/user-gpio", O_RDWR);
  ASSERT_GE(fd, 0);
  usleep(1500);
  close(fd);

  const std::vector<DeviceRecord> records = board::ReadTranscript();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0].Line(), "gpio open");
  EXPECT_NE(records[0].pid, getpid());  // the shell's
  std::vector<DeviceRecord> own;
  for (const DeviceRecord &record : records) {
    if (record.pid == getpid()) own.push_back(record);
  }
  ASSERT_EQ(board::Lines(own), (Lines{"gpio open", "clock sleep usec=1500", "gpio close"}));
  EXPECT_LE(own[0].time_us, own[1].time_us);
}

TEST_F(BoardInputTest, KeypadDeliversWholeQueuedRecordsAndRefusesWhatTheKernelWould) {
  const int fd = open("/dev/input/event0", O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  board::InputEvent event;
  EXPECT_EQ(read(fd, &event, sizeof event), -1);
  EXPECT_EQ(errno, EAGAIN);

  const std::vector<board::InputEvent> fed = {
      {7, 8, board::kEventKey, 30, board::kKeyPressed},
      {7, 9, board::kEventSync, 0, 0},
      {7, 10, board::kEventKey, 30, board::kKeyReleased},
  };
  ASSERT_TRUE(board::FeedInputEvents("event0", fed));
  char small[15];
  EXPECT_EQ(read(fd, small, sizeof small), -1);  // less than one record
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(read(fd, &event, sizeof event), 16);
  EXPECT_EQ(event, fed[0]);
  // A larger buffer takes what is queued, in whole records.
  board::InputEvent rest[4];
  EXPECT_EQ(read(fd, rest, 40), 32);
  EXPECT_EQ(rest[0], fed[1]);
  EXPECT_EQ(rest[1], fed[2]);
  EXPECT_TRUE(board::PendingInputEvents("event0").empty());

  ASSERT_TRUE(board::InjectFault("event0", "read", "EIO"));
  ASSERT_TRUE(board::PressKey("event0", 2));
  EXPECT_EQ(read(fd, &event, sizeof event), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(board::PendingInputEvents("event0").size(), 2u);  // still there for the next read
  close(fd);

  const Lines expected = {
      "event0 read size=16 result=-1 errno=EAGAIN",
      "event0 read size=15 result=-1 errno=EINVAL",
      "event0 event type=1 code=30 value=1",
      "event0 read size=16 result=16",
      "event0 event type=0 code=0 value=0",
      "event0 event type=1 code=30 value=0",
      "event0 read size=40 result=32",
      "event0 read size=16 result=-1 errno=EIO",
  };
  EXPECT_EQ(Calls("event0"), expected);
}

TEST_F(BoardInputTest, BlockingReadWaitsForTheTestAndLeavesTheBoardToOtherThreadsAndProcesses) {
  // Another process takes the record that is fed after it started waiting.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open("/dev/input/event0", O_RDONLY);
    board::InputEvent event;
    _exit(fd >= 0 && read(fd, &event, sizeof event) == 16 ? event.code : 255);
  }
  // A reader in a thread of this process, too.
  board::InputEvent seen{};
  std::thread reader([&] {
    const int fd = open("/dev/input/event0", O_RDONLY);
    if (fd >= 0 && read(fd, &seen, sizeof seen) != 16) seen = {};
    close(fd);
  });
  usleep(50000);
  // While both wait, this thread still reaches the board's devices.
  const int gpio = open("/dev/user-gpio", O_RDWR);
  EXPECT_GE(gpio, 0);
  close(gpio);
  ASSERT_TRUE(board::FeedInputEvents("event0", {board::KeyEvent(42, board::kKeyPressed)}));
  ASSERT_TRUE(board::FeedInputEvents("event0", {board::KeyEvent(42, board::kKeyPressed)}));
  reader.join();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42);
  EXPECT_EQ(seen.code, 42);
  EXPECT_EQ(seen.type, board::kEventKey);
}

}  // namespace
