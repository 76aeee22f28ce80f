#include "host/semaphore.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

TEST(SemaphoreTest, OwnerTakesAgainAndCountersBalance) {
  hostSemStats before{};
  hostSemStatsGet(&before);
  uSemId sem = semMCreate(0);
  ASSERT_NE(sem, nullptr);
  EXPECT_EQ(semTake(sem, U_WAIT_FOREVER), 0);
  EXPECT_EQ(semTake(sem, U_WAIT_FOREVER), 0);
  hostSemStats during{};
  hostSemStatsGet(&during);
  EXPECT_EQ(during.held, before.held + 2);
  EXPECT_EQ(semGive(sem), 0);
  EXPECT_EQ(semGive(sem), 0);
  EXPECT_EQ(semGive(sem), -1) << "a give without a take";
  EXPECT_EQ(semDelete(sem), 0);
  hostSemStats after{};
  hostSemStatsGet(&after);
  EXPECT_EQ(after.takes - before.takes, 2);
  EXPECT_EQ(after.gives - before.gives, 2);
  EXPECT_EQ(after.held, before.held);
  EXPECT_EQ(after.created - before.created, 1);
  EXPECT_EQ(after.deleted - before.deleted, 1);
}

TEST(SemaphoreTest, NullSemaphoreIsRefused) {
  EXPECT_EQ(semTake(nullptr, U_WAIT_FOREVER), -1);
  EXPECT_EQ(semGive(nullptr), -1);
  EXPECT_EQ(semDelete(nullptr), -1);
}

TEST(SemaphoreTest, OtherThreadsWaitUntilEveryTakeIsGiven) {
  uSemId sem = semMCreate(0);
  ASSERT_NE(sem, nullptr);
  ASSERT_EQ(semTake(sem, U_WAIT_FOREVER), 0);
  ASSERT_EQ(semTake(sem, U_WAIT_FOREVER), 0);
  std::atomic<int> stage{0};
  std::thread other([&] {
    EXPECT_EQ(semTake(sem, 0), -1) << "held by the main thread";
    EXPECT_EQ(semGive(sem), -1) << "only the owner gives";
    EXPECT_EQ(semTake(sem, 20), -1) << "times out";
    stage = 1;
    EXPECT_EQ(semTake(sem, U_WAIT_FOREVER), 0);
    stage = 2;
    EXPECT_EQ(semGive(sem), 0);
  });
  while (stage.load() != 1) std::this_thread::yield();
  ASSERT_EQ(semGive(sem), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(stage.load(), 1) << "one take is still held";
  ASSERT_EQ(semGive(sem), 0);
  other.join();
  EXPECT_EQ(stage.load(), 2);
  EXPECT_EQ(semDelete(sem), 0);
}

TEST(SemaphoreTest, MutualExclusionUnderContention) {
  uSemId sem = semMCreate(0);
  ASSERT_NE(sem, nullptr);
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        semTake(sem, U_WAIT_FOREVER);
        semTake(sem, U_WAIT_FOREVER);
        ++counter;
        semGive(sem);
        semGive(sem);
      }
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_EQ(counter, 8000);
  EXPECT_EQ(semDelete(sem), 0);
}

TEST(SemaphoreTest, TaskIdsDifferBetweenThreads) {
  int mine = taskIdSelf();
  int theirs = 0;
  std::thread([&] { theirs = taskIdSelf(); }).join();
  EXPECT_NE(mine, 0);
  EXPECT_NE(theirs, 0);
  EXPECT_NE(mine, theirs);
  EXPECT_EQ(mine, taskIdSelf());
}

// A forked child's thread is a task of its own: a mutex it takes is its own.
TEST(SemaphoreTest, AForkedChildHasItsOwnTaskId) {
  const int parent = taskIdSelf();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(taskIdSelf() == getpid() && taskIdSelf() != parent ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
