// Finding elements by dotted name, and finding or creating them.
#include <cstdio>
#include <string>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

class SearchTest : public TreeTest {};

TEST_F(SearchTest, NamesBelowTheRootIgnoreCase) {
  ncHandle *tree = MakeTree("a", {"a.b.c", "a.net.port"});
  ncElement *root = tree->root;
  ncElement *b = ncGetElementByName(tree, "a.b");
  ASSERT_NE(b, nullptr);
  struct Case {
    const char *dotName;
    const char *found;  // full dot name, or null
  } cases[] = {
      {"A.B", "a.b"},     {"a.NET.Port", "a.net.port"}, {"a", "a"}, {"a.", "a"},  {"a.b.", "a.b"},
      {"a.x", nullptr},   {"b", nullptr},               {"", nullptr}, {"a.b.c.d", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dotName);
    ncElement *found = ncSearchElement(root, c.dotName);
    if (c.found == nullptr) {
      EXPECT_EQ(found, nullptr);
    } else {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(DotName(found), c.found);
    }
  }
  EXPECT_EQ(ncSearchElement(b, "b.c"), ncGetElementByName(tree, "a.b.c")) << "from any start element";
  EXPECT_EQ(ncSearchElement(nullptr, "a"), nullptr);
  EXPECT_EQ(ncSearchElement(root, nullptr), nullptr);
}

int gInstanceCount = 0;
std::string gCountedFor;
int ReportInstances(const char *dotName, char *buffer, int size) {
  gCountedFor = dotName;
  std::snprintf(buffer, static_cast<size_t>(size), "%d", gInstanceCount);
  return 0;
}

TEST_F(SearchTest, CustomInstancesTakeNumbersUpToTheirCount) {
  ncHandle *tree = MakeTree("a", {"a.b.$N.x"});
  ncElement *instance = ncSearchElement(tree->root, "a.b.$N");
  ASSERT_NE(instance, nullptr);
  instance->getFunc = ReportInstances;
  gInstanceCount = 4;
  struct Case {
    const char *dotName;
    bool found;
  } cases[] = {
      {"a.b.3.x", true}, {"a.b.4.x", true}, {"a.b.5.x", false}, {"a.b.0.x", false}, {"a.b.-1.x", false},
      {"a.b.2", true},   {"a.b.02", false},  // the element itself: the number as written
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dotName);
    EXPECT_EQ(ncGetElementByName(tree, c.dotName) != nullptr, c.found);
  }
  ncElement *x = ncGetElementByName(tree, "a.b.3.x");
  EXPECT_STREQ(instance->value, "3") << "the instance addressed last";
  EXPECT_EQ(gCountedFor, "a.b");
  EXPECT_EQ(DotName(x), "a.b.3.x");

  gInstanceCount = 0;  // no count: the stored number alone matches
  EXPECT_EQ(ncGetElementByName(tree, "a.b.3.x"), x);
  EXPECT_EQ(ncGetElementByName(tree, "a.b.2.x"), nullptr);
  instance->getFunc = nullptr;
  EXPECT_EQ(ncGetElementByName(tree, "a.b.3.x"), x);
  EXPECT_EQ(ncGetElementByName(tree, "a.b.12345678.x"), nullptr) << "at most 7 digits are read";
}

TEST_F(SearchTest, AddFindsOrCreatesAlongTheName) {
  ncElement *root = ncCreateElement("a");
  ncElement *leaf = ncElementAddByName(root, "a.b.leaf");
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(DotName(leaf), "a.b.leaf");
  EXPECT_EQ(ncElementAddByName(root, "A.B.leaf"), leaf) << "the last name as spelt, the others in any case";
  EXPECT_EQ(ncElementAddByName(root, "a.b.my leaf")->name, std::string("myleaf"));
  EXPECT_EQ(ncElementAddByName(root, "a"), root);

  EXPECT_EQ(ncElementAddByName(root, "x.y"), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.element",
                     "ncElementAddByName: start element not match, start name=[a], dotname=[x.y]!"));
  ncElement *b = leaf->parent;
  int children = ChildCount(b);
  EXPECT_EQ(ncElementAddByName(root, "a.b."), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.element", "ncElementAddByName: End with '.'; do not add the last element!"));
  EXPECT_EQ(ChildCount(b), children);
  EXPECT_EQ(ncElementAddByName(nullptr, "a"), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.element", "ncElementAddByName: Invalid param!"));
  ncRecursiveDestroyElement(root);
}

TEST_F(SearchTest, AnotherSpellingMakesASiblingButNeverAnOrphan) {
  ncElement *root = ncCreateElement("a");
  ncElement *b = ncElementAddByName(root, "a.b");
  ncElement *sibling = ncElementAddByName(b, "B");
  ASSERT_NE(sibling, nullptr);
  EXPECT_NE(sibling, b);
  EXPECT_EQ(sibling->parent, root);
  EXPECT_EQ(ChildCount(root), 2);
  // A root has no parent to hold a sibling: the name, which differs in case
  // only, names the root itself.
  long live = hostMemLiveBlocks();
  EXPECT_EQ(ncElementAddByName(root, "A"), root);
  EXPECT_EQ(hostMemLiveBlocks(), live) << "nothing made that no tree owns";
  ncRecursiveDestroyElement(root);
}

TEST_F(SearchTest, TreeLevelAddMakesTheRoot) {
  ncHandle *tree = ncCreate("a");
  ncElement *c = ncAddElementByName(tree, "a.b.c");
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(tree->root->name, "a");
  EXPECT_EQ(DotName(c), "a.b.c");
  EXPECT_EQ(ncAddElementByName(tree, "a.b.c"), c);
  EXPECT_EQ(ncGetElementByName(tree, "a.b.c"), c);
  EXPECT_EQ(ncAddElementByName(tree, "x.y"), nullptr);
  EXPECT_EQ(ncAddElementByName(tree, "A"), tree->root);

  ncHandle *single = ncCreate("solo");
  ncElement *root = ncAddElementByName(single, "solo");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(single->root, root);
  EXPECT_EQ(ncAddElementByName(single, "solo"), root);
}

TEST_F(SearchTest, LongComponentsAreCutAndFoundAgain) {
  ncHandle *tree = ncCreate("t");
  std::string longName(70, 'n');
  std::string dotName = "t.branch." + longName;
  ncElement *leaf = ncAddElementByName(tree, dotName.c_str());
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(std::string(leaf->name), std::string(63, 'n'));
  EXPECT_EQ(ncAddElementByName(tree, dotName.c_str()), leaf) << "no second element for the same name";
  EXPECT_EQ(ncGetElementByName(tree, dotName.c_str()), leaf);
  EXPECT_EQ(ChildCount(leaf->parent), 1);
}

TEST_F(SearchTest, TreeLevelCallsCheckTheirArguments) {
  ncHandle *tree = ncCreate("t");
  EXPECT_EQ(ncGetElementByName(nullptr, "t"), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncGetElementByName: Invalid parameter! ncHandle=[NULL], dotName=[NOT NULL]"));
  EXPECT_EQ(ncAddElementByName(tree, nullptr), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncAddElementByName: Invalid parameter! ncHandle=[NOT NULL], dotName=[NULL]"));
  EXPECT_EQ(ncGetElementByName(tree, "t"), nullptr) << "an empty tree";
  EXPECT_EQ(ncAddElementByName(tree, ""), nullptr);
  EXPECT_EQ(tree->root, nullptr);
}

}  // namespace
}  // namespace elemtree_test
