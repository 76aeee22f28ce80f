// Read, write, read: a tree read from any dot text or XML document is written
// in every format; its XML must read back whenever the tree's names are XML
// names and its texts printable (a configuration the library writes must
// never be lost at the next read), and its dot text must always read back.
#include "elemtree_fuzz.h"

#include <cstdlib>

namespace {

int Brackets(ncElement *element, char *position, int freeBytes, int, int phase) {
  return std::snprintf(position, static_cast<size_t>(freeBytes), phase == 0 ? "<%s" : ">", element->name);
}

// Reads text written by the library into a new tree; aborts when it fails.
void MustReadBack(ncHandle *tree, int outputFormat, int inputFormat) {
  char *text = nullptr;
  if (ncOutputToBuf(tree, &text, outputFormat) != 0) std::abort();
  fuzztree::Tree back("cfg");
  if (ncParseFromBuf(back.get(), text, inputFormat) != 0) {
    std::fprintf(stderr, "written text did not read back:\n%s\n", text);
    std::abort();
  }
  uFree(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzztree::Init();
  if (size < 1) return 0;
  int format = (data[0] & 1) != 0 ? NC_FORMAT_XML : NC_FORMAT_DOT;
  std::string text = fuzztree::AsText(data + 1, size - 1);
  fuzztree::Tree tree("cfg");
  ncParseFromBuf(tree.get(), text.c_str(), format);
  if (tree.get()->root == nullptr) return 0;
  tree.get()->outputElementFunc = Brackets;
  for (int output : {NC_OUTPUT_TEXT, NC_OUTPUT_CONFIG_TEXT}) fuzztree::Write(tree.get(), output);
  if (fuzztree::XmlSafe(tree.get())) MustReadBack(tree.get(), NC_OUTPUT_XML, NC_FORMAT_XML);
  MustReadBack(tree.get(), NC_OUTPUT_DOT, NC_FORMAT_DOT);
  return 0;
}
