// The XML reader: tags become elements, their attributes element attributes
// and their text element values, merged into the tree the handle holds. On
// top of plain nesting it fills tables: repeated tags, or tags carrying
// index="n", go to numbered instances (automatic instance elements, or the
// one custom instance element "$N" of the table).
#include <expat.h>

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "layout.h"
#include "instances.h"
#include "list.h"
#include "nc_log.h"
#include "ncParse.h"
#include "ncPath.h"
#include "parse_internal.h"
#include "paths.h"
#include "text.h"

NC_ASSERT_OFFSET32(ncXmlParseState, handle, 0);
NC_ASSERT_OFFSET32(ncXmlParseState, current, 4);
NC_ASSERT_OFFSET32(ncXmlParseState, valueElement, 8);
NC_ASSERT_OFFSET32(ncXmlParseState, depth, 12);
NC_ASSERT_OFFSET32(ncXmlParseState, levelStack, 16);
static_assert(sizeof(int) == 4, "depth and the level stack are 32-bit");

using nc::FirstChild;
using nc::IsAutomaticInstance;
using nc::IsInstanceChild;
using nc::Items;
using nc::kTagParse;

namespace {

// The document is handed to the XML parser in pieces of this many bytes.
constexpr int kPieceSize = 512;

// One parse: the state record the handlers share, and what the reader keeps
// beside it. The character data since the last tag is gathered whole and
// only then stripped, so blanks inside a value survive the pieces the XML
// parser delivers it in.
struct XmlParse {
  ncXmlParseState state;  // first: the handlers get this record
  XML_Parser parser = nullptr;
  bool valuePending = false;  // no non-blank text since the last start tag
  bool stopped = false;       // the document was rejected; handlers do nothing
  char *text = nullptr;       // character data gathered for valueElement
  int textLength = 0;
  int textCapacity = 0;
};

bool NamesEqual(const char *a, const char *b) { return a != nullptr && b != nullptr && strcasecmp(a, b) == 0; }

// A text that names an instance: atoi gives a number other than 0.
bool IsNumeric(const char *text) { return nc::ReadNumber(text) != 0; }

bool MatchesTag(const ncHandle *handle, const ncElement *element, const char *name) {
  if (element->name == nullptr) return false;
  if (NamesEqual(element->name, name)) return true;
  return handle->nameMatchFunc != nullptr && handle->nameMatchFunc(element->name, name) == 0;
}

// A new automatic instance element named name appended to parent.
ncElement *AppendInstance(ncElement *parent, const char *name) {
  ncElement *instance = nc::AppendNewChild(parent, name);
  if (instance != nullptr) ncSetElementAttr(instance, "instance", "auto");
  return instance;
}

// The child of parent whose name matches name (a tag name), first by name
// alone and then, failing that, by the handle's name matcher.
ncElement *FindTemplateChild(const ncHandle *handle, const ncElement *parent, const char *name) {
  for (ncElement *child : Items<ncElement>(parent->childList)) {
    if (NamesEqual(child->name, name)) return child;
  }
  if (handle->nameMatchFunc == nullptr) return nullptr;
  for (ncElement *child : Items<ncElement>(parent->childList)) {
    if (child->name != nullptr && handle->nameMatchFunc(child->name, name) == 0) return child;
  }
  return nullptr;
}

// The element a start tag goes to and how many levels of the tree it enters.
struct Target {
  ncElement *element = nullptr;
  int levels = 1;
};

// A tag that matched no child: an element of its own, holding the instance
// its "index" names.
Target PlainNewElement(ncElement *cur, const char *tagName, const char *index, int levels) {
  Target target{nc::AppendNewChild(cur, tagName), levels};
  if (target.element != nullptr && IsNumeric(index)) AppendInstance(target.element, index);
  return target;
}

// A flattened table cell: the tag prefix + n + rest (such as Line2Name below
// an instance carrying prefix="Line") goes to the element rest of instance n.
Target PrefixedCell(const ncHandle *handle, ncElement *cur, ncElement *inst, const char *name, int prefixLength,
                    const char *tagName, const char *index) {
  int number = nc::ReadNumber(name + prefixLength);
  if (number < 0) return PlainNewElement(cur, tagName, index, 1);
  char digits[16];
  int digitCount = std::snprintf(digits, sizeof digits, "%d", number);
  const char *afterPrefix = name + prefixLength;
  const char *rest = static_cast<int>(std::strlen(afterPrefix)) > digitCount ? afterPrefix + digitCount : "";
  Target target{nullptr, 2};
  for (ncElement *child : Items<ncElement>(cur->childList)) {
    if (child->name == nullptr || nc::ReadNumber(child->name) != number) continue;
    for (ncElement *cell : Items<ncElement>(child->childList)) {
      if (NamesEqual(cell->name, rest)) {
        target.element = cell;
        return target;
      }
    }
    target.element = nc::AppendNewChild(child, rest);
    return target;
  }
  if (IsAutomaticInstance(inst)) {
    ncElement *instance = nc::AppendNewChild(cur, digits);
    target.element = instance != nullptr ? nc::AppendNewChild(instance, rest) : nullptr;
    return target;
  }
  for (ncElement *child : Items<ncElement>(inst->childList)) {
    if (MatchesTag(handle, child, rest)) {
      ncSetElementValue(inst, digits);
      target.element = child;
      return target;
    }
  }
  target.element = nc::AppendNewChild(inst, rest);
  return target;
}

// A tag inside a table goes to the template child of the instance in force.
Target TableCell(ncXmlParseState *state, ncElement *inst, bool matched, const char *name, const char **attributes,
                 const char *index) {
  const ncHandle *handle = state->handle;
  Target target{FindTemplateChild(handle, inst, name), 2};
  ncElement *cell = target.element;
  if (cell == nullptr) {
    target.element = nc::AppendNewChild(inst, name);
    if (target.element != nullptr && IsNumeric(index)) AppendInstance(target.element, index);
    return target;
  }
  if (!nc::IsCustomInstance(inst)) {
    if (!(nc::ItemCount(cell->childList) == 0 && matched))
      ncXmlParseAddInstanceChildElement(cell, attributes, static_cast<int>(handle->initState));
    return target;
  }
  if (!IsNumeric(index)) return target;
  for (ncElement *child : Items<ncElement>(cell->childList)) {
    if (nc::IsCustomInstance(child)) {
      ncSetElementValue(child, index);
      return target;
    }
    if (child->name != nullptr && std::strcmp(child->name, index) == 0) return target;
  }
  if (nc::ItemCount(cell->childList) > 0) {
    AppendInstance(cell, index);
  } else {
    ncSetElementValue(inst, index);
  }
  return target;
}

// Chooses the element a start tag below cur goes to (cur is present and the
// tag is not the document's top element merging into it).
Target ChooseTarget(ncXmlParseState *state, ncElement *cur, const char *tagName, const char **attributes) {
  ncHandle *handle = state->handle;
  if (handle->addMode == 1) return Target{nc::AppendNewChild(cur, tagName), 1};

  char name[nc::kNameSize];
  uStrSafeCopy(name, sizeof name, tagName);
  uStrStripCrlf(name);
  const char *curIndex = ncGetElementAttr(cur, "index");
  ncElement *inst = nullptr;  // the instance of cur in force
  bool matched = false;       // inst is the one cur's "index" names
  for (ncElement *child : Items<ncElement>(cur->childList)) {
    if (IsInstanceChild(child) && !matched) {
      inst = child;
      if (IsNumeric(curIndex)) matched = nc::ReadNumber(child->name) == nc::ReadNumber(curIndex);
    }
    if (MatchesTag(handle, child, name)) {
      ncXmlParseAddInstanceChildElement(child, attributes, static_cast<int>(handle->initState));
      return Target{child, 1};
    }
  }

  const char *index = ncXmlAttrGetByName(attributes, "index");
  if (inst == nullptr) return PlainNewElement(cur, tagName, index, 1);
  if (uStrIsDigit(name)) {
    if (IsAutomaticInstance(inst)) return Target{nc::AppendNewChild(cur, name), 1};
    ncSetElementValue(inst, name);
    return Target{inst, 1};
  }
  const char *prefix = ncGetElementAttr(inst, "prefix");
  if (prefix != nullptr) {
    int prefixLength = static_cast<int>(std::strlen(prefix));
    if (strncasecmp(name, prefix, static_cast<size_t>(prefixLength)) == 0 && IsNumeric(name + prefixLength))
      return PrefixedCell(handle, cur, inst, name, prefixLength, tagName, index);
  }
  return TableCell(state, inst, matched, name, attributes, index);
}

// Sets the gathered text as valueElement's value once it holds more than
// blanks; the first such text since the start tag replaces the value.
void FlushText(XmlParse *parse) {
  if (parse->textLength == 0) return;
  ncXmlParseState &state = parse->state;
  parse->text[parse->textLength] = '\0';
  parse->textLength = 0;
  char *stripped = parse->text + std::strspn(parse->text, " \t\r\n");
  if (*stripped == '\0') return;
  parse->valuePending = false;
  if (state.valueElement != nullptr) ncSetElementValue(state.valueElement, stripped);
}

// Stops the parse: the document is rejected, the tree keeps what was read.
void Reject(XmlParse *parse) {
  parse->stopped = true;
  XML_StopParser(parse->parser, XML_FALSE);
}

void XMLCALL StartElement(void *userData, const XML_Char *tagName, const XML_Char **attributes) {
  auto *parse = static_cast<XmlParse *>(userData);
  if (parse->stopped) return;
  FlushText(parse);
  ncXmlParseState &state = parse->state;
  parse->valuePending = true;
  ncElement *cur = state.current;
  Target target;
  if (cur == nullptr) {
    // An empty tree: the tag makes its root (a root there is never replaced).
    if (state.handle->root == nullptr) {
      target.element = ncCreateElement(tagName);
      state.handle->root = target.element;
    }
  } else if (state.depth == 0 && NamesEqual(cur->name, tagName)) {
    // The document's top element merges into the root of that name; below
    // it, a tag named like its parent is a child of its own.
    target.element = cur;
  } else {
    target = ChooseTarget(&state, cur, tagName, attributes);
  }

  // Out of memory, a tag that names no element, or nesting deeper than the
  // level stack: the document is rejected and current stays where it was.
  if (target.element == nullptr || state.depth + target.levels >= NC_XML_LEVEL_STACK) {
    if (target.element == nullptr)
      tarvoPrintWarnLog(kTagParse, "%s: element[%s] nc element is NULL!", "ncXmlStartElementHandler", tagName);
    state.valueElement = nullptr;
    Reject(parse);
    return;
  }
  state.current = target.element;
  state.valueElement = target.element;
  ncRemoveElementAttr(target.element, "index");
  for (const XML_Char **attr = attributes; attr != nullptr && attr[0] != nullptr && attr[1] != nullptr; attr += 2)
    ncSetElementAttr(state.valueElement, attr[0], attr[1]);
  state.depth += target.levels;
  state.levelStack[state.depth] = target.levels;
}

void XMLCALL EndElement(void *userData, const XML_Char * /*tagName*/) {
  auto *parse = static_cast<XmlParse *>(userData);
  if (parse == nullptr) {
    tarvoPrintInfoLog(kTagParse, "%s: ncData is NULL!", "ncXmlEndElementHandler");
    return;
  }
  if (parse->stopped) return;
  FlushText(parse);
  ncXmlParseState &state = parse->state;
  if (parse->valuePending && state.valueElement != nullptr) ncSetElementValue(state.valueElement, "");
  ncElementValueTakeEffect(state.valueElement);
  int levels = state.depth > 0 ? state.levelStack[state.depth] : 0;
  state.depth -= levels;
  for (int i = 0; i < levels && state.current != nullptr; ++i) state.current = state.current->parent;
  state.valueElement = nullptr;
}

void XMLCALL CharacterData(void *userData, const XML_Char *text, int length) {
  auto *parse = static_cast<XmlParse *>(userData);
  if (parse == nullptr) {
    tarvoPrintInfoLog(kTagParse, "%s: ncData is NULL!", "ncXmlDataHandler");
    return;
  }
  if (parse->stopped || length <= 0) return;
  if (parse->textLength + length >= parse->textCapacity) {
    int capacity = parse->textCapacity > 0 ? parse->textCapacity : 64;
    while (capacity <= parse->textLength + length) capacity *= 2;
    auto *grown = static_cast<char *>(uMalloc(static_cast<size_t>(capacity)));
    if (grown == nullptr) {
      tarvoPrintErrorLog(kTagParse, "%s: memory not available!", "ncXmlDataHandler");
      return;
    }
    if (parse->textLength > 0) std::memcpy(grown, parse->text, static_cast<size_t>(parse->textLength));
    uFree(parse->text);
    parse->text = grown;
    parse->textCapacity = capacity;
  }
  std::memcpy(parse->text + parse->textLength, text, static_cast<size_t>(length));
  parse->textLength += length;
}

}  // namespace

