// Tables as the readers and writers see them: an element whose children are
// instances, either automatic instance elements (named 1, 2, ... and
// carrying the attribute "instance") or one custom instance element "$N".
#ifndef ELEMTREE_INSTANCES_H
#define ELEMTREE_INSTANCES_H

#include <cstring>

#include "list.h"
#include "ncElement.h"
#include "paths.h"

namespace nc {

// Whether the element carries an attribute of that key, with or without value.
inline bool HasAttr(const ncElement *element, const char *key) {
  for (const ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key != nullptr && std::strcmp(attr->key, key) == 0) return true;
  }
  return false;
}

inline bool IsAutomaticInstance(const ncElement *element) { return HasAttr(element, "instance"); }

inline bool IsInstanceChild(const ncElement *element) {
  return element != nullptr && (IsCustomInstance(element) || IsAutomaticInstance(element));
}

inline ncElement *FirstChild(const ncElement *element) {
  return static_cast<ncElement *>(uListGet(element->childList, 0));
}

}  // namespace nc

#endif  // ELEMTREE_INSTANCES_H
