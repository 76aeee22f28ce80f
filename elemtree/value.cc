// Value access and instance deletion by dotted name: the element hooks run
// under the tree lock, and the tree's real-dot-name resolver may send the
// operation to another dot name, which is then redone without that lock.
#include <cstdio>
#include <cstring>

#include "calls.h"
#include "list.h"
#include "lock.h"
#include "nc_log.h"
#include "ncExec.h"
#include "ncPath.h"
#include "paths.h"
#include "text.h"

using nc::Items;
using nc::kPathSize;
using nc::kTagTree;

namespace {

// dotName followed directly by tail, or false when that does not fit in
// kPathSize bytes: a cut name could name the element itself again.
bool JoinDotName(char (&joined)[kPathSize], const char *dotName, const char *tail) {
  int length = std::snprintf(joined, kPathSize, "%s%s", dotName, tail);
  return length > 0 && length < kPathSize;
}

// The value a resolver is given when one instance is deleted: for the "$N"
// element itself, its parent's value followed by ".$N". False when that
// parent or its value is absent.
bool InstanceResolverValue(const ncElement *element, char (&value)[kPathSize]) {
  if (element->name == nullptr || std::strcmp(element->name, "$N") != 0) {
    uStrSafeCopy(value, kPathSize, element->value);
    return true;
  }
  if (element->parent == nullptr || element->parent->value == nullptr) return false;
  std::snprintf(value, kPathSize, "%s.$N", element->parent->value);
  return true;
}

// Deletes every instance below element, whose dot name ends with '.': each
// child not named "$N" by its own name, and each instance a "$N" child counts,
// from the last to the first. The result of the last deletion, or 0.
int DeleteInstancesBelow(ncElement *element, const char *dotName) {
  int result = 0;
  char childName[kPathSize];
  for (ncElement *child : Items<ncElement>(element->childList)) {
    if (child->name == nullptr) continue;  // no name to delete it by
    if (std::strcmp(child->name, "$N") != 0) {
      if (JoinDotName(childName, dotName, child->name)) result = ncDelInstance(childName);
      continue;
    }
    if (child->getFunc == nullptr) continue;
    for (int k = nc::CustomInstanceCount(child, 6); k >= 1; --k) {
      char number[16];
      std::snprintf(number, sizeof number, "%d", k);
      ncSetElementValue(child, number);
      if (JoinDotName(childName, dotName, number)) result = ncDelInstance(childName);
    }
  }
  return result;
}

// Reaches the element dotName names for a value access: under its tree's
// lock, after the tree's resolver, it runs apply(element, resolver result);
// when the resolver names another dot name, the lock is given back and
// redo(real name) runs instead. -1 when the tree or the element is missing
// or the resolver fails.
template <typename Apply, typename Redo>
int OnResolvedElement(const char *operation, const char *dotName, nc::MissingElement missing, Apply apply,
                      Redo redo) {
  ncHandle *tree = nc::FindTreeOrFail(operation, dotName, nc::MissingTree::kInformation);
  if (tree == nullptr) return -1;
  nc::TreeLock lock(tree);
  ncElement *element = nc::FindElementOrFail(tree, operation, dotName, missing);
  if (element == nullptr) return -1;
  nc::RealDotName real = nc::ResolveDotName(tree, dotName, element->value);
  if (real.failed()) {
    tarvoPrintDebugLog(kTagTree, "%s: get real dotName error!", operation);
    return -1;
  }
  if (real.redirected) {
    lock.Release();
    return redo(real.name);
  }
  return apply(element, real.result);
}

}  // namespace

extern "C" {

int ncGetValue(const char *dotName, char *buffer, int size) {
  if (buffer == nullptr || size < 1) {
    ncSetError(NC_ERR_INVALID_PARAM);
    tarvoPrintWarnLog(kTagTree, "%s: Invalid parameter! dotName=[%s], buffer=[%s], size=[%d]", __func__,
                      nc::Presence(dotName), nc::Presence(buffer), size);
    return -1;
  }
  return OnResolvedElement(
      __func__, dotName, nc::MissingElement::kNotSupport,
      [&](ncElement *element, int resolved) {
        if (element->getFunc != nullptr) {
          nc::CallGetFunc(element->getFunc, dotName, buffer, size);
          // Out of memory, the element keeps the value it had.
          if (char *copy = uStrGetCopy(buffer)) nc::ReplaceText(element->value, copy);
        } else {
          uStrSafeCopy(buffer, size, element->value);
        }
        return resolved;
      },
      [&](const char *realName) { return ncGetValue(realName, buffer, size); });
}

int ncSetValue(const char *dotName, const char *value) {
  return OnResolvedElement(
      __func__, dotName, nc::MissingElement::kNoSuchName,
      [&](ncElement *element, int) {
        // The hook runs while the element still holds the old value.
        if (element->setFunc != nullptr) element->setFunc(dotName, value);
        char *copy = uStrGetCopy(value);
        if (value != nullptr && copy == nullptr) return -1;  // the old value stays
        nc::ReplaceText(element->value, copy);
        return 0;
      },
      [&](const char *realName) { return ncSetValue(realName, value); });
}

int ncDelInstance(const char *dotName) {
  ncHandle *tree = nc::FindTreeOrFail(__func__, dotName, nc::MissingTree::kWarning);
  if (tree == nullptr) return -1;
  nc::TreeLock lock(tree);
  ncElement *element = nc::FindElementOrFail(tree, __func__, dotName, nc::MissingElement::kNoSuchName);
  if (element == nullptr) return -1;
  size_t length = std::strlen(dotName);
  if (length > 0 && dotName[length - 1] == '.') return DeleteInstancesBelow(element, dotName);

  nc::RealDotName real;
  if (tree->realDotNameFunc != nullptr) {
    char value[kPathSize];
    if (!InstanceResolverValue(element, value)) return -1;
    real = nc::ResolveDotName(tree, dotName, value);
    if (real.failed()) {
      tarvoPrintDebugLog(kTagTree, "%s: failed to get real dotName!", __func__);
      return -1;
    }
    if (real.redirected) {
      lock.Release();
      return ncDelInstance(real.name);
    }
  }
  if (element->delFunc != nullptr) element->delFunc(dotName);
  nc::ReplaceText(element->value, nullptr);
  return real.result;
}

}  // extern "C"
