// Lock guards: every take of a tree lock or of the module lock is given back
// when the guard goes out of scope, on every path. Both locks are recursive
// semaphores, so a hook that calls back into the library on the same thread
// takes them again without blocking. An absent semaphore (library not
// initialised, tree without lock) is not taken.
#ifndef ELEMTREE_LOCK_H
#define ELEMTREE_LOCK_H

#include "module.h"
#include "ncHandle.h"
#include "platform/runtime.h"

namespace nc {

class SemGuard {
 public:
  explicit SemGuard(uSemId sem) : sem_(sem != nullptr && semTake(sem, U_WAIT_FOREVER) == 0 ? sem : nullptr) {}
  ~SemGuard() { Release(); }
  SemGuard(const SemGuard &) = delete;
  SemGuard &operator=(const SemGuard &) = delete;

  // Gives the lock back before the end of the scope (before a redirected
  // call is redone, or before the semaphore is deleted).
  void Release() {
    if (sem_ != nullptr) semGive(sem_);
    sem_ = nullptr;
  }

 private:
  uSemId sem_;
};

// The lock of one tree.
class TreeLock : public SemGuard {
 public:
  explicit TreeLock(const ncHandle *handle) : SemGuard(handle != nullptr ? handle->sem : nullptr) {}
};

// The module lock, which guards the tree list and the error list.
class ModuleLock : public SemGuard {
 public:
  ModuleLock() : SemGuard(gModule.lock) {}
};

}  // namespace nc

#endif  // ELEMTREE_LOCK_H
