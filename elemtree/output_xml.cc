// The XML writer: one tag per element, leaves on one line, branches with
// their children indented 4 blanks more, and tables written as one tag per
// instance, named like the table and carrying index="n", which is what the
// XML reader takes back.
#include <cstdint>
#include <cstring>

#include "instances.h"
#include "list.h"
#include "nc_log.h"
#include "output_internal.h"
#include "paths.h"
#include "text.h"

using nc::Items;

namespace {

// Keys the XML leaves out: they describe the element to the library, not to
// the document.
bool IsLeftOutOfXml(const char *key) {
  static constexpr const char *kKeys[] = {"exec", "get", "set", "instance", "prefix", "level", "origin"};
  for (const char *left : kKeys) {
    if (std::strcmp(key, left) == 0) return true;
  }
  return false;
}

// How an element is written: kind 0 under its own name; instances (1
// automatic, 2 custom) as a tag of their table, carrying the instance number.
enum class Kind { kPlain, kAutomatic, kCustom };

Kind KindOf(const ncElement *element) {
  if (nc::IsAutomaticInstance(element)) return Kind::kAutomatic;
  if (nc::IsCustomInstance(element)) return Kind::kCustom;
  return Kind::kPlain;
}

const char *TextOrEmpty(const char *text) { return text != nullptr ? text : ""; }

// Appends text with & < > " ' escaped, whole: a value is never cut, so it
// reads back as it was.
bool AppendEscaped(ncOutputBuf *output, const char *text) {
  size_t length = std::strlen(text);
  constexpr size_t kLongestEscape = 6;  // &quot;
  if (length == 0) return true;
  if (length > static_cast<size_t>(INT32_MAX) / kLongestEscape ||
      !nc::EnsureFree(output, static_cast<long long>(length * kLongestEscape)))
    return false;
  char *at = output->text + output->used;
  std::memcpy(at, text, length + 1);
  uStrReplaceXml(at, output->capacity - output->used, 0);
  output->used += static_cast<int>(std::strlen(at));
  return true;
}

bool AppendBlanks(ncOutputBuf *output, int count) {
  if (count < 1) return true;
  if (!nc::EnsureFree(output, count)) return false;
  std::memset(output->text + output->used, ' ', static_cast<size_t>(count));
  output->used += count;
  output->text[output->used] = '\0';
  return true;
}

// Whether an earlier attribute of the element has the same key.
bool IsRepeatedKey(const ncElement *element, const ncAttr *attr) {
  for (const ncAttr *earlier : Items<ncAttr>(element->attrList)) {
    if (earlier == attr) return false;
    if (earlier->key != nullptr && std::strcmp(earlier->key, attr->key) == 0) return true;
  }
  return false;
}

// The attributes of a start tag: key="value", values escaped. A key appears
// once in a tag (a document with a repeated one is not well-formed): of
// repeated "param" attributes the first is written, and an instance's own
// "index" gives way to its number.
bool AppendAttributes(ncOutputBuf *output, const ncElement *element, Kind kind) {
  for (const ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key == nullptr || IsLeftOutOfXml(attr->key) || IsRepeatedKey(element, attr)) continue;
    if (kind != Kind::kPlain && std::strcmp(attr->key, "index") == 0) continue;
    if (nc::AppendFormat(output, " %s=\"", attr->key) < 0 || !AppendEscaped(output, TextOrEmpty(attr->value)) ||
        nc::AppendFormat(output, "\"") < 0)
      return false;
  }
  return true;
}

// The name an element's tags carry: its own, or for an instance its table's.
const char *TagName(const ncElement *element, Kind kind) {
  if (kind != Kind::kPlain && element->parent != nullptr) return TextOrEmpty(element->parent->name);
  return TextOrEmpty(element->name);
}

bool AppendStartTag(ncOutputBuf *output, const ncElement *element, Kind kind, int indent) {
  if (!AppendBlanks(output, indent)) return false;
  if (nc::AppendFormat(output, "<%s", TagName(element, kind)) < 0) return false;
  if (kind != Kind::kPlain) {
    const char *number = kind == Kind::kAutomatic ? element->name : element->value;
    if (nc::AppendFormat(output, " index=\"") < 0 || !AppendEscaped(output, TextOrEmpty(number)) ||
        nc::AppendFormat(output, "\"") < 0)
      return false;
  }
  return AppendAttributes(output, element, kind) && nc::AppendFormat(output, ">") >= 0;
}

// A leaf's text: its getFunc's when it has one, otherwise its value.
bool AppendLeafText(ncOutputBuf *output, ncElement *element) {
  if (element->getFunc == nullptr) return AppendEscaped(output, TextOrEmpty(element->value));
  nc::ComposeFullDotName(element, output->pathBuf, nc::kPathSize);
  output->valueBuf[0] = '\0';
  nc::CallGetFunc(element->getFunc, output->pathBuf, output->valueBuf, nc::kPathSize);
  return AppendEscaped(output, output->valueBuf);
}

// A child fails only when the text cannot grow; the whole output then fails,
// so that a cut text is never taken for the tree.
int WriteChildren(ncElement *element, ncOutputBuf *output, int indent) {
  ncElement *first = nc::FirstChild(element);
  if (nc::IsCustomInstance(first)) {
    // A table with a custom instance element: it is written once per instance.
    int count = nc::CustomInstanceCount(first, 8);
    for (int i = 1; i <= count; ++i) {
      nc::SetInstanceNumber(first, i);
      if (nc::WriteXml(first, output, indent) != 0) return -1;
    }
    return 0;
  }
  for (ncElement *child : Items<ncElement>(element->childList)) {
    if (nc::WriteXml(child, output, indent) != 0) return -1;
  }
  return 0;
}

int Failed() {
  tarvoPrintErrorLog(nc::kTagOutput, "%s: apply memory failed!", "ncOutputElementToXmlRecursive");
  return -1;
}

}  // namespace

namespace nc {

int WriteXml(ncElement *element, ncOutputBuf *output, int indent) {
  if (element == nullptr) return -1;
  ncHandle *handle = output->handle;
  if (handle->outputRecursiveFunc != nullptr && handle->outputRecursiveFunc(element, output, indent) == 0) return 0;
  Kind kind = KindOf(element);
  if (kind != Kind::kPlain) indent -= 4;  // an instance is written at its table's level
  bool hasChildren = ItemCount(element->childList) > 0;
  if (IsInstanceChild(FirstChild(element))) {
    // A table: only its instances are written, each as a tag of the table.
    return WriteChildren(element, output, indent + 4);
  }
  if (!AppendStartTag(output, element, kind, indent)) return Failed();
  if (hasChildren) {
    if (AppendFormat(output, "\r\n") < 0) return Failed();
    if (WriteChildren(element, output, indent + 4) != 0) return -1;
    if (!AppendBlanks(output, indent)) return Failed();
  } else if (!AppendLeafText(output, element)) {
    return Failed();
  }
  if (AppendFormat(output, "</%s>\r\n", TagName(element, kind)) < 0) return Failed();
  return 0;
}

}  // namespace nc
