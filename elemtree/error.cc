// Per-thread error codes: one record per thread that ever set an error, kept
// until ncUninit.
#include "list.h"
#include "lock.h"
#include "module.h"
#include "nc_log.h"
#include "ncHandle.h"

using nc::gModule;
using nc::Items;
using nc::kTagTree;

namespace {

struct ErrorRecord {
  int taskId;
  int code;
};

ErrorRecord *RecordOfThisThread() {
  int self = taskIdSelf();
  for (ErrorRecord *record : Items<ErrorRecord>(gModule.errors)) {
    if (record->taskId == self) return record;
  }
  return nullptr;
}

}  // namespace

extern "C" {

void ncSetError(int code) {
  if (gModule.errors == nullptr) {
    tarvoPrintWarnLog(kTagTree, "%s: Nc error list not initialized!", __func__);
    return;
  }
  nc::ModuleLock lock;
  tarvoPrintDebugLog(kTagTree, "%s: nc error occour, code=[%d]\n", __func__, code);
  if (ErrorRecord *record = RecordOfThisThread()) {
    record->code = code;
    return;
  }
  auto *record = static_cast<ErrorRecord *>(uMalloc(sizeof(ErrorRecord)));
  if (record != nullptr) {
    record->taskId = taskIdSelf();
    record->code = code;
    if (uListAppend(gModule.errors, record) == 0) return;
    uFree(record);
  }
  tarvoPrintErrorLog(kTagTree, "%s: Nc error info malloc failed!", __func__);
}

int ncGetError(void) {
  if (gModule.errors == nullptr) {
    tarvoPrintWarnLog(kTagTree, "%s: Nc error list not initialized!", __func__);
    return NC_ERR_LIST_NOT_READY;
  }
  nc::ModuleLock lock;
  const ErrorRecord *record = RecordOfThisThread();
  return record != nullptr ? record->code : NC_ERR_NONE_RECORDED;
}

}  // extern "C"
