// Value access and instance deletion by dotted name.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

// What the hooks saw, in call order.
std::vector<std::string> gEvents;

int FetchFromDevice(const char *dotName, char *buffer, int size) {
  gEvents.push_back(std::string("get ") + dotName);
  std::snprintf(buffer, static_cast<size_t>(size), "device value");
  return 0;
}
int ApplyToDevice(const char *dotName, const char *value) {
  // The element still holds the old value while the hook runs.
  ncElement *element = ncGetElementByName(ncFindHandleByName(dotName), dotName);
  gEvents.push_back(std::string("set ") + dotName + " " + (value != nullptr ? value : "(null)") + " over " +
                    Text(element != nullptr ? element->value : nullptr));
  return 0;
}
int DeleteInstance(const char *dotName) {
  gEvents.push_back(std::string("del ") + dotName);
  return 0;
}
int gCount = 0;
int CountInstances(const char *, char *buffer, int size) {
  std::snprintf(buffer, static_cast<size_t>(size), "%d", gCount);
  return 0;
}
// a.x stands for a.y; anything else is itself.
int AliasXToY(const char *dotName, const char *, char *output, int size) {
  std::snprintf(output, static_cast<size_t>(size), "%s", std::string(dotName) == "a.x" ? "a.y" : dotName);
  return 0;
}
int FailToResolve(const char *, const char *, char *, int) { return -1; }

class ValueTest : public TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    gEvents.clear();
    tree_ = MakeTree("a", {"a.x=1", "a.y=2", "a.hooked=old"});
  }
  std::string Get(const char *dotName, int size = 64) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    result_ = ncGetValue(dotName, buffer, size);
    return buffer;
  }
  ncElement *Element(const char *dotName) { return ncGetElementByName(tree_, dotName); }

  ncHandle *tree_ = nullptr;
  int result_ = 0;
};

TEST_F(ValueTest, GetCopiesTheStoredValueOrFetchesIt) {
  EXPECT_EQ(Get("a.x"), "1");
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(Get("a.hooked", 3), "ol") << "cut to the buffer";

  Element("a.hooked")->getFunc = FetchFromDevice;
  EXPECT_EQ(Get("a.HOOKED"), "device value");
  EXPECT_EQ(gEvents, std::vector<std::string>{"get a.HOOKED"}) << "the hook gets the name as given";
  EXPECT_STREQ(Element("a.hooked")->value, "device value") << "and the value is kept";
}

TEST_F(ValueTest, SetRunsTheHookBeforeStoring) {
  Element("a.hooked")->setFunc = ApplyToDevice;
  EXPECT_EQ(ncSetValue("a.hooked", " new "), 0);
  EXPECT_EQ(gEvents, std::vector<std::string>{"set a.hooked  new  over old"});
  EXPECT_STREQ(ncGetElementValue(Element("a.hooked")), " new ") << "stored as given";
  EXPECT_EQ(ncSetValue("a.x", nullptr), 0);
  EXPECT_EQ(Element("a.x")->value, nullptr);
}

TEST_F(ValueTest, ResolverRedirectsToTheRealName) {
  tree_->realDotNameFunc = AliasXToY;
  EXPECT_EQ(Get("a.x"), "2");
  EXPECT_EQ(ncSetValue("a.x", "3"), 0);
  EXPECT_STREQ(Element("a.y")->value, "3");
  EXPECT_STREQ(Element("a.x")->value, "1");

  tree_->realDotNameFunc = FailToResolve;
  testsupport::ClearLog();
  EXPECT_EQ(Get("a.x"), std::string(63, '#')) << "the buffer is left as it was";
  EXPECT_EQ(result_, -1);
  EXPECT_TRUE(Logged(HOST_LOG_DEBUG, "tarvo.nc", "ncGetValue: get real dotName error!"));
  EXPECT_EQ(ncSetValue("a.x", "4"), -1);
  EXPECT_TRUE(Logged(HOST_LOG_DEBUG, "tarvo.nc", "ncSetValue: get real dotName error!"));
  EXPECT_EQ(ncDelInstance("a.x"), -1);
  EXPECT_TRUE(Logged(HOST_LOG_DEBUG, "tarvo.nc", "ncDelInstance: failed to get real dotName!"));
  EXPECT_STREQ(Element("a.x")->value, "1");
}

