// Elements and attributes. No operation here takes a lock or keeps state
// outside the element.
#include <cstring>
#include <strings.h>

#include "layout.h"
#include "list.h"
#include "nc_log.h"
#include "ncElement.h"
#include "text.h"

NC_ASSERT_WORD(ncElement, name, 0);
NC_ASSERT_WORD(ncElement, value, 1);
NC_ASSERT_WORD(ncElement, attrList, 2);
NC_ASSERT_WORD(ncElement, parent, 3);
NC_ASSERT_WORD(ncElement, childList, 4);
NC_ASSERT_WORD(ncElement, execFunc, 5);
NC_ASSERT_WORD(ncElement, setFunc, 6);
NC_ASSERT_WORD(ncElement, getFunc, 7);
NC_ASSERT_WORD(ncElement, delFunc, 8);
NC_ASSERT_WORDS(ncElement, 9);
NC_ASSERT_WORD(ncAttr, key, 0);
NC_ASSERT_WORD(ncAttr, value, 1);
NC_ASSERT_WORDS(ncAttr, 2);

using nc::Items;
using nc::kTagElement;
using nc::Presence;

namespace {

// A copy of name without any blank, or null (out of memory).
char *CopyNameWithoutBlanks(const char *name) {
  char *copy = uStrGetCopy(name);
  if (copy != nullptr) uStrReplaceKey(copy, static_cast<int>(std::strlen(name)) + 1, " ", "");
  return copy;
}

// A copy of an attribute value: null stands for an absent or empty value.
// False when a value to keep could not be copied.
bool CopyAttrValue(const char *value, char **copy) {
  *copy = nullptr;
  if (value == nullptr || *value == '\0') return true;
  *copy = uStrGetCopy(value);
  return *copy != nullptr;
}

bool SameAttrValue(const char *a, const char *b) {
  bool aEmpty = a == nullptr || *a == '\0';
  bool bEmpty = b == nullptr || *b == '\0';
  if (aEmpty || bEmpty) return aEmpty && bEmpty;
  return std::strcmp(a, b) == 0;
}

void FreeAttr(ncAttr *attr) {
  uFree(attr->key);
  uFree(attr->value);
  uFree(attr);
}

// Appends a new attribute record holding a copy of key and the value copy
// (taken over, also on failure).
int AppendAttr(ncElement *element, const char *key, char *valueCopy) {
  if (element->attrList == nullptr) element->attrList = uListInit(0);
  auto *attr = static_cast<ncAttr *>(uMalloc(sizeof(ncAttr)));
  if (attr != nullptr) {
    attr->key = uStrGetCopy(key);
    attr->value = valueCopy;
    valueCopy = nullptr;
    if (attr->key != nullptr && uListAppend(element->attrList, attr) == 0) return 0;
    FreeAttr(attr);
  }
  uFree(valueCopy);
  tarvoPrintErrorLog(kTagElement, "%s: malloc nc element attribute failed!", "ncSetElementAttr");
  return -1;
}

}  // namespace

extern "C" {

NC_EXPORT int gReserveKeyNum = 5;

ncElement *ncCreateElement(const char *name) {
  auto *element = static_cast<ncElement *>(uMalloc(sizeof(ncElement)));
  if (element != nullptr) {
    element->attrList = uListInit(0);
    element->childList = uListInit(0);
  }
  if (element == nullptr || element->attrList == nullptr || element->childList == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: no more resource available!", __func__);
    if (element != nullptr) ncDestroyElement(element);
    return nullptr;
  }
  if (name == nullptr || *name == '\0') {
    ncDestroyElement(element);
    return nullptr;
  }
  // An element always has a name unless one is cleared later: a failed copy
  // fails the creation.
  element->name = CopyNameWithoutBlanks(name);
  if (element->name == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: no more resource available!", __func__);
    ncDestroyElement(element);
    return nullptr;
  }
  return element;
}

void ncDestroyElement(ncElement *element) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!", __func__);
    return;
  }
  uFree(element->name);
  uFree(element->value);
  while (nc::ItemCount(element->attrList) > 0) FreeAttr(static_cast<ncAttr *>(uListRemove(element->attrList, 0)));
  uListUninit(element->attrList);
  if (nc::ItemCount(element->childList) > 0)
    tarvoPrintErrorLog(kTagElement, "%s: Destroy Element with child lossed!", __func__);
  uListUninit(element->childList);
  std::memset(element, 0, sizeof *element);
  uFree(element);
}

