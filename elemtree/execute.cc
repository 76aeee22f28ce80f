// Executable elements: registering a function with its declaration on a
// dotted name, and calling it by that name with word or text arguments.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "calls.h"
#include "list.h"
#include "lock.h"
#include "nc_log.h"
#include "ncExec.h"
#include "ncPath.h"
#include "text.h"

using nc::ArgList;
using nc::Items;
using nc::kPathSize;
using nc::kTagTree;

namespace {

// A result type or one parameter of a declaration: at most 95 characters.
constexpr int kDeclarationPartSize = 96;

// Copies at most the 95 characters of [begin, end) that fit into part.
void CopyPart(char (&part)[kDeclarationPartSize], const char *begin, const char *end) {
  uStrnSafeCopy(part, kDeclarationPartSize, begin, static_cast<int>(end - begin));
}

enum class Declared { kOk, kFormatError, kOutOfMemory };

// Stores the declaration as attributes: "return" with the result type (the
// text up to the first run of blanks, with a '*' after it), and one "param"
// per parameter text between '(' and ')'. Parameters are split at every ','
// that follows, also past ')'; the last one ends at the first ')'.
Declared StoreDeclaration(ncElement *element, const char *declaration) {
  const char *open = std::strchr(declaration, '(');
  const char *close = std::strchr(declaration, ')');
  const char *blank = std::strchr(declaration, ' ');
  if (open == nullptr || close == nullptr || blank == nullptr) return Declared::kFormatError;
  const char *typeEnd = blank + std::strspn(blank, " ");
  if (*typeEnd == '\0') return Declared::kFormatError;
  if (*typeEnd == '*') ++typeEnd;

  char part[kDeclarationPartSize];
  CopyPart(part, declaration, typeEnd);
  if (ncSetElementAttr(element, "return", uStrStripSpace(part)) != 0) return Declared::kOutOfMemory;

  const char *scan = open + 1;
  for (const char *comma; (comma = std::strchr(scan, ',')) != nullptr; scan = comma + 1) {
    CopyPart(part, scan, comma);
    if (*uStrStripCrlf(part) != '\0' && ncSetElementAttr(element, "param", part) != 0) return Declared::kOutOfMemory;
  }
  if (scan <= close) {
    CopyPart(part, scan, close);
    if (*uStrStripCrlf(part) != '\0' && ncSetElementAttr(element, "param", part) != 0) return Declared::kOutOfMemory;
  }
  return Declared::kOk;
}

bool StartsWithIgnoringCase(const char *text, const char *prefix) {
  return text != nullptr && strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// A text argument as the parameter's declared type takes it: a number for
// int, short and long, the text's address for anything else.
ncWord ShellArgument(const char *parameter, const char *text) {
  if (StartsWithIgnoringCase(parameter, "int") || StartsWithIgnoringCase(parameter, "short") ||
      StartsWithIgnoringCase(parameter, "long"))
    return nc::ReadNumber(text);
  return reinterpret_cast<ncWord>(text);
}

// Finds the element dotName names and runs its function with the words of
// args, under the tree lock. A resolver may redirect the call to an element
// of another registered tree, which is reached without that tree's lock.
const char *FuncCall(const char *dotName, uListId args) {
  constexpr char kOperation[] = "ncFuncCall";
  if (dotName == nullptr || *dotName == '\0') {
    ncSetError(NC_ERR_INVALID_PARAM);
    tarvoPrintWarnLog(kTagTree, "%s: dotName is empty!", kOperation);
    return nullptr;
  }
  ncHandle *tree = nc::FindTreeOrFail(kOperation, dotName, nc::MissingTree::kWarning);
  if (tree == nullptr) return nullptr;
  nc::TreeLock lock(tree);
  ncElement *element = nc::FindElementOrFail(tree, kOperation, dotName, nc::MissingElement::kNoSuchName);
  if (element == nullptr) return nullptr;
  nc::RealDotName real = nc::ResolveDotName(tree, dotName, element->value);
  if (real.failed()) {
    tarvoPrintDebugLog(kTagTree, "%s: get real dotName error!", kOperation);
    return nullptr;
  }
  if (real.redirected) {
    if (ncHandle *other = ncFindHandleByName(real.name)) {
      element = nc::FindElementOrFail(other, kOperation, real.name, nc::MissingElement::kNoSuchName);
      if (element == nullptr) return nullptr;
    }
  }
  if (element->execFunc == nullptr) {
    ncSetError(NC_ERR_NOT_EXECUTABLE);
    tarvoPrintWarnLog(kTagTree, "%s: dotName is [%s], no executable function!", kOperation, dotName);
    return nullptr;
  }
  return ncCallApi(element->execFunc, ncGetElementParamAttrNum(element), args);
}

// Reads the call of ncExecute: the dotted name before '(' into name, and one
// word per conversion between '(' and the first ')' into args, each taken
// from the variadic arguments with the type its conversion gives.
bool ParseArgs(const char *format, va_list words, char (&name)[kPathSize], ArgList &args) {
  constexpr char kOperation[] = "ncParseArgs";
  const char *open = format != nullptr ? std::strchr(format, '(') : nullptr;
  const char *close = format != nullptr ? std::strchr(format, ')') : nullptr;
  if (open == nullptr || close == nullptr) {
    tarvoPrintErrorLog(kTagTree, "%s: Invalid parameter!", kOperation);
    return false;
  }
  uStrnSafeCopy(name, kPathSize, format, static_cast<int>(open - format));
  uStrStripCrlf(name);
  for (const char *scan = open + 1; scan < close; ++scan) {
    if (*scan != '%') continue;
    char conversion = *++scan;
    bool stored = true;
    if (conversion == 'd' || conversion == 'x' || conversion == 'X') {
      stored = args.Append(va_arg(words, int));
    } else if (conversion == 's') {
      stored = args.Append(reinterpret_cast<ncWord>(va_arg(words, const char *)));
    } else if (conversion == 'l') {
      if (scan[1] == 'd') {
        ++scan;
        stored = args.Append(va_arg(words, long));
      }
    } else {
      tarvoPrintWarnLog(kTagTree, "%s: format [%c] not supported!", kOperation, conversion);
    }
    if (!stored) return false;
  }
  return true;
}

}  // namespace

extern "C" {

int ncRegisterExecElement(const char *dotName, const char *declaration, ncExecFunc function) {
  if (dotName == nullptr || declaration == nullptr) return -1;
  ncHandle *tree = ncFindHandleByName(dotName);
  if (tree == nullptr) {
    char treeName[kPathSize];
    uStrSafeCopy(treeName, kPathSize, dotName);
    if (char *dot = std::strchr(treeName, '.')) *dot = '\0';
    tree = ncCreate(treeName);
    if (tree == nullptr) {
      tarvoPrintWarnLog(kTagTree, "%s: create nc failed!", __func__);
      return -1;
    }
  }
  // Held over the whole registration, so that no call sees the function
  // without its declaration.
  nc::TreeLock lock(tree);
  ncElement *element = ncAddElementByName(tree, dotName);
  if (element == nullptr) {
    tarvoPrintWarnLog(kTagTree, "%s: add [%s] failed!", __func__, dotName);
    return -1;
  }
  element->execFunc = function;
  switch (StoreDeclaration(element, declaration)) {
    case Declared::kOk:
      return 0;
    case Declared::kFormatError:
      tarvoPrintWarnLog(kTagTree, "%s: declaration [%s] format error!", "ncParseDeclaration", declaration);
      tarvoPrintWarnLog(kTagTree, "%s: declaration [%s] format is wrong!", __func__, declaration);
      return 0;
    case Declared::kOutOfMemory:
      break;
  }
  // Not callable with a declaration stored only in part.
  element->execFunc = nullptr;
  return -1;
}

const char *ncCallApi(ncExecFunc function, int count, uListId list) {
  if (count >= 1 && list == nullptr) {
    tarvoPrintWarnLog(kTagTree, "%s: parameter num is invalid!", __func__);
    return nullptr;
  }
  if (count < 0 || count > NC_MAX_CALL_ARGS) {
    tarvoPrintWarnLog(kTagTree, "%s: too many args, need [%d] args!", __func__, count);
    return nullptr;
  }
  if (function == nullptr) return nullptr;
  ncWord w[NC_MAX_CALL_ARGS] = {};
  for (int i = 0; i < count; ++i) {
    const auto *cell = static_cast<const ncWord *>(uListGet(list, i));
    w[i] = cell != nullptr ? *cell : 0;
  }
  // Exactly count word arguments, as the function was declared.
  using Fn0 = const char *(*)();
  using Fn1 = const char *(*)(ncWord);
  using Fn2 = const char *(*)(ncWord, ncWord);
  using Fn3 = const char *(*)(ncWord, ncWord, ncWord);
  using Fn4 = const char *(*)(ncWord, ncWord, ncWord, ncWord);
  using Fn5 = const char *(*)(ncWord, ncWord, ncWord, ncWord, ncWord);
  using Fn6 = const char *(*)(ncWord, ncWord, ncWord, ncWord, ncWord, ncWord);
  switch (count) {
    case 0:
      return reinterpret_cast<Fn0>(function)();
    case 1:
      return reinterpret_cast<Fn1>(function)(w[0]);
    case 2:
      return reinterpret_cast<Fn2>(function)(w[0], w[1]);
    case 3:
      return reinterpret_cast<Fn3>(function)(w[0], w[1], w[2]);
    case 4:
      return reinterpret_cast<Fn4>(function)(w[0], w[1], w[2], w[3]);
    case 5:
      return reinterpret_cast<Fn5>(function)(w[0], w[1], w[2], w[3], w[4]);
    default:
      return reinterpret_cast<Fn6>(function)(w[0], w[1], w[2], w[3], w[4], w[5]);
  }
}

const char *ncShellCallApi(ncElement *element, uListId texts) {
  if (texts == nullptr || element == nullptr || element->execFunc == nullptr) return nullptr;
  ArgList args;
  if (!args.ok()) return nullptr;
  int index = 0;
  for (const ncAttr *attr : Items<ncAttr>(element->attrList)) {
    if (attr->key == nullptr || strcasecmp(attr->key, "param") != 0) continue;
    const auto *text = static_cast<const char *>(uListGet(texts, index++));
    if (!args.Append(ShellArgument(attr->value, text))) return nullptr;
  }
  const char *result = ncCallApi(element->execFunc, ncGetElementParamAttrNum(element), args.list());
  ncSetElementValue(element, result != nullptr ? result : "");
  return result;
}

const char *ncRpcCall(const char *call, ncWord *words, int count) {
  if (call == nullptr) return nullptr;
  if (words == nullptr && count > 0) return nullptr;
  ArgList args;
  if (!args.ok()) return nullptr;
  for (int i = 0; i < count; ++i) {
    if (!args.Append(words[i])) return nullptr;
  }
  char dotName[kPathSize];
  uStrSafeCopy(dotName, kPathSize, call);
  if (char *open = std::strchr(dotName, '(')) *open = '\0';
  return FuncCall(dotName, args.list());
}

const char *ncExecute(const char *format, ...) {
  char dotName[kPathSize];
  ArgList args;
  va_list words;
  va_start(words, format);
  bool parsed = args.ok() && ParseArgs(format, words, dotName, args);
  va_end(words);
  if (!parsed) {
    ncSetError(NC_ERR_INVALID_PARAM);
    tarvoPrintWarnLog(kTagTree, "%s: Invalid parameter, [%s]", __func__, nc::Shown(format));
    return nullptr;
  }
  return FuncCall(dotName, args.list());
}

}  // extern "C"
