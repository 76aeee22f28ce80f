// Ancestor paths, full dot names, dot descriptions and value hooks.
#include <cstring>
#include <string>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

class PathTest : public TreeTest {
 protected:
  // a.b.$N(value 3).x
  void SetUp() override {
    TreeTest::SetUp();
    tree_ = MakeTree("a", {"a.b.$N.x", "a.b.$N=3"});
    instance_ = ncGetElementByName(tree_, "a.b.$N");
    leaf_ = ncSearchElement(instance_, "3.x");
  }

  ncHandle *tree_ = nullptr;
  ncElement *instance_ = nullptr;
  ncElement *leaf_ = nullptr;
};

std::string AncestorPath(ncElement *element, int size = 256) {
  std::string buffer(static_cast<size_t>(size > 0 ? size : 1), '#');
  ncGetElementAncestorPath(element, buffer.data(), size);
  return buffer.c_str();
}

TEST_F(PathTest, InstancesShowTheirNumber) {
  ASSERT_NE(leaf_, nullptr);
  EXPECT_EQ(AncestorPath(leaf_), "a.b.3.");
  EXPECT_EQ(ncGetElementAncestorPath(leaf_, nullptr, 0), 0);
  EXPECT_EQ(AncestorPath(tree_->root), "") << "a root has none";

  char *text = nullptr;
  int size = -1;
  EXPECT_EQ(ncGetElementDotName(leaf_, &text, &size), 1) << "the length of the name part";
  EXPECT_STREQ(text, "a.b.3.x");
  EXPECT_EQ(size, 256);
  uFree(text);
  EXPECT_EQ(DotName(instance_), "a.b.$N") << "an instance element's own name is kept";
  EXPECT_EQ(ncGetElementDotName(nullptr, &text, &size), 0);
  EXPECT_EQ(ncGetElementDotName(leaf_, nullptr, &size), 0);
}

TEST_F(PathTest, AncestorsWithoutNameOrNumberAreSkipped) {
  ncSetElementValue(instance_, nullptr);
  EXPECT_EQ(AncestorPath(leaf_), "a.b.");
  EXPECT_TRUE(
      Logged(HOST_LOG_WARN, "tarvo.nc.element", "ncGetElementAncestorPath: Custom instance[a.b.] value is NULL!"));
  ncElement *b = instance_->parent;
  char *name = b->name;
  b->name = nullptr;
  EXPECT_EQ(AncestorPath(leaf_), "a.");
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.element", "ncGetElementAncestorPath: Branch element without name!"));
  // A leaf's description walks the ancestors once: one warning per line.
  ncSetElementValue(instance_, "3");
  testsupport::ClearLog();
  char line[256];
  ncGetElementDotDescription(leaf_, line, sizeof line, 7);
  EXPECT_EQ(testsupport::LogLines().size(), 1u);
  b->name = name;
  testsupport::ClearLog();
  EXPECT_EQ(ncGetElementAncestorPath(nullptr, nullptr, 0), 0);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.element", "ncGetElementAncestorPath: Invalid parameter!"));
}

TEST_F(PathTest, ShortBuffersCutThePathAndReportWhatWasNeeded) {
  ncHandle *tree = MakeTree("alpha", {"alpha.beta.gamma.leaf"});
  ncElement *leaf = ncGetElementByName(tree, "alpha.beta.gamma.leaf");
  struct Case {
    int size;
    const char *text;
    int length;
  } cases[] = {
      {256, "alpha.beta.gamma.", 17}, {8, "alpha.b", 11}, {6, "alpha", 6}, {1, "", 6}, {0, "#", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.size);
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    buffer[255] = '\0';
    if (c.size == 0) buffer[1] = '\0';
    EXPECT_EQ(ncGetElementAncestorPath(leaf, buffer, c.size), c.length);
    EXPECT_STREQ(buffer, c.text);
  }
}

