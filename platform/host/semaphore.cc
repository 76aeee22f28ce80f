// Semaphore stand-in: recursive pthread mutexes, with process-wide counters so
// tests can prove that every take is given back.
#include "host/semaphore.h"
#include "platform/runtime.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <new>

struct uSemaphore {
  pthread_mutex_t mutex;
  std::atomic<int> owner{0};  // taskIdSelf of the holder, 0 when free
  int depth = 0;              // takes by the owner not yet given back
};

namespace {

std::atomic<long> gCreated{0}, gDeleted{0}, gTakes{0}, gGives{0}, gHeld{0};

// The calling thread's id, asked of the kernel once per thread: every take
// and give needs it. A forked child's only thread has an id of its own, so
// the child forgets the one it inherited.
thread_local int tThreadId = 0;
const int kThreadIdForgottenInChild = pthread_atfork(nullptr, nullptr, [] { tThreadId = 0; });

int LockWithTimeout(pthread_mutex_t *mutex, int timeoutMs) {
  if (timeoutMs < 0) return pthread_mutex_lock(mutex);
  if (timeoutMs == 0) return pthread_mutex_trylock(mutex);
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += timeoutMs / 1000;
  deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return pthread_mutex_timedlock(mutex, &deadline);
}

}  // namespace

extern "C" {

int taskIdSelf(void) {
  if (tThreadId == 0) tThreadId = static_cast<int>(syscall(SYS_gettid));
  return tThreadId;
}

// The record comes from uMalloc, so allocation-failure injection reaches
// semaphore creation too and a semaphore never deleted shows as a live block.
uSemId semMCreate(int /*options*/) {
  void *block = uMalloc(sizeof(uSemaphore));
  if (block == nullptr) return nullptr;
  auto *sem = new (block) uSemaphore;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  int rc = pthread_mutex_init(&sem->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  if (rc != 0) {
    sem->~uSemaphore();
    uFree(block);
    return nullptr;
  }
  gCreated.fetch_add(1);
  return sem;
}

int semTake(uSemId sem, int timeout) {
  if (sem == nullptr) return -1;
  if (LockWithTimeout(&sem->mutex, timeout) != 0) return -1;
  sem->owner.store(taskIdSelf());
  ++sem->depth;
  gTakes.fetch_add(1);
  gHeld.fetch_add(1);
  return 0;
}

int semGive(uSemId sem) {
  if (sem == nullptr) return -1;
  if (sem->owner.load() != taskIdSelf() || sem->depth == 0) return -1;
  if (--sem->depth == 0) sem->owner.store(0);
  pthread_mutex_unlock(&sem->mutex);
  gGives.fetch_add(1);
  gHeld.fetch_sub(1);
  return 0;
}

int semDelete(uSemId sem) {
  if (sem == nullptr) return -1;
  int owner = sem->owner.load();
  if (owner != 0 && owner != taskIdSelf()) return -1;  // another thread holds it
  // The caller may delete a mutex it still holds: its takes end with it.
  while (sem->depth > 0) semGive(sem);
  pthread_mutex_destroy(&sem->mutex);
  sem->~uSemaphore();
  uFree(sem);
  gDeleted.fetch_add(1);
  return 0;
}

void hostSemStatsGet(hostSemStats *stats) {
  if (stats == nullptr) return;
  stats->created = gCreated.load();
  stats->deleted = gDeleted.load();
  stats->takes = gTakes.load();
  stats->gives = gGives.load();
  stats->held = gHeld.load();
}

}  // extern "C"
