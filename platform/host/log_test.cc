#include "host/log.h"
#include "platform/log.h"

#include <gtest/gtest.h>

namespace {

TEST(LogTest, LinesReadBackWithLevelTagAndText) {
  hostLogClear();
  hostLogSetThreshold(-1);
  logModuleInit();
  tarvoPrintErrorLog("tarvo.nc", "%s: create NC Semaphore failed!", "ncInit");
  tarvoPrintDebugLog("tarvo.InfoReport.main", "%s: rspCode:%d", "infoReportUrlResultNotify", 200);
  hostLogSetThreshold(HOST_LOG_WARN);
  ASSERT_EQ(hostLogCount(), 2);
  hostLogLine line;
  ASSERT_EQ(hostLogGet(0, &line), 0);
  EXPECT_EQ(line.level, HOST_LOG_ERROR);
  EXPECT_STREQ(line.tag, "tarvo.nc");
  EXPECT_STREQ(line.text, "ncInit: create NC Semaphore failed!");
  ASSERT_EQ(hostLogGet(1, &line), 0);
  EXPECT_EQ(line.level, HOST_LOG_DEBUG);
  EXPECT_STREQ(line.text, "infoReportUrlResultNotify: rspCode:200");
  EXPECT_EQ(hostLogGet(2, &line), -1);
  hostLogClear();
  EXPECT_EQ(hostLogCount(), 0);
}

}  // namespace
