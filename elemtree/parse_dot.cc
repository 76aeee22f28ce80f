// The dot text reader: one element per line, its dotted name, then
// optionally its parameter group "(...)", its value "= ..." and its attribute
// list "?key=value, ...". Every problem is logged and the line, or its part,
// is skipped: nothing stops a parse.
#include <cstring>

#include "dot_path.h"
#include "lock.h"
#include "nc_log.h"
#include "ncExec.h"
#include "ncParse.h"
#include "ncPath.h"
#include "parse_internal.h"
#include "text.h"

using nc::kTagParse;

namespace {

// Text limits of a line's parts, terminating NUL included.
constexpr int kLineSize = 256;
constexpr int kValueSize = 256;
constexpr int kAttrKeySize = 32;
constexpr int kAttrValueSize = 96;
constexpr int kParamSize = 96;

// Where the separators of a line are: the parameter group's parentheses, the
// '=' of the value and the '?' of the attribute list. An '=' or '?' inside
// the parentheses belongs to the group; the one after them counts.
struct Separators {
  const char *open = nullptr;      // the first '('
  const char *close = nullptr;     // the first ')'
  const char *equals = nullptr;    // the value's '=', or null
  const char *question = nullptr;  // the attribute list's '?', or null
  bool equalsInGroup = false;      // the first '=' lay inside the group
  bool questionInGroup = false;
  bool paramGroup = false;         // the parentheses are the parameter group

  explicit Separators(const char *line) {
    open = std::strchr(line, '(');
    close = std::strchr(line, ')');
    bool group = open != nullptr && close != nullptr && open < close;
    equals = After(line, '=', group, equalsInGroup);
    question = After(line, '?', group, questionInGroup);
    paramGroup = group && (equals == nullptr || open < equals) && (question == nullptr || open < question);
  }

 private:
  const char *After(const char *line, char separator, bool group, bool &inGroup) const {
    const char *found = std::strchr(line, separator);
    inGroup = group && found != nullptr && found > open && found < close;
    return inGroup ? std::strchr(close, separator) : found;
  }
};

// Copies [begin, end) into part (cut to its size) and strips it.
template <int Size>
char *CopyStripped(char (&part)[Size], const char *begin, const char *end) {
  uStrnSafeCopy(part, Size, begin, static_cast<int>(end - begin));
  return uStrStripCrlf(part);
}

// The end of the line that starts at text: its '\n', or, when no '\n'
// follows anywhere, its '\r'; null when it has no line end.
const char *LineEnd(const char *text) {
  const char *end = std::strchr(text, '\n');
  return end != nullptr ? end : std::strchr(text, '\r');
}

// The element a dotted name names, searched for below start (the root, or
// where the previous lines' way leads); created along the name when absent.
ncElement *FindOrAdd(ncHandle *handle, ncElement *start, const char *dotName) {
  if (ncElement *element = ncSearchElement(start, dotName)) return element;
  if (start == nullptr) return ncAddElementByName(handle, dotName);
  nc::TreeLock lock(handle);
  return ncElementAddByName(start, dotName);
}

// Finds or creates the element a line names and applies its parts.
void ApplyLine(ncHandle *handle, const char *line, nc::DotPath &path) {
  char name[nc::kNameSize];
  ncParseDotName(line, name, sizeof name);
  const char *from = name;
  ncElement *start = path.Start(handle->root, name, &from);
  ncElement *element = FindOrAdd(handle, start != nullptr ? start : handle->root, from);
  if (element == nullptr) {
    tarvoPrintInfoLog(kTagParse, "%s: parse[%s] failed!", "ncParseDot", line);
    return;
  }
  // A value hook may change the tree.
  if (handle->realDotNameFunc != nullptr || element->setFunc != nullptr) path.Forget();
  ncParseDotElementParam(element, line);
  ncParseDotElementValue(handle, element, line);
  ncParseDotElementAttr(element, line);
}

// The end of an attribute item that starts at item: the next ',', unless it
// lies inside parentheses of the rest, then the first ',' after them.
const char *AttrItemEnd(const char *item) {
  const char *comma = std::strchr(item, ',');
  if (comma == nullptr) return nullptr;
  const char *open = std::strchr(item, '(');
  const char *close = std::strchr(item, ')');
  if (open != nullptr && close != nullptr && comma > open && comma < close) return std::strchr(close, ',');
  return comma;
}

}  // namespace

