// Starting the platform modules and waiting for the network, against the
// stand-ins' records. Each start runs in a child process of its own.
#include "flowRunner_test.h"
#include "mtPostInternal.h"

#include "host/modules.h"
#include "host/nm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::vector<std::string> kModuleStarts = {
    "storageModuleInit()",
    "sdevFsRegister(\"/\", \"./\")",
    "sdevFsRegister(\"/etc/tmp\", \"/tmp/etc\")",
    "sdevFsRegister(\"/etc\", \"/mnt/userdata/etc\")",
    "sdevFsFilePathSet(\"/etc\", \".txt\", \"/mnt/userdata/etc\")",
    "sdevFsRegister(\"/cfg\", \"/mnt/userdata\")",
    "sdevFsFilePathSet(\"/cfg\", \".txt\", \"/mnt/userdata\")",
    "sdevCmdRegister()",
    "logModuleInit()",
    "uEventInit()",
    "configModuleInit()",
    "dmEthLinkNotifyProcess(0)",
    "uEventCare(\"NM_EVENT_NET_CONNECTED\", callback, 0)",
    "nmModuleInit()",
    "tmModuleInit()",
    "certManagerInit(\"/tmp/permission.pem\")",
};

// Runs mtPostNmStart as many times as asked and prints, for each run, its
// result and duration in ms, then the module calls recorded.
posttest::FlowRun StartNetwork(int connectDelayMs, int runs) {
  return posttest::RunFlow([=] {
    hostNmSetConnectDelay(connectDelayMs);
    for (int i = 0; i < runs; ++i) {
      const auto start = Clock::now();
      const int result = postupgrade::mtPostNmStart();
      std::printf("result %d after %lld ms\n", result,
                  static_cast<long long>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count()));
    }
    for (int i = 0; i < hostModuleCallCount(); ++i) {
      char line[256];
      hostModuleCallGet(i, line, sizeof line);
      std::printf("%s\n", line);
    }
    return 0;
  });
}

struct Outcome {
  int result;
  long long ms;
};

// The results printed by StartNetwork and the module calls after them.
std::vector<Outcome> Outcomes(const posttest::FlowRun &run, std::vector<std::string> *calls) {
  std::vector<Outcome> outcomes;
  for (const std::string &line : run.Lines()) {
    Outcome o{};
    if (std::sscanf(line.c_str(), "result %d after %lld ms", &o.result, &o.ms) == 2) {
      outcomes.push_back(o);
    } else if (line != "__mtPostNmStart : mtPostNmStart !") {
      calls->push_back(line);
    }
  }
  return outcomes;
}

TEST(NmStartTest, StartsTheModulesInOrderAndReturnsAfterTheConnectedEvent) {
  const posttest::FlowRun run = StartNetwork(0, 2);
  EXPECT_EQ(run.Lines().front(), "__mtPostNmStart : mtPostNmStart !");
  std::vector<std::string> calls;
  const std::vector<Outcome> outcomes = Outcomes(run, &calls);
  ASSERT_EQ(outcomes.size(), 2u);
  for (const Outcome &o : outcomes) {
    EXPECT_EQ(o.result, 0);
    EXPECT_GE(o.ms, 200) << "it settles 200 ms after the event";
    EXPECT_LT(o.ms, 1500);
  }
  // A second run starts the modules again.
  std::vector<std::string> twice = kModuleStarts;
  twice.insert(twice.end(), kModuleStarts.begin(), kModuleStarts.end());
  EXPECT_EQ(calls, twice);
}

TEST(NmStartTest, WaitsTenSecondsForTheNetwork) {
  const struct {
    int delayMs;
    int result;
    long long atLeastMs, belowMs;
  } cases[] = {
      {1500, 0, 1700, 3500},     // comes up during the wait
      {-1, -1, 10000, 13000},    // never: 100 polls of 100 ms
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.delayMs);
    std::vector<std::string> calls;
    const std::vector<Outcome> outcomes = Outcomes(StartNetwork(c.delayMs, 1), &calls);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result, c.result);
    EXPECT_GE(outcomes[0].ms, c.atLeastMs);
    EXPECT_LT(outcomes[0].ms, c.belowMs);
    EXPECT_EQ(calls, kModuleStarts);
  }
}

}  // namespace
