// Round trips over generated trees: a tree written as XML or as dot text
// and read into an empty tree gives the same structure, values and
// attributes (less the keys the writer leaves out), and writing that tree
// again gives the same text.
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "format_fixture.h"

namespace elemtree_test {
namespace {

using Lines = std::vector<std::string>;

// The number of instances of a "$N" table, from its parent's dot name: 1 to 3.
int InstanceCount(const char *dotName, char *buffer, int size) {
  size_t count = 1 + std::hash<std::string>()(dotName) % 3;
  return std::snprintf(buffer, static_cast<size_t>(size), "%zu", count);
}

// Texts each format can carry: XML any, dot text none of its separators.
enum class Format { kXml, kDot };

class TreeGenerator {
 public:
  TreeGenerator(unsigned seed, Format format) : random_(seed), format_(format) {}

  ncHandle *Make() {
    ncHandle *tree = ncCreatePrivate("cfg");
    tree->root = ncCreateElement("cfg");
    FillBranch(tree->root, 0);
    return tree;
  }

 private:
  int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }

  std::string Text(const char *alphabet, int from, int to) {
    std::string text;
    for (int i = Pick(from, to); i > 0; --i) text += alphabet[Pick(0, static_cast<int>(std::strlen(alphabet)) - 1)];
    return text;
  }

  // A value with no blanks at its ends.
  std::string Value() {
    const char *alphabet = format_ == Format::kXml ? "abcXYZ019 &<>\"'=?,()/:;#" : "abcXYZ019 _.:/=-#";
    std::string value = Text(alphabet, 1, 20);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value.empty() ? "v" : value;
  }

  std::string AttrValue() {
    return Pick(0, 4) == 0 ? "" : Text(format_ == Format::kXml ? "abc019 &<>\"'=?,()" : "abc019_.:/-", 1, 10);
  }

  // Names unique among their siblings (in any case), never a reserved word.
  std::string Name(std::set<std::string> &taken) {
    static const std::set<std::string> kReserved = {"cfg", "param", "level", "origin", "index", "instance",
                                                    "prefix", "exec", "get", "set"};
    for (;;) {
      std::string name = Text("abcdefghij", 1, 1) + Text("abcdefghijklmnopqrstuvwxyz0123456789_", 0, 5);
      if (kReserved.count(name) == 0 && taken.insert(name).second) return name;
    }
  }

  void AddAttributes(ncElement *element) {
    std::set<std::string> keys;
    for (int i = Pick(0, 2); i > 0; --i) ncSetElementAttr(element, Name(keys).c_str(), AttrValue().c_str());
  }

  ncElement *Child(ncElement *parent, const std::string &name) {
    ncElement *child = ncCreateElement(name.c_str());
    ncElementAddChild(parent, child);
    return child;
  }

  void Leaf(ncElement *parent, const std::string &name) {
    ncElement *leaf = Child(parent, name);
    int kind = Pick(0, 5);
    if (kind == 0) return;  // no value
    ncSetElementValue(leaf, kind == 1 ? "" : Value().c_str());
    AddAttributes(leaf);
  }

  // The children of a branch at depth: leaves, branches and tables.
  void FillBranch(ncElement *branch, int depth) {
    std::set<std::string> names;
    int children = Pick(1, depth == 0 ? 6 : 4);
    for (int i = 0; i < children; ++i) {
      std::string name = Name(names);
      int kind = depth >= 3 ? 0 : Pick(0, 5);
      if (kind <= 2) {
        Leaf(branch, name);
      } else if (kind == 3) {
        ncElement *group = Child(branch, name);
        AddAttributes(group);
        FillBranch(group, depth + 1);
      } else if (kind == 4) {
        // A table of automatic instances, each holding the same cells.
        ncElement *table = Child(branch, name);
        std::set<std::string> cellNames;
        std::vector<std::string> cells;
        for (int c = Pick(1, 3); c > 0; --c) cells.push_back(Name(cellNames));
        for (int n = 1, count = Pick(1, 3); n <= count; ++n) {
          ncElement *instance = Child(table, std::to_string(n));
          ncSetElementAttr(instance, "instance", "auto");
          for (const std::string &cell : cells) Leaf(instance, cell);
        }
      } else {
        // A table whose instances one "$N" element stands for.
        ncElement *table = Child(branch, name);
        ncElement *instance = Child(table, "$N");
        instance->getFunc = InstanceCount;
        FillBranch(instance, depth + 2);
      }
    }
  }

