// Paths of elements: ancestor paths, full dot names and dot descriptions
// (one element as a line of dot text), and handing a value to its hook.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "calls.h"
#include "list.h"
#include "nc_log.h"
#include "ncHandle.h"
#include "ncPath.h"
#include "paths.h"
#include "text.h"

using nc::Items;
using nc::kPathSize;
using nc::kTagElement;
using nc::TextBuilder;

namespace nc {
namespace {

// The element's own component of its full dot name: its name, or for a
// custom instance element its value (nothing when absent).
void AppendOwnComponent(const ncElement *element, TextBuilder &name) {
  if (IsCustomInstance(element)) {
    if (element->value != nullptr) name.Append("%s", element->value);
  } else {
    name.Append("%s", element->name != nullptr ? element->name : "");
  }
}

}  // namespace

bool IsCustomInstance(const ncElement *element) { return element != nullptr && IsCustomInstanceName(element->name); }

int ComposeFullDotName(ncElement *element, char *buffer, int size) {
  TextBuilder name(buffer, size, ncGetElementAncestorPath(element, buffer, size));
  AppendOwnComponent(element, name);
  return name.length();
}

void ComposeParentDotName(ncElement *element, char (&buffer)[kPathSize]) {
  ncGetElementAncestorPath(element, buffer, kPathSize);
  size_t length = std::strlen(buffer);
  if (length > 0 && buffer[length - 1] == '.') buffer[length - 1] = '\0';
}

int SetInstanceNumber(ncElement *instance, long long number) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", number);
  return ncSetElementValue(instance, text);
}

ncElement *AppendNewChild(ncElement *parent, const char *name) {
  ncElement *child = ncCreateElement(name);
  if (child == nullptr) return nullptr;
  if (ncElementAddChild(parent, child) != 0) {
    ncDestroyElement(child);
    return nullptr;
  }
  return child;
}

void CallGetFunc(ncGetFunc getFunc, const char *dotName, char *buffer, int size) {
  getFunc(dotName, buffer, size);
  if (buffer != nullptr && size > 0) buffer[size - 1] = '\0';
}

int CustomInstanceCount(ncElement *instance, int bufferSize) {
  if (instance->getFunc == nullptr) return 0;
  char parent[kPathSize];
  ComposeParentDotName(instance, parent);
  char count[kPathSize] = {};
  CallGetFunc(instance->getFunc, parent, count, bufferSize < kPathSize ? bufferSize : kPathSize);
  return ReadNumber(count);
}

}  // namespace nc

namespace {

bool IsLeftOutOfDescription(const char *key) {
  return std::strcmp(key, "param") == 0 || std::strcmp(key, "level") == 0 || std::strcmp(key, "origin") == 0;
}

// " = value" of a leaf with a getFunc: the value is fetched through the
// tree's real-dot-name resolver when it has one (the stored value stays),
// otherwise by the full dot name, and then stored.
void AppendFetchedValue(ncElement *element, const char *fullDotName, TextBuilder &line) {
  char value[kPathSize] = {};
  ncHandle *tree = ncFindHandleByName(fullDotName);
  if (tree != nullptr && tree->realDotNameFunc != nullptr) {
    nc::RealDotName real = nc::ResolveDotName(tree, fullDotName, element->value);
    nc::CallGetFunc(element->getFunc, real.name, value, kPathSize);
    line.Append(" = %s", value);
    return;
  }
  nc::CallGetFunc(element->getFunc, fullDotName, value, kPathSize);
  ncSetElementValue(element, value);
  line.Append(" = %s", element->value != nullptr ? element->value : "");
}

void AppendParameterList(const ncElement *element, TextBuilder &line) {
  line.Append("(");
  bool first = true;
  for (const ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key == nullptr || std::strcmp(attr->key, "param") != 0) continue;
    line.Append(first ? "%s" : ", %s", attr->value != nullptr ? attr->value : "");
    first = false;
  }
  line.Append(")");
}

void AppendAttributes(const ncElement *element, TextBuilder &line) {
  bool first = true;
  for (const ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key == nullptr || IsLeftOutOfDescription(attr->key)) continue;
    line.Append(first ? "?%s=%s" : ", %s=%s", attr->key, attr->value != nullptr ? attr->value : "");
    first = false;
  }
}

}  // namespace

