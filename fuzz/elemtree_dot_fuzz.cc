// The dot text reader on any text: lines of any length and content, read
// through the parse window into an empty tree and into a tree with tables,
// then written back as dot text. Read in one pass, the lines must make the
// tree that applying each of them with a search from the root makes.
#include <cstdlib>

#include "elemtree_fuzz.h"

namespace {

int Two(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "2"); }

void ApplyFromTheRoot(ncHandle *tree, const char *line) {
  char name[64];
  ncParseDotName(line, name, sizeof name);
  ncElement *element = ncSearchElement(tree->root, name);
  if (element == nullptr) element = ncAddElementByName(tree, name);
  if (element == nullptr) return;
  ncParseDotElementParam(element, line);
  ncParseDotElementValue(tree, element, line);
  ncParseDotElementAttr(element, line);
}

const char *LineEnd(const char *text) {
  const char *end = std::strchr(text, '\n');
  return end != nullptr ? end : std::strchr(text, '\r');
}

// The lines of text, split, cut and stripped as ncParseDot does, each applied
// with a search from the root.
void ApplyEachFromTheRoot(ncHandle *tree, const std::string &text) {
  char line[256];
  const char *start = text.c_str();
  const char *end = LineEnd(start);
  if (end == nullptr) {
    uStrSafeCopy(line, sizeof line, start);
    uStrStripCrlf(line);
    if (uStrTailCmp(line, ":notsupport") != 0) ApplyFromTheRoot(tree, line);
    return;
  }
  for (; end != nullptr; start = end + 1, end = LineEnd(start)) {
    uStrnSafeCopy(line, sizeof line, start, static_cast<int>(end - start));
    uStrStripCrlf(line);
    if (uStrTailCmp(line, ":notsupport") == 0) return;
    ApplyFromTheRoot(tree, line);
  }
}

std::string DotText(ncHandle *tree) {
  char *text = nullptr;
  if (tree->root == nullptr || ncOutputToBuf(tree, &text, NC_OUTPUT_DOT) != 0) return "(none)";
  std::string out = text;
  uFree(text);
  return out;
}

ncHandle *TreeWithTable(const fuzztree::Tree &tree) {
  ncAddElementByName(tree.get(), "cfg.t.$N.x")->parent->getFunc = Two;
  ncElementAddByName(ncAddElementByName(tree.get(), "cfg.T"), "T.y");  // beside "t"
  return tree.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzztree::Init();
  std::string text = fuzztree::AsText(data, size);
  {
    fuzztree::Tree tree("cfg");
    ncParseFromBuf(tree.get(), text.c_str(), NC_FORMAT_DOT);
    if (tree.get()->root != nullptr) fuzztree::Write(tree.get(), NC_OUTPUT_DOT);
  }
  {
    fuzztree::Tree tree("cfg");
    ncAddElementByName(tree.get(), "cfg.t.$N.x")->parent->getFunc = Two;
    ncParseFromBuf(tree.get(), text.c_str(), NC_FORMAT_DOT);
    fuzztree::Write(tree.get(), NC_OUTPUT_DOT);
  }
  // One window's worth, as the line operations see it.
  std::string window = text.substr(0, 511);
  {
    fuzztree::Tree tree("cfg");
    ncParseDot(tree.get(), window.data());
  }
  fuzztree::Tree read("cfg"), expected("cfg");
  std::string copy = text;
  ncParseDot(TreeWithTable(read), copy.data());
  ApplyEachFromTheRoot(TreeWithTable(expected), text);
  if (DotText(read.get()) != DotText(expected.get())) std::abort();
  return 0;
}