namespace nc {

int ParseXml(ncHandle *handle) {
  XmlParse parse{};
  parse.state.handle = handle;
  parse.state.current = handle->root;
  parse.parser = XML_ParserCreate(nullptr);
  int total = 0;
  int parsed = XML_STATUS_ERROR;
  if (parse.parser != nullptr) {
    XML_SetUserData(parse.parser, &parse);
    XML_SetElementHandler(parse.parser, StartElement, EndElement);
    XML_SetCharacterDataHandler(parse.parser, CharacterData);
    char piece[kPieceSize];
    for (;;) {
      std::memset(piece, 0, sizeof piece);
      int got = handle->readFunc(static_cast<int>(handle->readSourceType), handle->readSource, total, piece,
                                 kPieceSize);
      if (got > kPieceSize) got = kPieceSize;
      total += got;
      if (got == kPieceSize) {
        if (XML_Parse(parse.parser, piece, kPieceSize, XML_FALSE) == XML_STATUS_ERROR && parse.stopped) break;
        continue;
      }
      parsed = XML_Parse(parse.parser, piece, got > 0 ? got : 0, XML_TRUE);
      break;
    }
    XML_ParserFree(parse.parser);
  }
  uFree(parse.text);
  if (parse.state.depth != 0)
    tarvoPrintInfoLog(kTagParse, "%s: parse failed with deepth=[%d]", "ncParse", parse.state.depth);
  if (parsed == XML_STATUS_OK && total > 0 && !parse.stopped) return 0;
  tarvoPrintErrorLog(kTagParse, "%s: parse xml error totalRead[%d] or parserResult[%d].", "ncParse", total, parsed);
  return -1;
}

}  // namespace nc

