// Finding elements by dotted name, and finding or creating every element
// along one. The start element is the one the first component names.
#include <cstring>
#include <strings.h>

#include "list.h"
#include "lock.h"
#include "nc_log.h"
#include "ncPath.h"
#include "paths.h"
#include "text.h"

using nc::DotNameHead;
using nc::Items;
using nc::kTagElement;

namespace {

// An instance number takes at most 7 characters of its component when more
// of the dotted name follows.
constexpr int kInstanceNumberChars = 7;

ncElement *SearchChildren(ncElement *parent, const char *rest) {
  for (ncElement *child : Items<ncElement>(parent->childList)) {
    if (ncElement *found = ncSearchElement(child, rest)) return found;
  }
  return nullptr;
}

// Whether a custom instance element takes the instance number of head, and
// if so makes it the instance it stands for. With a getFunc that reports
// instances, any number from 1 to the count is taken and stored as the
// element's value; otherwise the stored value must be that number.
bool TakesInstance(ncElement *instance, const DotNameHead &head) {
  char digits[nc::kNameSize];
  uStrnSafeCopy(digits, nc::kNameSize, head.name, head.dot != nullptr ? kInstanceNumberChars : nc::kNameSize);
  int number = nc::ReadNumber(digits);
  if (number == 0) return false;
  int count = nc::CustomInstanceCount(instance, 8);
  if (count > 0) {
    if (number < 1 || number > count) return false;
    return nc::SetInstanceNumber(instance, number) == 0;
  }
  return instance->value != nullptr && nc::ReadNumber(instance->value) == number;
}

// A new element named name (at most 63 characters, as a dotted name can
// reach it), attached to parent; null when it could not be made or attached.
ncElement *AddNewChild(ncElement *parent, const char *name) {
  char cut[nc::kNameSize];
  uStrSafeCopy(cut, nc::kNameSize, name);
  return nc::AppendNewChild(parent, cut);
}

void LogInvalidTreeCall(const char *operation, const ncHandle *handle, const char *dotName) {
  tarvoPrintErrorLog(nc::kTagTree, "%s: Invalid parameter! ncHandle=[%s], dotName=[%s]", operation,
                     nc::Presence(handle), nc::Presence(dotName));
}

}  // namespace

extern "C" {

ncElement *ncSearchElement(ncElement *start, const char *dotName) {
  if (start == nullptr || dotName == nullptr || start->name == nullptr) return nullptr;
  DotNameHead head = nc::SplitDotName(dotName);
  if (strcasecmp(head.name, start->name) == 0) return head.HasRest() ? SearchChildren(start, head.rest) : start;
  if (!nc::IsCustomInstance(start) || !TakesInstance(start, head)) return nullptr;
  if (head.HasRest()) return SearchChildren(start, head.rest);
  return start->value != nullptr && std::strcmp(start->value, head.name) == 0 ? start : nullptr;
}

ncElement *ncElementAddByName(ncElement *start, const char *dotName) {
  if (start == nullptr || dotName == nullptr) {
    tarvoPrintInfoLog(kTagElement, "%s: Invalid param!", __func__);
    return nullptr;
  }
  DotNameHead head = nc::SplitDotName(dotName);
  if (start->name == nullptr || strcasecmp(start->name, head.name) != 0) {
    tarvoPrintInfoLog(kTagElement, "%s: start element not match, start name=[%s], dotname=[%s]!", __func__,
                      start->name != nullptr ? start->name : "", dotName);
    return nullptr;
  }
  if (head.dot == nullptr) {
    if (std::strcmp(start->name, head.name) == 0) return start;
    // The names differ in letter case only: a sibling of that spelling. A
    // root has no siblings, and the name names it.
    if (start->parent == nullptr) return start;
    return AddNewChild(start->parent, head.name);
  }
  DotNameHead next = nc::SplitDotName(head.rest);
  for (ncElement *child : Items<ncElement>(start->childList)) {
    if (child->name != nullptr && strcasecmp(child->name, next.name) == 0) return ncElementAddByName(child, head.rest);
  }
  if (next.dot != nullptr) {
    ncElement *child = AddNewChild(start, next.name);
    return child != nullptr ? ncElementAddByName(child, head.rest) : nullptr;
  }
  if (*head.rest != '\0') return AddNewChild(start, head.rest);
  tarvoPrintInfoLog(kTagElement, "%s: End with '.'; do not add the last element!", __func__);
  return nullptr;
}

ncElement *ncGetElementByName(ncHandle *handle, const char *dotName) {
  if (handle == nullptr || dotName == nullptr) {
    LogInvalidTreeCall(__func__, handle, dotName);
    return nullptr;
  }
  nc::TreeLock lock(handle);
  return ncSearchElement(handle->root, dotName);
}

ncElement *ncAddElementByName(ncHandle *handle, const char *dotName) {
  if (handle == nullptr || dotName == nullptr) {
    LogInvalidTreeCall(__func__, handle, dotName);
    return nullptr;
  }
  nc::TreeLock lock(handle);
  if (handle->root == nullptr) {
    DotNameHead head = nc::SplitDotName(dotName);
    handle->root = ncCreateElement(head.name);
    if (handle->root == nullptr || head.dot == nullptr) return handle->root;
  }
  return ncElementAddByName(handle->root, dotName);
}

}  // extern "C"