void ncRecursiveDestroyElement(ncElement *element) {
  if (element == nullptr) return;
  while (nc::ItemCount(element->childList) > 0)
    ncRecursiveDestroyElement(static_cast<ncElement *>(uListRemove(element->childList, 0)));
  uListUninit(element->childList);
  element->childList = nullptr;
  ncDestroyElement(element);
}

const char *ncGetElementAttr(ncElement *element, const char *key) {
  if (element == nullptr || key == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter! ncElement=[%s], key=[%s]", __func__, Presence(element),
                       Presence(key));
    return nullptr;
  }
  for (ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key != nullptr && std::strcmp(attr->key, key) == 0) return attr->value;
  }
  return nullptr;
}

int ncSetElementAttr(ncElement *element, const char *key, const char *value) {
  if (element == nullptr || key == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter! ncElement=[%s], key=[%s]", __func__, Presence(element),
                       Presence(key));
    return -1;
  }
  bool isParam = std::strcmp(key, "param") == 0;
  for (ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key == nullptr) continue;
    if (isParam) {
      // A declared parameter is held once: a value that any attribute
      // already holds is not added again.
      if (SameAttrValue(attr->value, value)) return 0;
    } else if (std::strcmp(attr->key, key) == 0) {
      char *copy = nullptr;
      if (!CopyAttrValue(value, &copy)) return -1;  // the old value stays
      nc::ReplaceText(attr->value, copy);
      return 0;
    }
  }
  char *copy = nullptr;
  if (!CopyAttrValue(value, &copy)) {
    tarvoPrintErrorLog(kTagElement, "%s: malloc nc element attribute failed!", __func__);
    return -1;
  }
  return AppendAttr(element, key, copy);
}

int ncRemoveElementAttr(ncElement *element, const char *key) {
  if (element == nullptr || key == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter! ncElement=[%s], key=[%s]", __func__, Presence(element),
                       Presence(key));
    return -1;
  }
  for (int i = 0; uListEol(element->attrList, i) == 0;) {
    auto *attr = static_cast<ncAttr *>(uListGet(element->attrList, i));
    if (attr->key != nullptr && std::strcmp(attr->key, key) == 0) {
      FreeAttr(static_cast<ncAttr *>(uListRemove(element->attrList, i)));
    } else {
      ++i;
    }
  }
  return 0;
}

int ncGetElementAttrNum(ncElement *element) {
  if (element == nullptr || element->attrList == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter! ncElement=[%s], attrList=[%s]", __func__,
                       Presence(element), element != nullptr ? Presence(element->attrList) : "NULL");
    return 0;
  }
  return nc::ItemCount(element->attrList);
}

int ncGetElementParamAttrNum(ncElement *element) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!\n", __func__);
    return 0;
  }
  int count = 0;
  for (ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key != nullptr && strcasecmp(attr->key, "param") == 0) ++count;
  }
  return count;
}

const char *ncGetElementName(ncElement *element) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!\n", __func__);
    return nullptr;
  }
  return element->name;
}

int ncSetElementName(ncElement *element, const char *name) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!\n", __func__);
    return -1;
  }
  char *copy = nullptr;
  if (name != nullptr && *name != '\0') {
    copy = CopyNameWithoutBlanks(name);
    if (copy == nullptr) return -1;  // the old name stays
  }
  nc::ReplaceText(element->name, copy);
  return 0;
}

const char *ncGetElementValue(ncElement *element) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!", __func__);
    return nullptr;
  }
  return element->value;
}

int ncSetElementValue(ncElement *element, const char *value) {
  if (element == nullptr) return -1;
  char *copy = nullptr;
  if (value != nullptr) {
    // Copied before the old value is freed: value may be the old value itself.
    copy = uStrGetCopy(value);
    if (copy == nullptr) return -1;  // the old value stays
    uStrStripCrlf(copy);
  }
  nc::ReplaceText(element->value, copy);
  return 0;
}

int ncElementAddChild(ncElement *parent, ncElement *child) {
  if (parent == nullptr || child == nullptr) {
    tarvoPrintWarnLog(kTagElement, "%s: invalid parameter!", __func__);
    return -1;
  }
  if (parent->childList == nullptr) parent->childList = uListInit(0);
  if (uListAppend(parent->childList, child) != 0) return -1;  // not attached
  child->parent = parent;
  return 0;
}

void ncElementShow(ncElement * /*element*/) {}

int ncGetElementDeepth(ncElement *element) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!", __func__);
    return 0;
  }
  int depth = 1;
  for (const ncElement *up = element->parent; up != nullptr; up = up->parent) ++depth;
  return depth;
}

}  // extern "C"
