// Trees: the registry of named trees, their handles, the library's life
// cycle and the tree locks.
#include <cstring>

#include "layout.h"
#include "list.h"
#include "lock.h"
#include "module.h"
#include "nc_log.h"
#include "ncHandle.h"
#include "text.h"

NC_ASSERT_WORD(ncHandle, sem, 0);
NC_ASSERT_WORD(ncHandle, name, 1);
NC_ASSERT_WORD(ncHandle, root, 2);
NC_ASSERT_WORD(ncHandle, initState, 3);
NC_ASSERT_WORD(ncHandle, addMode, 4);
NC_ASSERT_WORD(ncHandle, reserved1, 5);
NC_ASSERT_WORD(ncHandle, reserved2, 6);
NC_ASSERT_WORD(ncHandle, parseFormat, 7);
NC_ASSERT_WORD(ncHandle, readSource, 8);
NC_ASSERT_WORD(ncHandle, readSourceType, 9);
NC_ASSERT_WORD(ncHandle, readFunc, 10);
NC_ASSERT_WORD(ncHandle, reserved3, 11);
NC_ASSERT_WORD(ncHandle, parseFunc, 12);
NC_ASSERT_WORD(ncHandle, parseFinishedFunc, 13);
NC_ASSERT_WORD(ncHandle, outputElementFunc, 14);
NC_ASSERT_WORD(ncHandle, reserved4, 15);
NC_ASSERT_WORD(ncHandle, nameMatchFunc, 16);
NC_ASSERT_WORD(ncHandle, outputRecursiveFunc, 17);
NC_ASSERT_WORD(ncHandle, realDotNameFunc, 18);
NC_ASSERT_WORDS(ncHandle, 19);

namespace nc {

ModuleState gModule;

}  // namespace nc

using nc::gModule;
using nc::Items;
using nc::kTagTree;

namespace {

constexpr char kConstruct[] = "ncConstruct";  // the handle maker, in messages

// Frees the tree and the handle record; the handle is in no list by now.
void DestroyRecord(ncHandle *handle) {
  {
    nc::TreeLock lock(handle);
    ncRecursiveDestroyElement(handle->root);
    handle->root = nullptr;
    uFree(handle->name);
    handle->name = nullptr;
  }
  semDelete(handle->sem);
  std::memset(handle, 0, sizeof *handle);
  uFree(handle);
}

// Makes a handle named by name without blanks and line breaks at both ends
// (the caller's text is left as it is), registered at the end of the tree
// list when asked and the library is initialised. Null when out of memory: a
// tree is never made without its name or its lock.
ncHandle *MakeHandle(const char *name, bool registered) {
  auto *handle = static_cast<ncHandle *>(uMalloc(sizeof(ncHandle)));
  if (handle == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: create Nc failed!", kConstruct);
    return nullptr;
  }
  if (name == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: create Nc failed, name is null!", kConstruct);
    DestroyRecord(handle);
    return nullptr;
  }
  handle->name = uStrGetCopy(name);
  if (handle->name != nullptr && *uStrStripCrlf(handle->name) == '\0') {
    DestroyRecord(handle);
    return nullptr;
  }
  if (handle->name != nullptr) handle->sem = semMCreate(0);
  if (handle->sem == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: create Nc failed!", kConstruct);
    DestroyRecord(handle);
    return nullptr;
  }
  handle->initState = 1;
  handle->addMode = 0;
  if (registered) {
    nc::ModuleLock lock;
    if (gModule.trees != nullptr && uListAppend(gModule.trees, handle) != 0) {
      tarvoPrintErrorLog(kTagTree, "%s: create Nc failed!", kConstruct);
      lock.Release();
      DestroyRecord(handle);
      return nullptr;
    }
  }
  return handle;
}

// The name a handle made from text would get, cut to the 63 characters that
// a lookup compares.
void StrippedTreeName(const char *text, char (&name)[nc::kNameSize]) {
  name[0] = '\0';
  if (text == nullptr) return;
  text += std::strspn(text, " \t\r\n");
  uStrSafeCopy(name, nc::kNameSize, text);
  uStrStripCrlf(name);
}

}  // namespace