extern "C" {

void ncComposeElementPath(ncElement *element, uListId list) {
  if (element == nullptr || list == nullptr) return;
  for (ncElement *up = element->parent; up != nullptr; up = up->parent) uListAdd(list, up, 0);
}

// The ancestors are visited root first by walking up from the element again
// for each level: paths are short, and the walk needs no memory, so it cannot
// fail and give a wrong path.
int ncGetElementAncestorPath(ncElement *element, char *buffer, int size) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!", __func__);
    return 0;
  }
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  int depth = 0;
  for (const ncElement *up = element->parent; up != nullptr; up = up->parent) ++depth;
  TextBuilder path(buffer, size);
  for (int level = depth; level >= 1 && path.HasRoom(); --level) {
    const ncElement *ancestor = element;
    for (int step = 0; step < level; ++step) ancestor = ancestor->parent;
    if (ancestor->name == nullptr) {
      tarvoPrintWarnLog(kTagElement, "%s: Branch element without name!", __func__);
    } else if (!nc::IsCustomInstanceName(ancestor->name)) {
      path.Append("%s.", ancestor->name);
    } else if (ancestor->value == nullptr) {
      tarvoPrintWarnLog(kTagElement, "%s: Custom instance[%s] value is NULL!", __func__, buffer);
    } else {
      path.Append("%s.", ancestor->value);
    }
  }
  return path.length();
}

int ncGetElementDotName(ncElement *element, char **text, int *size) {
  if (element == nullptr || text == nullptr) return 0;
  *text = nullptr;
  if (size != nullptr) *size = 0;
  auto *block = static_cast<char *>(uMalloc(kPathSize));
  if (block == nullptr) return 0;
  ncGetElementAncestorPath(element, block, kPathSize);
  int used = static_cast<int>(std::strlen(block));
  // The name itself, "$N" included, as stored.
  TextBuilder name(block + used, kPathSize - used);
  name.Append("%s", element->name != nullptr ? element->name : "");
  *text = block;
  if (size != nullptr) *size = kPathSize;
  return name.length();
}

void ncGetElementNameFromDotName(const char *dotName, char *buffer, int size) {
  if (dotName == nullptr || buffer == nullptr || size < 1) return;
  std::memset(buffer, 0, static_cast<size_t>(size));
  const char *dot = std::strchr(dotName, '.');
  if (dot != nullptr) {
    uStrnSafeCopy(buffer, size, dotName, static_cast<int>(dot - dotName));
  } else {
    uStrSafeCopy(buffer, size, dotName);
  }
}

int ncGetElementDotDescription(ncElement *element, char *buffer, int size, int flags) {
  if (element == nullptr) {
    tarvoPrintErrorLog(kTagElement, "%s: Invalid parameter!", __func__);
    return 0;
  }
  int pathLength = ncGetElementAncestorPath(element, buffer, size);
  if (buffer == nullptr || pathLength >= size) {
    tarvoPrintWarnLog(kTagElement, "%s: Can not compose dot description finish! because %s.", __func__,
                      buffer == nullptr ? "path is null" : "path buffer is full");
    tarvoPrintWarnLog(kTagElement, "%s: path=[%s]", __func__, nc::Shown(buffer));
    return pathLength;
  }
  TextBuilder line(buffer, size, pathLength);
  nc::AppendOwnComponent(element, line);
  if (nc::ItemCount(element->childList) > 0) return line.length();  // a branch: its name only

  if ((flags & NC_DOT_VALUE) != 0) {
    if (element->execFunc != nullptr) {
      AppendParameterList(element, line);
    } else if (element->getFunc == nullptr) {
      line.Append(" = %s", element->value != nullptr ? element->value : "");
    } else {
      // The line so far is the full dot name; composed again (and its
      // warnings logged again) only when the caller's buffer cut it.
      char fullDotName[kPathSize];
      if (line.length() < size && line.length() < kPathSize) {
        std::memcpy(fullDotName, buffer, static_cast<size_t>(line.length()) + 1);
      } else {
        nc::ComposeFullDotName(element, fullDotName, kPathSize);
      }
      AppendFetchedValue(element, fullDotName, line);
    }
  }
  if ((flags & NC_DOT_ATTR) != 0) AppendAttributes(element, line);
  return line.length();
}

void ncElementValueTakeEffect(ncElement *element) {
  if (element == nullptr || element->setFunc == nullptr) return;
  char fullDotName[kPathSize];
  nc::ComposeFullDotName(element, fullDotName, kPathSize);
  element->setFunc(fullDotName, element->value);
}

}  // extern "C"
