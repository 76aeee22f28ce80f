// Module-wide state: made by ncInit, released by ncUninit. Without it the
// operations that would take the module lock run without it.
#ifndef ELEMTREE_MODULE_H
#define ELEMTREE_MODULE_H

#include "platform/runtime.h"

namespace nc {

struct ModuleState {
  uListId trees = nullptr;   // registered ncHandle, in creation order
  uListId errors = nullptr;  // one ErrorRecord per thread that set an error
  uSemId lock = nullptr;     // the module lock
};

extern ModuleState gModule;

}  // namespace nc

#endif  // ELEMTREE_MODULE_H
