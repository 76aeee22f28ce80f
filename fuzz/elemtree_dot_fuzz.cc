// The dot text reader on any text: lines of any length and content, read
// through the parse window into an empty tree and into a tree with tables,
// then written back as dot text.
#include "elemtree_fuzz.h"

namespace {

int Two(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "2"); }

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
  fuzztree::Tree tree("cfg");
  ncParseDot(tree.get(), window.data());
  return 0;
}