namespace nc {

int ParseDotLines(ncHandle *handle, const char *text, bool *stopped, DotPath &path) {
  if (stopped != nullptr) *stopped = false;
  const char *start = text;
  const char *end = LineEnd(start);
  char line[kLineSize];
  if (end == nullptr) {
    // An unterminated first line: applied, and nothing counts as consumed.
    uStrSafeCopy(line, kLineSize, start);
    uStrStripCrlf(line);
    if (uStrTailCmp(line, ":notsupport") == 0) {
      if (stopped != nullptr) *stopped = true;
    } else {
      ApplyLine(handle, line, path);
    }
    return 0;
  }
  while (end != nullptr) {
    CopyStripped(line, start, end);
    if (uStrTailCmp(line, ":notsupport") == 0) {
      if (stopped != nullptr) *stopped = true;
      return static_cast<int>(end + 1 - text);
    }
    ApplyLine(handle, line, path);
    start = end + 1;
    end = LineEnd(start);
  }
  return static_cast<int>(start - text);
}

}  // namespace nc

extern "C" {

int ncParseDot(ncHandle *handle, char *text) {
  if (handle == nullptr || text == nullptr) return -1;
  nc::DotPath path;
  return nc::ParseDotLines(handle, text, nullptr, path);
}

void ncParseDotName(const char *line, char *output, int size) {
  if (line == nullptr || output == nullptr || size < 1) return;
  char copy[kLineSize];
  uStrSafeCopy(copy, kLineSize, line);
  Separators at(copy);
  const char *end = copy + std::strlen(copy);
  if (at.paramGroup && at.open < end) end = at.open;
  if (at.equals != nullptr && at.equals < end) end = at.equals;
  if (at.question != nullptr && at.question < end) end = at.question;
  uStrnSafeCopy(output, size, copy, static_cast<int>(end - copy));
  uStrStripCrlf(output);
}

void ncParseDotElementParam(ncElement *element, const char *line) {
  if (element == nullptr || line == nullptr || std::strchr(line, '(') == nullptr) return;
  if (std::strchr(line, ')') == nullptr) {
    tarvoPrintInfoLog(kTagParse, "%s: right bracket not exist, this is not parameter!", __func__);
    return;
  }
  Separators at(line);
  if (!at.paramGroup) return;
  char param[kParamSize];
  for (const char *piece = at.open + 1;; ) {
    const char *comma = std::strchr(piece, ',');
    const char *end = comma != nullptr && comma < at.close ? comma : at.close;
    if (*CopyStripped(param, piece, end) != '\0') ncSetElementAttr(element, "param", param);
    if (end == at.close) break;
    piece = end + 1;
  }
}

void ncParseDotElementValue(ncHandle *handle, ncElement *element, const char *line) {
  if (handle == nullptr || element == nullptr || line == nullptr || std::strchr(line, '=') == nullptr) return;
  Separators at(line);
  if (at.equals == nullptr) {
    tarvoPrintInfoLog(kTagParse, "%s: have = flag, but is not value;[%s]", __func__, line);
    return;
  }
  if (at.question != nullptr && at.question < at.equals) {
    tarvoPrintInfoLog(kTagParse, "%s: have : flag, but is not value;[%s]", __func__, line);
    return;
  }
  const char *end = at.question != nullptr ? at.question : line + std::strlen(line);
  char value[kValueSize];
  CopyStripped(value, at.equals + 1, end);
  if (handle->realDotNameFunc != nullptr) {
    char name[nc::kPathSize];
    ncParseDotName(line, name, sizeof name);
    ncSetValue(name, value);
    return;
  }
  ncSetElementValue(element, value);
  ncElementValueTakeEffect(element);
}

void ncParseDotElementAttr(ncElement *element, const char *line) {
  if (element == nullptr || line == nullptr || std::strchr(line, '?') == nullptr) return;
  Separators at(line);
  if (at.question == nullptr) {
    tarvoPrintInfoLog(kTagParse, "%s: Have ? flag, but is not attribute, [%s]!", __func__, line);
    return;
  }
  char key[kAttrKeySize];
  char value[kAttrValueSize];
  for (const char *item = at.question + 1;;) {
    const char *end = AttrItemEnd(item);
    const char *itemEnd = end != nullptr ? end : item + std::strlen(item);
    const char *equals = static_cast<const char *>(std::memchr(item, '=', static_cast<size_t>(itemEnd - item)));
    CopyStripped(key, item, equals != nullptr ? equals : itemEnd);
    value[0] = '\0';
    if (equals != nullptr) CopyStripped(value, equals + 1, itemEnd);
    ncSetElementAttr(element, key, value);
    if (end == nullptr) break;
    item = end + 1;
  }
}

}  // extern "C"
