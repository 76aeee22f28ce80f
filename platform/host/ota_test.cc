#include "host/ota.h"
#include "platform/ota.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string TempPath(const char *name) {
  return testing::TempDir() + "/" + name + "." + std::to_string(getpid());
}

TEST(OtaTest, WriterCopiesThePayloadAndCallsAreRecorded) {
  hostOtaReset();
  std::string image = TempPath("image");
  hostOtaSetImagePath(image.c_str());
  std::string payload(200000, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7);
  FILE *stream = fmemopen(payload.data(), payload.size(), "rb");
  ASSERT_NE(stream, nullptr);
  upgradeAfterProcessSet(1);
  EXPECT_NE(ota_file_upgrade_from_fp(stream, 1), -1);
  std::fclose(stream);
  std::ifstream in(image, std::ios::binary);
  std::stringstream written;
  written << in.rdbuf();
  EXPECT_EQ(written.str(), payload);

  std::string marker = TempPath("started");
  hostOtaSetAfterCommand(("touch " + marker).c_str());
  upgradeAfterProcessStart(printf, printf);
  EXPECT_EQ(access(marker.c_str(), F_OK), 0);

  hostOtaRecord record;
  hostOtaRecordGet(&record);
  EXPECT_STREQ(record.calls, "set,write,start");
  EXPECT_EQ(record.lastSetMode, 1);
  EXPECT_EQ(record.lastWriteMode, 1);
  EXPECT_EQ(record.lastWriteBytes, 200000);
  EXPECT_EQ(record.lastStartPrint, 1);
  EXPECT_EQ(record.lastStartErrorPrint, 1);
  unlink(image.c_str());
  unlink(marker.c_str());
  hostOtaReset();
}

TEST(OtaTest, WriterFailsOnAnEmptyStreamOrWhenTold) {
  hostOtaReset();
  char empty[1];
  FILE *stream = fmemopen(empty, 0, "rb");
  if (stream == nullptr) stream = std::fopen("/dev/null", "rb");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ota_file_upgrade_from_fp(stream, 1), -1);
  std::fclose(stream);

  char data[] = "payload";
  stream = fmemopen(data, sizeof data, "rb");
  hostOtaSetWriteFailure(1);
  EXPECT_EQ(ota_file_upgrade_from_fp(stream, 1), -1);
  std::fclose(stream);
  hostOtaRecord record;
  hostOtaRecordGet(&record);
  EXPECT_EQ(record.lastWriteBytes, static_cast<long long>(sizeof data));
  hostOtaReset();

  // An image file that cannot be made: the payload is still read to its end.
  hostOtaSetImagePath("/nonexistent-directory/image");
  stream = fmemopen(data, sizeof data, "rb");
  EXPECT_EQ(ota_file_upgrade_from_fp(stream, 1), -1);
  EXPECT_EQ(std::fgetc(stream), EOF);
  std::fclose(stream);
  hostOtaReset();
}

TEST(OtaTest, WriterFailsOnAReadError) {
  hostOtaReset();
  FILE *stream = std::fopen("/dev/null", "wb");  // reading a write-only stream is an error
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ota_file_upgrade_from_fp(stream, 1), -1);
  std::fclose(stream);
}

}  // namespace
