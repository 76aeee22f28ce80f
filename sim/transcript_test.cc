#include "board/transcript.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class TranscriptReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    char path[] = "/tmp/transcript_test.XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = path;
  }
  void TearDown() override { unlink(path_.c_str()); }
  void Append(const std::string &text) { std::ofstream(path_, std::ios::app) << text; }
  void Clear() { std::ofstream(path_, std::ios::trunc); }

  std::string path_;
};

TEST_F(TranscriptReaderTest, GivesEachWholeRecordOnceAsTheTranscriptGrows) {
  board::TranscriptReader reader(path_);
  EXPECT_TRUE(reader.ReadNew().empty());
  Append("10 7 7 gpio open\n20 7 7 gpio set line=4 va");
  EXPECT_EQ(board::Lines(reader.ReadNew()), (std::vector<std::string>{"gpio open"}));
  Append("lue=1 result=0\n");
  const auto records = reader.ReadNew();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Line(), "gpio set line=4 value=1 result=0");
  EXPECT_EQ(records[0].time_us, 20);
  EXPECT_TRUE(reader.ReadNew().empty());
  // Cleared, then written again: read from the start.
  Clear();
  Append("5 8 8 gpio close\n");
  EXPECT_EQ(board::Lines(reader.ReadNew()), (std::vector<std::string>{"gpio close"}));
}

}  // namespace
