// Helpers of the reader and writer tests: a tree shown as text lines, the
// output of a tree in one format, and a file in a temporary directory.
#ifndef ELEMTREE_FORMAT_FIXTURE_H
#define ELEMTREE_FORMAT_FIXTURE_H

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tree_fixture.h"

namespace elemtree_test {

// The fixture of the reader and writer tests.
class FormatTest : public TreeTest {
 protected:
  // Every element below and including element, one line each in tree order:
  // "a.b.c = value [key=value key]" (value "-" when absent, attributes in
  // their order).
  static void ShowTree(ncElement *element, const std::string &path, std::vector<std::string> &lines) {
    std::string name = path.empty() ? Text(element->name) : path + "." + Text(element->name);
    std::string line = name + " = " + (element->value != nullptr ? element->value : "-");
    std::string attrs;
    for (const std::string &attr : Attributes(element)) attrs += (attrs.empty() ? "" : " ") + attr;
    if (!attrs.empty()) line += " [" + attrs + "]";
    lines.push_back(line);
    for (int i = 0; uListEol(element->childList, i) == 0; ++i)
      ShowTree(static_cast<ncElement *>(uListGet(element->childList, i)), name, lines);
  }

  static std::vector<std::string> ShowTree(ncHandle *tree) {
    std::vector<std::string> lines;
    if (tree->root != nullptr) ShowTree(tree->root, "", lines);
    return lines;
  }

  // The tree written in format; "(failed)" when the output fails.
  static std::string Output(ncHandle *tree, int format) {
    char *text = nullptr;
    if (ncOutputToBuf(tree, &text, format) != 0) return "(failed)";
    std::string out = text;
    uFree(text);
    return out;
  }
};

// A temporary directory, removed with what it holds.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/elemtree-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string File(const std::string &name) const { return path_ + "/" + name; }
  std::string Write(const std::string &name, const std::string &content) const {
    std::ofstream(File(name), std::ios::binary) << content;
    return File(name);
  }
  static std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static bool Exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

 private:
  std::string path_;
};

}  // namespace elemtree_test

#endif  // ELEMTREE_FORMAT_FIXTURE_H