extern "C" {

void ncInit(void) {
  if (gModule.trees != nullptr) return;  // initialised: the trees stay
  uListId trees = uListInit(0);
  if (trees == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: create NC list failed!", __func__);
    return;
  }
  uListId errors = uListInit(0);
  if (errors == nullptr) {
    uListUninit(trees);
    tarvoPrintErrorLog(kTagTree, "%s: create NC Error List failed!", __func__);
    return;
  }
  uSemId lock = semMCreate(0);
  if (lock == nullptr) {
    uListUninit(errors);
    uListUninit(trees);
    tarvoPrintErrorLog(kTagTree, "%s: create NC Semaphore failed!", __func__);
    return;
  }
  gModule.trees = trees;
  gModule.errors = errors;
  gModule.lock = lock;
  tarvoPrintInfoLog(kTagTree, "%s: nc init!", __func__);
}

// The lists are taken out of the module under the module lock, and the trees
// destroyed after it is given back: a tree lock is never taken while the
// module lock is held, the order the call machinery relies on (it takes the
// module lock inside a tree lock).
void ncUninit(void) {
  nc::ModuleLock lock;
  uListId errors = gModule.errors;
  uListId trees = gModule.trees;
  gModule.errors = nullptr;
  gModule.trees = nullptr;
  lock.Release();
  while (nc::ItemCount(errors) > 0) uFree(uListRemove(errors, 0));
  uListUninit(errors);
  while (nc::ItemCount(trees) > 0) ncDestroy(static_cast<ncHandle *>(uListRemove(trees, 0)));
  uListUninit(trees);
  semDelete(gModule.lock);
  gModule.lock = nullptr;
}

ncHandle *ncCreate(const char *name) {
  // Lookup and registration are one step, so that two threads creating the
  // same tree get the same handle.
  nc::ModuleLock lock;
  char stripped[nc::kNameSize];
  StrippedTreeName(name, stripped);
  ncHandle *found = ncFindHandleByName(name != nullptr ? stripped : nullptr);
  if (found != nullptr) return found;
  return MakeHandle(name, true);
}

ncHandle *ncCreatePrivate(const char *name) { return MakeHandle(name, false); }

void ncDestroy(ncHandle *handle) {
  if (handle == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: Invalid parameter!", __func__);
    return;
  }
  {
    nc::ModuleLock lock;
    int index = uListSearch(gModule.trees, handle, nullptr);
    if (index >= 0) uListRemove(gModule.trees, index);
  }
  DestroyRecord(handle);
}

ncHandle *ncFindHandleByName(const char *dotName) {
  if (gModule.trees == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: NC Module not initialized!", __func__);
    return nullptr;
  }
  if (dotName == nullptr || *dotName == '\0') {
    tarvoPrintInfoLog(kTagTree, "%s: dotName is [%s]!", __func__, dotName == nullptr ? "NULL" : "empty");
    return nullptr;
  }
  nc::DotNameHead head = nc::SplitDotName(dotName);
  if (head.name[0] == '\0') {
    tarvoPrintErrorLog(kTagTree, "%s: No nc name exist!", __func__);
    return nullptr;
  }
  nc::ModuleLock lock;
  for (ncHandle *handle : Items<ncHandle>(gModule.trees)) {
    if (handle->name != nullptr && std::strcmp(handle->name, head.name) == 0) return handle;
  }
  return nullptr;
}

void ncSetInitState(ncHandle *handle, int state) {
  if (handle != nullptr) handle->initState = state;
}

ncElement *ncGetRootElement(ncHandle *handle) {
  if (handle == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: Invalid parameter!", __func__);
    return nullptr;
  }
  return handle->root;
}

int ncLock(ncHandle *handle) {
  if (handle == nullptr || handle->sem == nullptr) return 0;
  return semTake(handle->sem, U_WAIT_FOREVER);
}

void ncUnlock(ncHandle *handle) {
  if (handle != nullptr && handle->sem != nullptr) semGive(handle->sem);
}

}  // extern "C"
