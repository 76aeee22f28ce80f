// The configuration text writer: a banner line with the version, sections in
// angle brackets, one column-aligned "label:value" line per setting, and
// headings for groups and for the numbered entries of tables. Every line is
// measured before it is written, so no value is too long for the text.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "instances.h"
#include "list.h"
#include "nc_log.h"
#include "output_internal.h"
#include "text.h"

using nc::Items;
using nc::kTagOutput;

namespace {

constexpr char kOperation[] = "ncOutputToBufOfCfgTxt";
constexpr char kBanner[] = "VOIP CONFIG FILE>>";
// Labels are exactly this wide; the header line is padded to this offset.
constexpr int kLabelWidth = 24;
constexpr int kHeaderWidth = 62;
// A group heading: its label and ":\r\n".
constexpr int kHeadingLength = kLabelWidth + 3;
// Free bytes kept before each element, as the writer has always done.
constexpr int kMargin = 256;

// An element's name as the text shows it: "_" read as blanks, at most 63
// characters.
struct DisplayName {
  char text[nc::kNameSize];
  explicit DisplayName(const char *name) {
    uStrSafeCopy(text, sizeof text, name);
    uStrReplaceKey(text, sizeof text, "_", " ");
  }
  bool Is(const char *other) const { return strcasecmp(text, other) == 0; }
};

// A text made exactly kLabelWidth characters long: cut or padded with blanks.
struct Label {
  char text[kLabelWidth + 1];
  explicit Label(const char *from) { std::snprintf(text, sizeof text, "%-*.*s", kLabelWidth, kLabelWidth, from); }
};

bool IsBanner(const DisplayName &name) {
  return strncasecmp(name.text, kBanner, std::strlen(name.text)) == 0;
}

int Fail(const char *message) {
  tarvoPrintErrorLog(kTagOutput, message, kOperation);
  return -1;
}

// The result of an append: a text that cannot grow fails the output.
int Written(int appended) { return appended < 0 ? Fail("%s: memory not available!") : 0; }

const char *ValueOf(const ncElement *element) { return element->value != nullptr ? element->value : ""; }

// The heading an ordinary group gets.
Label GroupHeading(const char *displayName) {
  char heading[nc::kPathSize];
  std::snprintf(heading, sizeof heading, "--%s--", displayName);
  return Label(heading);
}

// The heading of a table's entry: its table's name and the entry's number.
// Entry 1 takes the place of the table's own group heading when that heading
// is what the text ends with.
int WriteEntryHeading(ncElement *entry, const ncElement *table, ncOutputBuf *output) {
  char heading[nc::kPathSize];
  std::snprintf(heading, sizeof heading, "--%s%s--", table->name, entry->name);
  uStrReplaceKey(heading, sizeof heading, "_", " ");
  output->cfgEntryElement = entry;
  if (nc::ReadNumber(entry->name) == 1 && output->used >= kHeadingLength) {
    char tableHeading[kHeadingLength + 1];
    std::snprintf(tableHeading, sizeof tableHeading, "%s:\r\n", GroupHeading(DisplayName(table->name).text).text);
    if (std::memcmp(output->text + output->used - kHeadingLength, tableHeading, kHeadingLength) == 0)
      output->used -= kHeadingLength;
  }
  return nc::AppendFormat(output, "%s:\r\n", Label(heading).text);
}

// Whether a group is an entry of a table that gets a heading: it holds a
// group, its parent's name ends with "Entry", and that name begins with its
// grandparent's, the table's.
bool HasEntryHeading(const ncElement *entry, const ncElement *parent) {
  bool holdsGroup = false;
  for (const ncElement *child : Items<ncElement>(entry->childList)) holdsGroup |= nc::ItemCount(child->childList) > 0;
  const ncElement *table = parent->parent;
  return holdsGroup && uStrTailCmp(parent->name, "Entry") == 0 && table != nullptr && table->name != nullptr &&
         strncasecmp(parent->name, table->name, std::strlen(table->name)) == 0;
}

int WriteGroup(ncElement *element, const DisplayName &name, const ncElement *parent, const DisplayName &parentName,
               ncOutputBuf *output) {
  char entryList[nc::kPathSize];
  std::snprintf(entryList, sizeof entryList, "%s Entry", parentName.text);
  if (name.Is(entryList)) return 0;
  if (uStrIsDigit(name.text) || name.Is("$N")) {
    if (!HasEntryHeading(element, parent)) return 0;
    return Written(WriteEntryHeading(element, parent->parent, output));
  }
  ncElement *first = nc::FirstChild(element);
  DisplayName firstName(first->name);
  if (output->cfgEntryElement != nullptr && strncasecmp(name.text, firstName.text, std::strlen(name.text)) == 0)
    return 0;
  return Written(nc::AppendFormat(output, "%s:\r\n", GroupHeading(name.text).text));
}

int WriteSetting(const ncElement *element, const DisplayName &name, const ncElement *parent, ncOutputBuf *output) {
  const ncElement *first = nc::FirstChild(parent);
  if (first == nullptr) return Fail("%s: brother is empty!");
  if (first == element && name.Is("ID")) return 0;
  if (first->name == nullptr) return Fail("%s: brother name is empty!");
  char label[nc::kNameSize];
  if (std::strcmp(first->name, "ID") == 0) {
    nc::TextBuilder(label, sizeof label).Append("%s %s", ValueOf(first), name.text);
  } else {
    uStrSafeCopy(label, sizeof label, name.text);
  }
  return Written(nc::AppendFormat(output, "%s:%s\r\n", Label(label).text, ValueOf(element)));
}

// What is written for the element itself, before its children.
int WriteOwnLine(ncElement *element, const DisplayName &name, ncOutputBuf *output) {
  if (IsBanner(name)) return Written(nc::AppendFormat(output, "<<%s>>", name.text));
  if (output->cfgHeaderDone == 0 && (name.Is("Version") || name.Is("Digests"))) {
    output->cfgHeaderDone = 1;
    if (Written(nc::AppendFormat(output, "%s:%s", name.text, ValueOf(element))) != 0) return -1;
    if (output->used < kHeaderWidth &&
        Written(nc::AppendFormat(output, "%*s", kHeaderWidth - output->used, "")) != 0)
      return -1;
    return Written(nc::AppendFormat(output, "\r\n"));
  }
  if (output->used == 0) return 0;
  const ncElement *parent = element->parent;
  if (parent == nullptr) return Fail("%s: parent is null!");
  if (parent->name == nullptr) return Fail("%s: parent name is null!");
  DisplayName parentName(parent->name);
  if (IsBanner(parentName)) return Written(nc::AppendFormat(output, "\r\n<%s>\r\n", name.text));
  if (nc::ItemCount(element->childList) > 0) return WriteGroup(element, name, parent, parentName, output);
  return WriteSetting(element, name, parent, output);
}

}  // namespace

namespace nc {

int WriteConfigText(ncElement *element, ncOutputBuf *output) {
  if (element == nullptr || element->name == nullptr) return -1;
  DisplayName name(element->name);
  if (WriteOwnLine(element, name, output) != 0) return -1;
  if (!EnsureFree(output, kMargin)) return Fail("%s: memory not available!");
  for (ncElement *child : Items<ncElement>(element->childList)) {
    if (WriteConfigText(child, output) != 0) return -1;
  }
  if (output->cfgEntryElement == element) output->cfgEntryElement = nullptr;
  return 0;
}

}  // namespace nc