extern "C" {

const char *ncXmlAttrGetByName(const char **attributes, const char *name) {
  if (attributes == nullptr || name == nullptr) return nullptr;
  for (const char **attr = attributes; attr[0] != nullptr; attr += 2) {
    if (std::strcmp(attr[0], name) == 0) return attr[1];
  }
  return nullptr;
}

ncElement *ncXmlParseAddInstanceChildElement(ncElement *element, const char **attributes, int mode) {
  if (element == nullptr) return nullptr;
  const char *index = ncXmlAttrGetByName(attributes, "index");
  bool numeric = IsNumeric(index);
  int position = 0;
  ncElement *first = nullptr;
  for (ncElement *child : Items<ncElement>(element->childList)) {
    if (IsInstanceChild(child)) {
      first = child;
      break;
    }
    ++position;
  }
  if (first != nullptr) {
    if (nc::IsCustomInstance(first)) {
      if (numeric) {
        ncSetElementValue(first, index);
      } else {
        nc::SetInstanceNumber(first, first->value != nullptr ? nc::ReadNumber(first->value) + 1LL : 1);
      }
      return first;
    }
    if (numeric) {
      for (int i = position; uListEol(element->childList, i) == 0; ++i) {
        auto *child = static_cast<ncElement *>(uListGet(element->childList, i));
        if (child->name != nullptr && std::strcmp(child->name, index) == 0) return child;
      }
      return AppendInstance(element, index);
    }
    auto *last = static_cast<ncElement *>(uListGet(element->childList, nc::ItemCount(element->childList) - 1));
    char name[24];
    std::snprintf(name, sizeof name, "%lld", nc::ReadNumber(last->name) + 1LL);
    return AppendInstance(element, name);
  }

  // A plain element repeated: it becomes a table whose instance 1 is what it
  // held.
  if (mode == 2) return nullptr;
  if (index == nullptr) {
    ncElement *child = FirstChild(element);
    if (child == nullptr || nc::ItemCount(child->childList) > 0) return nullptr;
  }
  ncElement *one = ncCreateElement("1");
  if (one == nullptr || ncSetElementAttr(one, "instance", "auto") != 0) {
    ncDestroyElement(one);
    return nullptr;
  }
  while (nc::ItemCount(element->childList) > 0) {
    auto *child = static_cast<ncElement *>(uListGet(element->childList, 0));
    if (ncElementAddChild(one, child) != 0) break;
    uListRemove(element->childList, 0);
  }
  if (ncElementAddChild(element, one) != 0) {
    // Out of memory: the content goes back where it was.
    while (nc::ItemCount(one->childList) > 0) {
      auto *child = static_cast<ncElement *>(uListRemove(one->childList, 0));
      ncElementAddChild(element, child);
    }
    ncDestroyElement(one);
    return nullptr;
  }
  if (numeric && nc::ReadNumber(index) == 1) return nullptr;
  return AppendInstance(element, numeric ? index : "2");
}

}  // extern "C"
