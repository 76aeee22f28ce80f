// Timer service stand-in: one-shot timers run on the service's own thread.
// The clock runs in real time, or, for tests and the simulator, stands still
// until hostClockAdvance moves it.
#include "host/clock.h"
#include "platform/runtime.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Timer {
  uTimerCallback callback;
  void *arg;
  hostTimerInfo info;
};

struct TimerService {
  std::mutex mutex;
  std::condition_variable wake;  // the timer thread waits here
  std::condition_variable idle;  // hostClockAdvance waits here
  std::map<int, Timer> pending;
  std::vector<hostTimerInfo> history;
  int nextId = 1;
  bool threadStarted = false;
  bool running = false;  // a callback is running
  bool manual = false;
  long long manualNowMs = 0;
  SteadyClock::time_point epoch = SteadyClock::now();

  long long NowMs() const {
    if (manual) return manualNowMs;
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - epoch).count();
  }

  // The earliest pending timer (ties: the one armed first), or end().
  std::map<int, Timer>::iterator Earliest() {
    auto best = pending.end();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
      if (best == pending.end() || it->second.info.dueMs < best->second.info.dueMs) best = it;
    }
    return best;
  }

  bool DueNow() {
    auto next = Earliest();
    return next != pending.end() && next->second.info.dueMs <= NowMs();
  }

  void StartThreadLocked() {
    if (threadStarted) return;
    threadStarted = true;
    std::thread([this] { Run(); }).detach();
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      auto next = Earliest();
      if (next == pending.end()) {
        wake.wait(lock);
        continue;
      }
      long long due = next->second.info.dueMs;
      if (due <= NowMs()) {
        Timer timer = next->second;
        pending.erase(next);
        running = true;
        lock.unlock();
        timer.callback(timer.arg);
        lock.lock();
        running = false;
        idle.notify_all();
        continue;
      }
      if (manual) {
        wake.wait(lock);
      } else {
        wake.wait_until(lock, epoch + std::chrono::milliseconds(due));
      }
    }
  }
};

TimerService &Service() {
  static TimerService *service = new TimerService;  // its thread never ends
  return *service;
}

}  // namespace

extern "C" {

int uTimerAddSec(uTimerCallback callback, void *arg, int seconds) {
  if (callback == nullptr) return -1;
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.StartThreadLocked();
  int id = s.nextId++;
  hostTimerInfo info{id, seconds, s.NowMs() + static_cast<long long>(seconds < 0 ? 0 : seconds) * 1000};
  s.pending[id] = Timer{callback, arg, info};
  s.history.push_back(info);
  s.wake.notify_all();
  return id;
}

int uTimerDel(int timerId) {
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (s.pending.erase(timerId) != 1) return -1;
  s.idle.notify_all();  // a clock advance may be waiting for this timer
  return 0;
}

void hostClockSetManual(int manual) {
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  bool wantManual = manual != 0;
  if (wantManual == s.manual) return;
  long long now = s.NowMs();
  s.manual = wantManual;
  if (wantManual) {
    s.manualNowMs = now;
  } else {
    s.epoch = SteadyClock::now() - std::chrono::milliseconds(now);
  }
  s.wake.notify_all();
}

void hostClockAdvance(long seconds) {
  TimerService &s = Service();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!s.manual || seconds < 0) return;
  s.StartThreadLocked();
  long long target = s.manualNowMs + static_cast<long long>(seconds) * 1000;
  for (;;) {
    s.idle.wait(lock, [&s] { return !s.running && !s.DueNow(); });
    auto next = s.Earliest();
    if (next == s.pending.end() || next->second.info.dueMs > target) break;
    if (next->second.info.dueMs > s.manualNowMs) s.manualNowMs = next->second.info.dueMs;
    s.wake.notify_all();
  }
  s.manualNowMs = target;
}

long long hostClockNowMs(void) {
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  return s.NowMs();
}

int hostTimerPending(hostTimerInfo *out, int max) {
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  std::vector<hostTimerInfo> timers;
  for (const auto &[id, timer] : s.pending) timers.push_back(timer.info);
  std::stable_sort(timers.begin(), timers.end(),
                   [](const hostTimerInfo &a, const hostTimerInfo &b) { return a.dueMs < b.dueMs; });
  for (int i = 0; out != nullptr && i < max && i < static_cast<int>(timers.size()); ++i) out[i] = timers[static_cast<size_t>(i)];
  return static_cast<int>(timers.size());
}

int hostTimerHistory(hostTimerInfo *out, int max) {
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  for (int i = 0; out != nullptr && i < max && i < static_cast<int>(s.history.size()); ++i)
    out[i] = s.history[static_cast<size_t>(i)];
  return static_cast<int>(s.history.size());
}

void hostTimerHistoryClear(void) {
  TimerService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.history.clear();
}

}  // extern "C"
