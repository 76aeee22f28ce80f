// Several threads on one library: per-thread error codes, and value access
// and calls on one tree at once. Run under ThreadSanitizer too.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 300;

// Runs body(index) on kThreads threads that start together.
template <typename Body>
void RunTogether(Body body) {
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      body(t);
    });
  }
  for (std::thread &thread : threads) thread.join();
}

class ThreadsTest : public TreeTest {};

TEST_F(ThreadsTest, EachThreadSeesItsOwnErrorCode) {
  const int codes[kThreads] = {NC_ERR_NO_TREE, NC_ERR_NO_ELEMENT, NC_ERR_INVALID_PARAM, NC_ERR_NOT_EXECUTABLE};
  std::atomic<int> wrong{0};
  RunTogether([&](int t) {
    if (ncGetError() != NC_ERR_NONE_RECORDED) wrong.fetch_add(1);
    for (int round = 0; round < kRounds; ++round) {
      ncSetError(codes[t]);
      if (ncGetError() != codes[t]) wrong.fetch_add(1);
    }
    // A failing call sets the calling thread's code only.
    if (t == 0) ncExecute("missing.f()");
    if (t == 1) ncSetValue(nullptr, "v");
  });
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(ncGetError(), NC_ERR_NONE_RECORDED) << "this thread set none";
}

TEST_F(ThreadsTest, CreatingOneTreeAtOnceGivesOneHandle) {
  ncHandle *handles[kThreads] = {};
  RunTogether([&](int t) { handles[t] = ncCreate("shared"); });
  for (ncHandle *handle : handles) EXPECT_EQ(handle, handles[0]);
  EXPECT_EQ(ncFindHandleByName("shared"), handles[0]);
}

// Runs under the tree lock: the plain counter proves that calls do not overlap.
long gCalls = 0;
const char *CountCall(ncWord step) {
  gCalls += step;
  return "counted";
}
// Reads another element of the same tree while its own lookup holds the lock.
int FetchNeighbour(const char *, char *buffer, int size) {
  char neighbour[32];
  ncGetValue("c.shared", neighbour, sizeof neighbour);
  std::snprintf(buffer, static_cast<size_t>(size), "seen %s", neighbour);
  return 0;
}

TEST_F(ThreadsTest, ValuesAndCallsOnOneTreeFromSeveralThreads) {
  std::vector<std::string> names;
  for (int t = 0; t < kThreads; ++t) names.push_back("c.v" + std::to_string(t) + "=0");
  names.push_back("c.shared=s");
  names.push_back("c.hooked");
  ncHandle *tree = MakeTree("c", names);
  ncGetElementByName(tree, "c.hooked")->getFunc = FetchNeighbour;
  ASSERT_EQ(ncRegisterExecElement("c.count", "char *count(int step)", reinterpret_cast<ncExecFunc>(CountCall)), 0);
  gCalls = 0;

  std::atomic<int> wrong{0};
  RunTogether([&](int t) {
    std::string own = "c.v" + std::to_string(t);
    char buffer[64];
    for (int round = 0; round < kRounds; ++round) {
      std::string value = std::to_string(round);
      if (ncSetValue(own.c_str(), value.c_str()) != 0) wrong.fetch_add(1);
      if (ncGetValue(own.c_str(), buffer, sizeof buffer) != 0 || value != buffer) wrong.fetch_add(1);
      if (ncExecute("c.count(%d)", 1) == nullptr) wrong.fetch_add(1);
      if (ncGetValue("c.hooked", buffer, sizeof buffer) != 0 || std::strcmp(buffer, "seen s") != 0) wrong.fetch_add(1);
      if (round % 50 == 0) ncSetValue("c.shared", "s");
    }
  });
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(gCalls, kThreads * kRounds);
}

}  // namespace
}  // namespace elemtree_test
