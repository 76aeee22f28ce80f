// The XML reader on any document: into an empty tree and into a tree that
// already holds tables (automatic instances, a "$N" table, instances with a
// name prefix), with the handle's initState and addMode taken from the first
// byte; the tree is then written as XML and dot text.
#include "elemtree_fuzz.h"

namespace {

int Three(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "3"); }

int MatchPrefix(const char *elementName, const char *tagName) {
  return strncasecmp(elementName, tagName, 2) == 0 ? 0 : 1;
}

void AddTables(ncHandle *tree) {
  for (const char *name : {"cfg.dns.1.ip", "cfg.dns.2.ip", "cfg.acct.1.Name", "cfg.acct.2.Port", "cfg.list.$N.v"})
    ncSetElementValue(ncAddElementByName(tree, name), "x");
  for (const char *name : {"cfg.dns.1", "cfg.dns.2", "cfg.acct.1", "cfg.acct.2"})
    ncSetElementAttr(ncGetElementByName(tree, name), "instance", "auto");
  for (const char *name : {"cfg.acct.1", "cfg.acct.2"}) ncSetElementAttr(ncGetElementByName(tree, name), "prefix", "Line");
  ncGetElementByName(tree, "cfg.list.$N")->getFunc = Three;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzztree::Init();
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  std::string document = fuzztree::AsText(data + 1, size - 1);
  fuzztree::Tree tree("cfg");
  if ((mode & 1) != 0) AddTables(tree.get());
  ncSetInitState(tree.get(), (mode & 2) != 0 ? 2 : 1);
  tree.get()->addMode = (mode & 4) != 0 ? 1 : 0;
  if ((mode & 8) != 0) tree.get()->nameMatchFunc = MatchPrefix;
  ncParseFromBuf(tree.get(), document.c_str(), NC_FORMAT_XML);
  if (tree.get()->root != nullptr) {
    fuzztree::Write(tree.get(), NC_OUTPUT_XML);
    fuzztree::Write(tree.get(), NC_OUTPUT_DOT);
  }
  return 0;
}
