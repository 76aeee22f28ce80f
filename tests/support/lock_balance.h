// Lock balance over the semaphore stand-in's counters: between construction
// and the check, every take was given back and no take is left held.
//
//   testsupport::LockBalance locks;
//   ncGetValue("t.a", buffer, sizeof buffer);
//   EXPECT_TRUE(locks.Balanced());
//   EXPECT_GT(locks.Takes(), 0);   // it did take a lock
#ifndef TESTS_SUPPORT_LOCK_BALANCE_H
#define TESTS_SUPPORT_LOCK_BALANCE_H

#include <gtest/gtest.h>

#include "host/semaphore.h"

namespace testsupport {

class LockBalance {
 public:
  LockBalance() { hostSemStatsGet(&before_); }

  testing::AssertionResult Balanced() const {
    hostSemStats now{};
    hostSemStatsGet(&now);
    long takes = now.takes - before_.takes;
    long gives = now.gives - before_.gives;
    if (takes == gives && now.held == before_.held) return testing::AssertionSuccess();
    return testing::AssertionFailure() << takes << " takes, " << gives << " gives, " << (now.held - before_.held)
                                       << " more held";
  }
  // Successful takes since construction.
  long Takes() const {
    hostSemStats now{};
    hostSemStatsGet(&now);
    return now.takes - before_.takes;
  }
  // Semaphores created and not deleted since construction.
  long LiveSemaphores() const {
    hostSemStats now{};
    hostSemStatsGet(&now);
    return (now.created - before_.created) - (now.deleted - before_.deleted);
  }

 private:
  hostSemStats before_{};
};

}  // namespace testsupport

#endif  // TESTS_SUPPORT_LOCK_BALANCE_H