TEST_F(ValueTest, MissingTreesAndElementsAreReported) {
  char buffer[16];
  struct Case {
    int result;
    int error;
    int level;
    const char *text;
  } cases[] = {
      {ncGetValue("b.x", buffer, sizeof buffer), NC_ERR_NO_TREE, HOST_LOG_INFO,
       "ncGetValue: dotName is [b.x], no Nc support!"},
      {ncGetValue("a.none", buffer, sizeof buffer), NC_ERR_NO_ELEMENT, HOST_LOG_WARN,
       "ncGetValue: dotName is [a.none], not support!"},
      {ncGetValue(nullptr, buffer, sizeof buffer), NC_ERR_NO_TREE, HOST_LOG_INFO,
       "ncGetValue: dotName is [], no Nc support!"},
      {ncGetValue("a.x", nullptr, 16), NC_ERR_INVALID_PARAM, HOST_LOG_WARN,
       "ncGetValue: Invalid parameter! dotName=[NOT NULL], buffer=[NULL], size=[16]"},
      {ncSetValue("b.x", "v"), NC_ERR_NO_TREE, HOST_LOG_INFO, "ncSetValue: dotName is [b.x], no Nc support!"},
      {ncSetValue("a.none", "v"), NC_ERR_NO_ELEMENT, HOST_LOG_WARN,
       "ncSetValue: dotName is [a.none], no such name!"},
      {ncDelInstance("b.x"), NC_ERR_NO_TREE, HOST_LOG_WARN, "ncDelInstance: dotName is [b.x], no Nc support!"},
      {ncDelInstance("a.none"), NC_ERR_NO_ELEMENT, HOST_LOG_WARN,
       "ncDelInstance: dotName is [a.none], no such name!"},
  };
  // The calls ran in order above; their lines and the last code are checked here.
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.result, -1);
    EXPECT_TRUE(Logged(c.level, "tarvo.nc", c.text));
  }
}

TEST_F(ValueTest, EachFailureSetsItsCode) {
  char buffer[16];
  ncGetValue("b.x", buffer, sizeof buffer);
  EXPECT_EQ(ncGetError(), NC_ERR_NO_TREE);
  ncSetValue("a.none", "v");
  EXPECT_EQ(ncGetError(), NC_ERR_NO_ELEMENT);
  ncGetValue("a.x", nullptr, 0);
  EXPECT_EQ(ncGetError(), NC_ERR_INVALID_PARAM);
  ncDelInstance("b.x");
  EXPECT_EQ(ncGetError(), NC_ERR_NO_TREE);
}

TEST_F(ValueTest, DeletingOneInstanceClearsItsValue) {
  ncElement *x = Element("a.x");
  x->delFunc = DeleteInstance;
  EXPECT_EQ(ncDelInstance("a.x"), 0);
  EXPECT_EQ(gEvents, std::vector<std::string>{"del a.x"});
  EXPECT_EQ(x->value, nullptr);
  EXPECT_NE(Element("a.x"), nullptr) << "the tree keeps its shape";
}

TEST_F(ValueTest, DeletingEveryInstanceWalksTheTableFromTheLast) {
  MakeTree("a", {"a.list.$N.name", "a.list.label=l"});
  ncElement *instance = Element("a.list.$N");
  instance->getFunc = CountInstances;
  instance->delFunc = DeleteInstance;
  Element("a.list.label")->delFunc = DeleteInstance;
  gCount = 3;
  EXPECT_EQ(ncDelInstance("a.list."), 0);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"del a.list.3", "del a.list.2", "del a.list.1", "del a.list.label"}));
  EXPECT_EQ(Element("a.list.label")->value, nullptr);

  gEvents.clear();
  gCount = 0;
  EXPECT_EQ(ncDelInstance("a.list."), 0);
  EXPECT_EQ(gEvents, std::vector<std::string>{"del a.list.label"}) << "no instances to delete";
}

TEST_F(ValueTest, DeletingBelowANamelessChildEnds) {
  ncElement *list = ncAddElementByName(tree_, "a.list.item");
  ASSERT_NE(list, nullptr);
  ncElement *nameless = ncCreateElement("tmp");
  ncSetElementName(nameless, nullptr);
  ncElementAddChild(list->parent, nameless);
  EXPECT_EQ(ncDelInstance("a.list."), 0);
}

TEST_F(ValueTest, DeletingThroughTheResolver) {
  MakeTree("a", {"a.t=2", "a.t.$N.v"});
  ncElement *instance = Element("a.t.$N");
  ASSERT_NE(instance, nullptr);
  ncSetElementValue(instance, "1");
  ncSetElementValue(instance->parent, "table");
  instance->delFunc = DeleteInstance;
  static std::string seenValue;
  tree_->realDotNameFunc = [](const char *dotName, const char *value, char *output, int size) {
    seenValue = value;
    std::snprintf(output, static_cast<size_t>(size), "%s", dotName);
    return 7;
  };
  EXPECT_EQ(ncDelInstance("a.t.1"), 7) << "the resolver's result";
  EXPECT_EQ(seenValue, "table.$N") << "the parent's value and $N";
  EXPECT_EQ(gEvents, std::vector<std::string>{"del a.t.1"});
  ncSetElementValue(instance->parent, nullptr);
  ncSetElementValue(instance, "1");
  EXPECT_EQ(ncDelInstance("a.t.1"), -1) << "no parent value to give the resolver";
}

}  // namespace
}  // namespace elemtree_test
