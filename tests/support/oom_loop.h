// Out-of-memory loops over the memory stand-in: the operation under test is
// run again and again, with allocation N failing in run N, for N = 1, 2, ...
// until a run injects no failure (the operation then made fewer than N
// allocations and has been failed at every one of them). Each run is checked
// for leaks: the blocks live after it are those live before it.
//
//   testsupport::RunOomLoop([](testsupport::OomRun &run) {
//     ncHandle *tree = MakeFixtureTree();   // not under injection
//     run.Arm();
//     ncElement *e = ncAddElementByName(tree, "t.a.b");
//     run.Disarm();
//     EXPECT_TRUE(e == nullptr || e == ncGetElementByName(tree, "t.a.b"));
//     ncDestroy(tree);
//   });
//
// Each mode fails either one allocation (the ones after it succeed again) or
// every allocation from the Nth on; RunOomLoops runs both.
#ifndef TESTS_SUPPORT_OOM_LOOP_H
#define TESTS_SUPPORT_OOM_LOOP_H

#include <gtest/gtest.h>

#include "host/memory.h"

namespace testsupport {

enum class OomMode { kOnce, kPersistent };

inline const char *OomModeName(OomMode mode) { return mode == OomMode::kOnce ? "once" : "persistent"; }

// One run of a loop: where injection starts and what it did.
class OomRun {
 public:
  OomRun(long failAt, OomMode mode) : failAt_(failAt), mode_(mode) {}

  // From here on allocation failAt() fails.
  void Arm() {
    hostMemFailAfter(failAt_, mode_ == OomMode::kPersistent ? 1 : 0);
    armed_ = true;
  }
  // Turns injection off; the number of failures it injected.
  long Disarm() {
    if (armed_) {
      injected_ = hostMemFailuresInjected();
      hostMemFailOff();
      armed_ = false;
    }
    return injected_;
  }

  long failAt() const { return failAt_; }
  OomMode mode() const { return mode_; }
  bool armed() const { return armed_; }
  // True when the operation met at least one failed allocation.
  bool injected() const { return injected_ > 0; }

 private:
  long failAt_;
  OomMode mode_;
  bool armed_ = false;
  long injected_ = 0;
};

// Runs body(run) for failAt = 1, 2, ... until a run injects nothing; the
// body arms and disarms the run around the operation (a run still armed at
// its end is disarmed). Returns the number of runs.
template <typename Body>
long RunOomLoop(Body &&body, OomMode mode = OomMode::kOnce, long maxRuns = 100000) {
  long runs = 0;
  for (long failAt = 1; failAt <= maxRuns; ++failAt) {
    SCOPED_TRACE(testing::Message() << "allocation " << failAt << " failing (" << OomModeName(mode) << ")");
    long liveBefore = hostMemLiveBlocks();
    OomRun run(failAt, mode);
    body(run);
    run.Disarm();
    ++runs;
    EXPECT_EQ(hostMemLiveBlocks(), liveBefore) << "blocks leaked by the run";
    if (!run.injected() || testing::Test::HasFatalFailure()) return runs;
  }
  ADD_FAILURE() << "out-of-memory loop did not end within " << maxRuns << " runs";
  return runs;
}

// Both modes, one after the other. Returns the number of runs.
template <typename Body>
long RunOomLoops(Body &&body) {
  return RunOomLoop(body, OomMode::kOnce) + RunOomLoop(body, OomMode::kPersistent);
}

}  // namespace testsupport

#endif  // TESTS_SUPPORT_OOM_LOOP_H
