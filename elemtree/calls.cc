// Pieces shared by the operations that reach an element by dotted name.
#include "calls.h"

#include <cstring>

#include "list.h"
#include "nc_log.h"
#include "ncPath.h"

namespace nc {

ArgList::~ArgList() {
  while (ItemCount(list_) > 0) uFree(uListRemove(list_, 0));
  uListUninit(list_);
}

bool ArgList::Append(ncWord word) {
  if (list_ == nullptr) return false;
  auto *cell = static_cast<ncWord *>(uMalloc(sizeof(ncWord)));
  if (cell == nullptr) return false;
  *cell = word;
  if (uListAppend(list_, cell) == 0) return true;
  uFree(cell);
  return false;
}

RealDotName ResolveDotName(const ncHandle *tree, const char *dotName, const char *value) {
  RealDotName real;
  if (tree->realDotNameFunc == nullptr) return real;
  char valueCopy[kPathSize];
  uStrSafeCopy(valueCopy, kPathSize, value);
  real.result = tree->realDotNameFunc(dotName, valueCopy, real.name, kPathSize);
  real.name[kPathSize - 1] = '\0';
  real.redirected = !real.failed() && std::strcmp(real.name, dotName) != 0;
  return real;
}

ncHandle *FindTreeOrFail(const char *operation, const char *dotName, MissingTree report) {
  ncHandle *tree = ncFindHandleByName(dotName);
  if (tree == nullptr) {
    ncSetError(NC_ERR_NO_TREE);
    const char *shown = dotName != nullptr ? dotName : "";
    if (report == MissingTree::kInformation) {
      tarvoPrintInfoLog(kTagTree, "%s: dotName is [%s], no Nc support!", operation, shown);
    } else {
      tarvoPrintWarnLog(kTagTree, "%s: dotName is [%s], no Nc support!", operation, shown);
    }
  }
  return tree;
}

ncElement *FindElementOrFail(const ncHandle *tree, const char *operation, const char *dotName, MissingElement report) {
  ncElement *element = ncSearchElement(tree->root, dotName);
  if (element == nullptr) {
    ncSetError(NC_ERR_NO_ELEMENT);
    tarvoPrintWarnLog(kTagTree,
                      report == MissingElement::kNotSupport ? "%s: dotName is [%s], not support!"
                                                            : "%s: dotName is [%s], no such name!",
                      operation, dotName);
  }
  return element;
}

}  // namespace nc
