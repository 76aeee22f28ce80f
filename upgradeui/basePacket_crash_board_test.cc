// The image digest written into the user configuration file, stopped at each
// of the writer's file-changing calls in turn, as a crash or a power cut
// would stop it: the file holds its old or its new bytes every time, and the
// writer's new file beside it never takes the file's place half-written.
#include "basePacket.h"

#include "board/sandbox.h"
#include "stop_at_call.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace {

constexpr char kConfig[] = "/mnt/userdata/default_user_config.txt";
constexpr unsigned char kDigest[BASE_PACKET_DIGEST_SIZE] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                                            0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};

TEST(DigestWriteCrashTest, StoppedAtAnyCallTheFileIsOldOrNew) {
  const std::string before = "Product Name       :phone\r\nFirmware Digest    :00000000000000000000000000000000\r\n" +
                             std::string(5000, '#') + "\r\nAuto Upgrade       :1\r\n";
  const std::string after = "Product Name       :phone\r\nFirmware Digest    :0123456789abcdeffedcba9876543210\r\n" +
                            std::string(5000, '#') + "\r\nAuto Upgrade       :1\r\n";
  long stopAt = 1;
  for (;; ++stopAt) {
    SCOPED_TRACE(testing::Message() << "stopped at call " << stopAt);
    ASSERT_TRUE(board::WriteFile(kConfig, before));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      baseImageDigestSave(kDigest, BASE_DIGEST_TYPE_KEPT);
      testsupport::StopAtCall(stopAt);
      baseWriteImgaeDigestToFlash();
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const auto now = board::ReadFile(kConfig);
    ASSERT_TRUE(now.has_value()) << "the file is gone";
    EXPECT_TRUE(*now == before || *now == after) << now->size() << " bytes";
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(*now, after);
      EXPECT_FALSE(board::ReadFile(std::string(kConfig) + ".new").has_value());
      break;
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    ASSERT_LT(stopAt, 100) << "the writer never ran to its end";
  }
  EXPECT_GT(stopAt, 5) << "the stops reached the writing";
  std::printf("digest write: stopped at %ld points, then ran to its end\n", stopAt - 1);
}

}  // namespace
