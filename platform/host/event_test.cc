#include "host/event.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace {

struct Seen {
  std::mutex mutex;
  std::vector<int> threads;
  std::vector<void *> data;
};

int Record(const char * /*event*/, void *data, void *arg) {
  auto *seen = static_cast<Seen *>(arg);
  std::lock_guard<std::mutex> guard(seen->mutex);
  seen->threads.push_back(taskIdSelf());
  seen->data.push_back(data);
  return 0;
}

TEST(EventTest, DeliveredOnTheServiceThreadToEachRegistration) {
  Seen seen;
  ASSERT_EQ(uEventInit(), 0);
  ASSERT_EQ(uEventInit(), 0);
  ASSERT_EQ(uEventCare("TEST_EVENT_A", Record, &seen), 0);
  ASSERT_EQ(uEventCare("TEST_EVENT_A", Record, &seen), 0);
  EXPECT_EQ(hostEventCareCount("TEST_EVENT_A"), 2);
  int payload = 7;
  ASSERT_EQ(hostEventPublish("TEST_EVENT_A", &payload), 0);
  ASSERT_EQ(hostEventPublish("TEST_EVENT_OTHER", nullptr), 0);
  hostEventDrain();
  std::lock_guard<std::mutex> guard(seen.mutex);
  ASSERT_EQ(seen.threads.size(), 2u);
  EXPECT_NE(seen.threads[0], taskIdSelf());
  EXPECT_EQ(seen.threads[0], seen.threads[1]);
  EXPECT_EQ(seen.data[0], &payload);
}

TEST(EventTest, RefusesNullArguments) {
  EXPECT_EQ(uEventCare(nullptr, Record, nullptr), -1);
  EXPECT_EQ(uEventCare("X", nullptr, nullptr), -1);
  EXPECT_EQ(hostEventPublish(nullptr, nullptr), -1);
}

}  // namespace
