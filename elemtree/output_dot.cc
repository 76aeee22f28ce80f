// The dot text writer (one line per leaf, in tree order, tables once per
// instance) and the writer of caller-defined formats, which leaves the text
// of each element to the handle's outputElementFunc.
#include <cstring>

#include "list.h"
#include "nc_log.h"
#include "ncPath.h"
#include "output_internal.h"
#include "paths.h"
#include "text.h"

using nc::Items;

namespace {

// The free bytes a caller's element writer is offered at least.
constexpr int kCustomMargin = 256;

// One call of the caller's element writer; what it reports is kept within
// the bytes it was offered.
bool CallElementWriter(ncElement *element, ncOutputBuf *output, int phase) {
  if (!nc::EnsureFree(output, kCustomMargin)) {
    tarvoPrintErrorLog(nc::kTagOutput, "%s: memory not available!", "ncOutputToCustomFormatRecursive");
    return false;
  }
  int free = output->capacity - output->used;
  int written = output->handle->outputElementFunc(element, output->text + output->used, free, output->format, phase);
  if (written < 0) written = 0;
  if (written > free - 1) written = free - 1;
  output->used += written;
  output->text[output->used] = '\0';
  return true;
}

int WriteCustomElement(ncElement *element, ncOutputBuf *output);

int WriteCustomRecursive(ncElement *element, ncOutputBuf *output) {
  ncHandle *handle = output->handle;
  if (element == nullptr || handle == nullptr || handle->outputElementFunc == nullptr) return -1;
  if (handle->outputRecursiveFunc != nullptr &&
      handle->outputRecursiveFunc(element, output, reinterpret_cast<ncWord>(handle->outputElementFunc)) == 0)
    return 0;
  if (!nc::IsCustomInstance(element)) return WriteCustomElement(element, output);
  int count = element->getFunc != nullptr ? nc::CustomInstanceCount(element, nc::kPathSize) : 1;
  int result = 0;
  for (int i = 1; i <= count; ++i) {
    nc::SetInstanceNumber(element, i);
    result = WriteCustomElement(element, output);
  }
  return result;
}

int WriteCustomElement(ncElement *element, ncOutputBuf *output) {
  if (!CallElementWriter(element, output, 0)) return -1;
  for (ncElement *child : Items<ncElement>(element->childList)) {
    if (WriteCustomRecursive(child, output) != 0) return -1;
  }
  return CallElementWriter(element, output, 1) ? 0 : -1;
}

}  // namespace

namespace nc {

int WriteDot(ncElement *element, ncOutputBuf *output) {
  int count = 1;
  bool custom = IsCustomInstance(element);
  if (custom && element->getFunc != nullptr) count = CustomInstanceCount(element, 8);
  ncHandle *handle = output->handle;
  for (int i = 1; i <= count; ++i) {
    if (custom) SetInstanceNumber(element, i);
    for (ncElement *child : Items<ncElement>(element->childList)) {
      if (handle->outputRecursiveFunc != nullptr && handle->outputRecursiveFunc(child, output, 0) == 0) continue;
      // A child fails only when the text cannot grow: the whole output
      // fails, so that a cut text is never taken for the tree.
      if (WriteDot(child, output) != 0) return -1;
    }
  }
  if (ItemCount(element->childList) > 0) return 0;
  ncGetElementDotDescription(element, output->pathBuf, kPathSize, 7);
  if (AppendFormat(output, "%s\r\n", output->pathBuf) < 0) {
    tarvoPrintErrorLog(kTagOutput, "%s: can not allocate enough memory\n", "ncOutputToBufOfDot");
    return -1;
  }
  return 0;
}

int WriteCustom(ncElement *root, ncOutputBuf *output) {
  if (output->format == NC_OUTPUT_CONFIG_XML &&
      ncOutputBufAppendContent(output, kXmlDeclaration) < 0)
    return -1;
  if (WriteCustomRecursive(root, output) != 0) {
    tarvoPrintErrorLog(kTagOutput, "%s: output info is error\n", "ncOutputToBufOfCustomFormat");
    return -1;
  }
  output->text[output->used] = '\0';
  return 0;
}

}  // namespace nc