TEST_F(PathTest, ComposeListsTheAncestorsRootFirst) {
  uListId list = uListInit(0);
  int marker = 0;
  uListAppend(list, &marker);
  ncComposeElementPath(leaf_, list);
  ASSERT_EQ(uListSize(list), 4);
  EXPECT_EQ(uListGet(list, 0), tree_->root);
  EXPECT_EQ(uListGet(list, 1), instance_->parent);
  EXPECT_EQ(uListGet(list, 2), instance_);
  EXPECT_EQ(uListGet(list, 3), &marker) << "ancestors go in front of what the list held";
  ncComposeElementPath(nullptr, list);
  ncComposeElementPath(leaf_, nullptr);
  uListUninit(list);
}

TEST_F(PathTest, FirstComponentOfADottedName) {
  struct Case {
    const char *dotName;
    int size;
    const char *first;
  } cases[] = {
      {"a.b.c", 64, "a"}, {"abc", 64, "abc"}, {"abcdef.x", 4, "abc"}, {"abcdef", 4, "abc"}, {".x", 64, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dotName);
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    ncGetElementNameFromDotName(c.dotName, buffer, c.size);
    EXPECT_STREQ(buffer, c.first);
  }
  char untouched[4] = "xyz";
  ncGetElementNameFromDotName(nullptr, untouched, 4);
  ncGetElementNameFromDotName("a", untouched, 0);
  EXPECT_STREQ(untouched, "xyz");
}

const char *Reversed(ncWord, ncWord, ncWord, ncWord, ncWord, ncWord) { return nullptr; }

std::string Description(ncElement *element, int flags, int size = 256) {
  std::string buffer(static_cast<size_t>(size), '#');
  int length = ncGetElementDotDescription(element, buffer.data(), size, flags);
  std::string text = buffer.c_str();
  EXPECT_EQ(length, static_cast<int>(text.size())) << "not cut";
  return text;
}

TEST_F(PathTest, DescriptionsOfLeavesBranchesAndFunctions) {
  ncHandle *tree = MakeTree("d", {"d.b=5", "d.net.mode=auto", "d.empty", "d.api.f"});
  ncElement *b = ncGetElementByName(tree, "d.b");
  ncSetElementAttr(b, "x", "1");
  ncSetElementAttr(b, "param", "p");
  ncSetElementAttr(b, "level", "3");
  ncSetElementAttr(b, "origin", "user");
  ncSetElementAttr(b, "flag", nullptr);
  ncElement *mode = ncGetElementByName(tree, "d.net.mode");
  ncSetElementAttr(mode, "type", "list");
  ncSetElementAttr(mode, "max", "4");
  ASSERT_EQ(ncRegisterExecElement("d.api.f", "int f(int a, int b)", reinterpret_cast<ncExecFunc>(Reversed)), 0);
  ncElement *f = ncGetElementByName(tree, "d.api.f");
  ncSetElementValue(f, "not shown");

  struct Case {
    const char *name;
    int flags;
    const char *line;
  } cases[] = {
      {"d.b", 7, "d.b = 5?x=1, flag="},
      {"d.b", 2, "d.b = 5"},
      {"d.b", 4, "d.b?x=1, flag="},
      {"d.b", 1, "d.b"},
      {"d.net.mode", 7, "d.net.mode = auto?type=list, max=4"},
      {"d.net", 7, "d.net"},
      {"d", 7, "d"},
      {"d.empty", 7, "d.empty = "},
      {"d.api.f", 7, "d.api.f(int a, int b)?return=int"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " flags " << c.flags);
    EXPECT_EQ(Description(ncGetElementByName(tree, c.name), c.flags), c.line);
  }
  EXPECT_EQ(Description(instance_, 7), "a.b.3") << "an instance shows its number";
}

