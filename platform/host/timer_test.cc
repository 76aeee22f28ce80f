#include "host/clock.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Firings {
  std::mutex mutex;
  std::vector<long long> atMs;
  std::vector<int> threads;
};

void Fire(void *arg) {
  auto *f = static_cast<Firings *>(arg);
  std::lock_guard<std::mutex> guard(f->mutex);
  f->atMs.push_back(hostClockNowMs());
  f->threads.push_back(taskIdSelf());
}

class ManualClockTest : public ::testing::Test {
 protected:
  void SetUp() override { hostClockSetManual(1); }
  void TearDown() override { hostClockSetManual(0); }
};

TEST_F(ManualClockTest, ADayPassesInAMoment) {
  Firings f;
  long long start = hostClockNowMs();
  int id = uTimerAddSec(Fire, &f, 86400);
  ASSERT_GT(id, 0);
  hostClockAdvance(86399);
  EXPECT_TRUE(f.atMs.empty());
  hostClockAdvance(1);
  std::lock_guard<std::mutex> guard(f.mutex);
  ASSERT_EQ(f.atMs.size(), 1u);
  EXPECT_EQ(f.atMs[0] - start, 86400 * 1000LL);
  EXPECT_NE(f.threads[0], taskIdSelf()) << "runs on the timer thread";
}

// A callback that arms itself again, like a report postponed by 3 s.
struct Rearm {
  Firings firings;
  int remaining;
};

void FireAndRearm(void *arg) {
  auto *r = static_cast<Rearm *>(arg);
  Fire(&r->firings);
  if (--r->remaining > 0) uTimerAddSec(FireAndRearm, r, 3);
}

TEST_F(ManualClockTest, TimersArmedByCallbacksFallDueOnTheWay) {
  Rearm r{{}, 5};
  long long start = hostClockNowMs();
  uTimerAddSec(FireAndRearm, &r, 3);
  hostClockAdvance(100);
  std::lock_guard<std::mutex> guard(r.firings.mutex);
  ASSERT_EQ(r.firings.atMs.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(r.firings.atMs[i] - start, 3000LL * static_cast<long long>(i + 1));
  EXPECT_EQ(hostClockNowMs() - start, 100000);
}

TEST_F(ManualClockTest, DeletedTimersDoNotRunAndPendingIsListed) {
  Firings f;
  int a = uTimerAddSec(Fire, &f, 10);
  int b = uTimerAddSec(Fire, &f, 5);
  ASSERT_NE(a, b);
  hostTimerInfo pending[4];
  ASSERT_EQ(hostTimerPending(pending, 4), 2);
  EXPECT_EQ(pending[0].id, b);
  EXPECT_EQ(pending[0].seconds, 5);
  EXPECT_EQ(uTimerDel(a), 0);
  EXPECT_EQ(uTimerDel(a), -1);
  hostClockAdvance(20);
  EXPECT_EQ(hostTimerPending(nullptr, 0), 0);
  std::lock_guard<std::mutex> guard(f.mutex);
  EXPECT_EQ(f.atMs.size(), 1u);
}

TEST(RealClockTest, TimerRunsAfterItsDelay) {
  Firings f;
  auto start = std::chrono::steady_clock::now();
  ASSERT_GT(uTimerAddSec(Fire, &f, 1), 0);
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(f.mutex);
      if (!f.atMs.empty()) break;
    }
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(990));
  EXPECT_EQ(uTimerAddSec(nullptr, nullptr, 1), -1);
}

}  // namespace
