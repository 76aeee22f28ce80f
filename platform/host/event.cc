// Event service stand-in: callbacks run on the service's own thread, in order
// of registration, as on the phone.
#include "host/event.h"
#include "module_calls.h"
#include "platform/runtime.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Registration {
  std::string event;
  uEventCallback callback;
  void *arg;
};

struct Pending {
  std::string event;
  void *data;
};

struct EventService {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable idle;
  std::vector<Registration> registrations;
  std::deque<Pending> queue;
  bool started = false;
  bool delivering = false;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return !queue.empty(); });
      Pending next = std::move(queue.front());
      queue.pop_front();
      delivering = true;
      // Callbacks may register further callbacks or publish: call a snapshot,
      // without the lock.
      std::vector<Registration> targets;
      for (const Registration &r : registrations) {
        if (r.event == next.event) targets.push_back(r);
      }
      lock.unlock();
      for (const Registration &r : targets) r.callback(next.event.c_str(), next.data, r.arg);
      lock.lock();
      delivering = false;
      if (queue.empty()) idle.notify_all();
    }
  }
};

// Lives as long as the process: its thread never ends.
EventService &Service() {
  static EventService *service = new EventService;
  return *service;
}

}  // namespace

extern "C" {

int uEventInit(void) {
  hoststub::NoteModuleCall(hoststub::CallLine("uEventInit", {}));
  EventService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (!s.started) {
    s.started = true;
    std::thread([&s] { s.Run(); }).detach();
  }
  return 0;
}

int uEventCare(const char *event, uEventCallback callback, void *arg) {
  hoststub::NoteModuleCall(hoststub::CallLine(
      "uEventCare", {hoststub::Quoted(event), callback != nullptr ? "callback" : "null", arg != nullptr ? "arg" : "0"}));
  if (event == nullptr || callback == nullptr) return -1;
  EventService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.registrations.push_back({event, callback, arg});
  return 0;
}

int hostEventPublish(const char *event, void *data) {
  if (event == nullptr) return -1;
  EventService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.queue.push_back({event, data});
  s.wake.notify_one();
  return 0;
}

void hostEventDrain(void) {
  EventService &s = Service();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!s.started) return;
  s.idle.wait(lock, [&s] { return s.queue.empty() && !s.delivering; });
}

int hostEventCareCount(const char *event) {
  if (event == nullptr) return 0;
  EventService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  int count = 0;
  for (const Registration &r : s.registrations) count += r.event == event ? 1 : 0;
  return count;
}

}  // extern "C"
