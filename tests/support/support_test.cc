// The test support itself: an out-of-memory loop ends after the last
// allocation and catches leaks; a lock check catches a take left held.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/log.h"
#include "platform/runtime.h"
#include "support/lock_balance.h"
#include "support/log_lines.h"
#include "support/oom_loop.h"

namespace {

void *gLeaked[3];

// Allocates three blocks and frees those it got, or keeps them in gLeaked
// when asked to leak; true when all three came.
bool AllocateThree(bool leak) {
  void *blocks[3];
  bool all = true;
  for (void *&block : blocks) {
    block = uMalloc(8);
    all = all && block != nullptr;
  }
  for (int i = 0; i < 3; ++i) {
    if (leak) {
      gLeaked[i] = blocks[i];
    } else {
      uFree(blocks[i]);
    }
  }
  return all;
}

TEST(OomLoopTest, RunsOncePerAllocationAndOnceMore) {
  int failures = 0;
  long runs = testsupport::RunOomLoop([&](testsupport::OomRun &run) {
    run.Arm();
    if (!AllocateThree(false)) ++failures;
    run.Disarm();
  });
  EXPECT_EQ(runs, 4);
  EXPECT_EQ(failures, 3);
  EXPECT_EQ(testsupport::RunOomLoop(
                [](testsupport::OomRun &run) {
                  run.Arm();
                  AllocateThree(false);
                },
                testsupport::OomMode::kPersistent),
            4)
      << "a run left armed is disarmed";
}

// Leaks in the run that fails the second allocation only.
void LeakingLoop() {
  testsupport::RunOomLoop([](testsupport::OomRun &run) {
    run.Arm();
    AllocateThree(run.failAt() == 2);
    run.Disarm();
  });
}

TEST(OomLoopTest, ReportsBlocksLeakedByARun) {
  EXPECT_NONFATAL_FAILURE(LeakingLoop(), "blocks leaked by the run");
  for (void *block : gLeaked) uFree(block);
}

TEST(LockBalanceTest, SeesATakeLeftHeld) {
  uSemId sem = semMCreate(0);
  testsupport::LockBalance locks;
  semTake(sem, U_WAIT_FOREVER);
  EXPECT_FALSE(locks.Balanced());
  EXPECT_EQ(locks.Takes(), 1);
  semGive(sem);
  EXPECT_TRUE(locks.Balanced());
  semDelete(sem);
}

TEST(LogLinesTest, FindsALineByLevelTagAndText) {
  testsupport::ClearLog();
  tarvoPrintWarnLog("tarvo.test", "%s: %d", "op", 7);
  EXPECT_TRUE(testsupport::Logged(HOST_LOG_WARN, "tarvo.test", "op: 7"));
  EXPECT_FALSE(testsupport::Logged(HOST_LOG_ERROR, "tarvo.test", "op: 7"));
  EXPECT_FALSE(testsupport::NothingLoggedAtOrAbove(HOST_LOG_WARN));
  EXPECT_TRUE(testsupport::NothingLoggedAtOrAbove(HOST_LOG_ERROR));
}

}  // namespace
