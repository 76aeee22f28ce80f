// Shared by the element tree fuzz targets: the library set up once, a tree
// made for each input, and the test whether a tree can be written as XML that
// any reader takes (names that are XML names, texts of printable ASCII, no
// deeper than the reader's level stack).
#pragma once

#include "host/log.h"
#include "ncTree.h"

#include <strings.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzztree {

inline void Init() {
  static bool done = [] {
    hostLogSetThreshold(-1);
    ncInit();
    return true;
  }();
  (void)done;
}

// The input as a NUL-terminated text (bytes after a NUL are cut off).
inline std::string AsText(const uint8_t *data, size_t size) {
  return std::string(reinterpret_cast<const char *>(data), strnlen(reinterpret_cast<const char *>(data), size));
}

// A private tree for one input, destroyed with the log lines it caused.
class Tree {
 public:
  explicit Tree(const char *name) : handle_(ncCreatePrivate(name)) {}
  ~Tree() {
    ncDestroy(handle_);
    hostLogClear();
  }
  Tree(const Tree &) = delete;
  Tree &operator=(const Tree &) = delete;
  ncHandle *get() const { return handle_; }

 private:
  ncHandle *handle_;
};

// Writes the tree in format and frees the text; the length, or -1.
inline long Write(ncHandle *tree, int format) {
  char *text = nullptr;
  if (ncOutputToBuf(tree, &text, format) != 0) return -1;
  long length = static_cast<long>(std::strlen(text));
  uFree(text);
  return length;
}

inline bool IsXmlName(const char *name) {
  if (name == nullptr || !(std::isalpha(static_cast<unsigned char>(*name)) || *name == '_')) return false;
  for (const char *c = name + 1; *c != '\0'; ++c) {
    if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '_' && *c != '-' && *c != '.') return false;
  }
  return true;
}

inline bool IsPrintable(const char *text) {
  for (const char *c = text != nullptr ? text : ""; *c != '\0'; ++c) {
    auto byte = static_cast<unsigned char>(*c);
    if (byte >= 0x7F || (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')) return false;
  }
  return true;
}

inline bool IsInstance(const ncElement *element) {
  if (element->name != nullptr && strcasecmp(element->name, "$N") == 0) return true;
  for (int i = 0; uListEol(element->attrList, i) == 0; ++i) {
    auto *attr = static_cast<ncAttr *>(uListGet(element->attrList, i));
    if (attr->key != nullptr && std::strcmp(attr->key, "instance") == 0) return true;
  }
  return false;
}

inline bool XmlSafe(const ncElement *element, int depth) {
  if (depth > 18) return false;
  // An instance's tags carry its table's name and its own name as a text.
  bool instance = element->parent != nullptr && IsInstance(element);
  if (instance ? !IsPrintable(element->name) || !IsXmlName(element->parent->name) : !IsXmlName(element->name))
    return false;
  if (!IsPrintable(element->value)) return false;
  for (int i = 0; uListEol(element->attrList, i) == 0; ++i) {
    auto *attr = static_cast<ncAttr *>(uListGet(element->attrList, i));
    if (!IsXmlName(attr->key) || !IsPrintable(attr->value)) return false;
  }
  for (int i = 0; uListEol(element->childList, i) == 0; ++i) {
    if (!XmlSafe(static_cast<ncElement *>(uListGet(element->childList, i)), depth + 1)) return false;
  }
  return true;
}

// Whether the XML the library writes for the tree must read back.
inline bool XmlSafe(ncHandle *tree) {
  const ncElement *root = tree->root;
  if (root == nullptr || root->parent != nullptr) return false;
  auto *first = static_cast<ncElement *>(uListGet(root->childList, 0));
  if (first != nullptr && IsInstance(first)) return false;  // a document of several top elements
  return XmlSafe(root, 1);
}

}  // namespace fuzztree