TEST_F(PathTest, DescriptionThatDoesNotFitIsCut) {
  char buffer[8];
  EXPECT_EQ(ncGetElementDotDescription(leaf_, buffer, sizeof buffer, 7), 10) << "a.b.3.x = ";
  EXPECT_STREQ(buffer, "a.b.3.x");

  testsupport::ClearLog();
  char tiny[4];
  EXPECT_EQ(ncGetElementDotDescription(leaf_, tiny, sizeof tiny, 7), 4) << "a. and the b of b.";
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.element",
                     "ncGetElementDotDescription: Can not compose dot description finish! because path buffer is full."));
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.element", "ncGetElementDotDescription: path=[a.b]"));

  testsupport::ClearLog();
  EXPECT_EQ(ncGetElementDotDescription(leaf_, nullptr, 0, 7), 0);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.element",
                     "ncGetElementDotDescription: Can not compose dot description finish! because path is null."));
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.element", "ncGetElementDotDescription: path=[NULL]"));
  EXPECT_EQ(ncGetElementDotDescription(nullptr, buffer, sizeof buffer, 7), 0);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.element", "ncGetElementDotDescription: Invalid parameter!"));
}

// Hooks record what they were called with.
std::string gHookName;
std::string gHookValue;
int gHookCalls = 0;

int FetchLive(const char *dotName, char *buffer, int size) {
  gHookName = dotName;
  ++gHookCalls;
  std::snprintf(buffer, static_cast<size_t>(size), " live\r\n");
  return 0;
}
int FillWholeBuffer(const char *, char *buffer, int size) {
  std::memset(buffer, 'v', static_cast<size_t>(size));  // no terminating zero
  return 0;
}
int RecordSet(const char *dotName, const char *value) {
  gHookName = dotName;
  gHookValue = value != nullptr ? value : "(null)";
  ++gHookCalls;
  return 0;
}
int ToRealName(const char *dotName, const char *, char *output, int size) {
  std::snprintf(output, static_cast<size_t>(size), "%s.real", dotName);
  return 0;
}

TEST_F(PathTest, DescriptionFetchesValuesThroughTheHook) {
  ncHandle *tree = MakeTree("g", {"g.port=80"});
  ncElement *port = ncGetElementByName(tree, "g.port");
  port->getFunc = FetchLive;
  EXPECT_EQ(Description(port, 7), "g.port = live");
  EXPECT_EQ(gHookName, "g.port");
  EXPECT_STREQ(port->value, "live") << "the fetched value is stored";

  tree->realDotNameFunc = ToRealName;
  ncSetElementValue(port, "80");
  EXPECT_EQ(Description(port, 7), "g.port =  live\r\n") << "through the resolver, as fetched";
  EXPECT_EQ(gHookName, "g.port.real");
  EXPECT_STREQ(port->value, "80") << "the stored value stays";

  tree->realDotNameFunc = nullptr;
  port->getFunc = FillWholeBuffer;
  EXPECT_EQ(Description(port, 2, 512), "g.port = " + std::string(255, 'v')) << "an unterminated hook text is cut";
}

TEST_F(PathTest, TakeEffectHandsTheValueToTheHook) {
  ncHandle *tree = MakeTree("s", {"s.b=5"});
  ncElement *b = ncGetElementByName(tree, "s.b");
  gHookCalls = 0;
  ncElementValueTakeEffect(b);
  ncElementValueTakeEffect(nullptr);
  EXPECT_EQ(gHookCalls, 0);
  b->setFunc = RecordSet;
  ncElementValueTakeEffect(b);
  EXPECT_EQ(gHookCalls, 1);
  EXPECT_EQ(gHookName, "s.b");
  EXPECT_EQ(gHookValue, "5");
  leaf_->setFunc = RecordSet;
  ncElementValueTakeEffect(leaf_);
  EXPECT_EQ(gHookName, "a.b.3.x");

  // Ten levels of 30 characters: the dot name is cut to 255 characters.
  std::string dotName = "s";
  for (int level = 0; level < 10; ++level) dotName += "." + std::string(29, 'a') + std::to_string(level);
  ncElement *deep = ncAddElementByName(tree, dotName.c_str());
  ASSERT_NE(deep, nullptr);
  deep->setFunc = RecordSet;
  ncElementValueTakeEffect(deep);
  EXPECT_EQ(gHookName, dotName.substr(0, 255));
  EXPECT_EQ(DotName(deep), dotName.substr(0, 255));
}

}  // namespace
}  // namespace elemtree_test