  std::mt19937 random_;
  Format format_;
};

bool IsLeftOut(const std::string &key) {
  static const std::set<std::string> kLeftOut = {"exec", "get", "set", "instance", "prefix", "level", "origin", "index"};
  return kLeftOut.count(key) > 0;
}

// The tree as lines, tables expanded: each element's path (instance numbers
// in place of "$N"), a leaf's value (an absent one as empty) and its
// attributes less those the writers leave out; with branchAttributes false
// only leaves show attributes (dot text carries no others).
void Canonical(ncElement *element, const std::string &path, bool branchAttributes, Lines &lines) {
  bool leaf = uListSize(element->childList) == 0;
  std::string line = path;
  if (leaf) line += " = " + std::string(element->value != nullptr ? element->value : "");
  if (leaf || branchAttributes) {
    for (int i = 0; uListEol(element->attrList, i) == 0; ++i) {
      auto *attr = static_cast<ncAttr *>(uListGet(element->attrList, i));
      if (!IsLeftOut(attr->key)) line += std::string(" ") + attr->key + "=" + (attr->value ? attr->value : "");
    }
  }
  lines.push_back(line);
  for (int i = 0; uListEol(element->childList, i) == 0; ++i) {
    auto *child = static_cast<ncElement *>(uListGet(element->childList, i));
    if (std::strcmp(child->name, "$N") != 0) {
      Canonical(child, path + "." + child->name, branchAttributes, lines);
      continue;
    }
    char *parent = nullptr;
    ncGetElementDotName(element, &parent, nullptr);
    char count[8] = {};
    child->getFunc(parent, count, sizeof count);
    uFree(parent);
    for (int n = 1; n <= std::atoi(count); ++n) {
      ncSetElementValue(child, std::to_string(n).c_str());
      std::string instancePath = path + "." + std::to_string(n);
      lines.push_back(instancePath);
      for (int c = 0; uListEol(child->childList, c) == 0; ++c) {
        auto *cell = static_cast<ncElement *>(uListGet(child->childList, c));
        Canonical(cell, instancePath + "." + cell->name, branchAttributes, lines);
      }
    }
  }
}

Lines Canonical(ncHandle *tree, bool branchAttributes) {
  Lines lines;
  Canonical(tree->root, "cfg", branchAttributes, lines);
  return lines;
}

class RoundTripTest : public FormatTest {
 protected:
  // Writes a generated tree in format, reads the text into an empty tree
  // and compares; false after the first seed that fails.
  void Check(Format format, int seeds) {
    int outputFormat = format == Format::kXml ? NC_OUTPUT_XML : NC_OUTPUT_DOT;
    for (int seed = 1; seed <= seeds; ++seed) {
      SCOPED_TRACE(testing::Message() << "seed " << seed);
      ncHandle *tree = TreeGenerator(static_cast<unsigned>(seed), format).Make();
      std::string text = Output(tree, outputFormat);
      ncHandle *back = ncCreatePrivate("cfg");
      ASSERT_EQ(ncParseFromBuf(back, text.c_str(), outputFormat == NC_OUTPUT_XML ? NC_FORMAT_XML : NC_FORMAT_DOT), 0)
          << text;
      bool branchAttributes = format == Format::kXml;
      EXPECT_EQ(Canonical(back, branchAttributes), Canonical(tree, branchAttributes)) << text;
      EXPECT_EQ(Output(back, outputFormat), text);
      ncDestroy(back);
      ncDestroy(tree);
      if (HasFailure()) return;
    }
  }
};

TEST_F(RoundTripTest, XmlReadsBackAsItWasWritten) { Check(Format::kXml, 300); }

TEST_F(RoundTripTest, DotTextReadsBackAsItWasWritten) { Check(Format::kDot, 300); }

}  // namespace
}  // namespace elemtree_test
