// Elements and attributes.
#include <functional>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

class ElementTest : public TreeTest {};

TEST_F(ElementTest, CreateStoresTheNameWithoutBlanks) {
  struct Case {
    const char *name;
    const char *stored;  // null: no element
  } cases[] = {
      {"my name", "myname"}, {"  a b  c ", "abc"}, {"plain", "plain"}, {"", nullptr}, {nullptr, nullptr}, {" ", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Text(c.name));
    ncElement *element = ncCreateElement(c.name);
    if (c.stored == nullptr) {
      EXPECT_EQ(element, nullptr);
      continue;
    }
    ASSERT_NE(element, nullptr);
    EXPECT_STREQ(ncGetElementName(element), c.stored);
    EXPECT_EQ(ncGetElementValue(element), nullptr);
    EXPECT_EQ(ncGetElementAttrNum(element), 0);
    EXPECT_EQ(uListSize(element->childList), 0);
    EXPECT_EQ(element->parent, nullptr);
    ncDestroyElement(element);
  }
  EXPECT_TRUE(testsupport::NothingLoggedAtOrAbove(HOST_LOG_WARN));
}

TEST_F(ElementTest, SettingAnAttributeToEmptyKeepsItWithoutValue) {
  ncElement *element = ncCreateElement("e");
  EXPECT_EQ(ncSetElementAttr(element, "color", "red"), 0);
  EXPECT_STREQ(ncGetElementAttr(element, "color"), "red");
  EXPECT_EQ(ncSetElementAttr(element, "color", ""), 0);
  EXPECT_EQ(ncGetElementAttr(element, "color"), nullptr);
  EXPECT_EQ(ncGetElementAttrNum(element), 1);
  EXPECT_EQ(ncSetElementAttr(element, "color", "blue"), 0);
  EXPECT_EQ(ncSetElementAttr(element, "size", nullptr), 0);
  EXPECT_EQ(Attributes(element), (std::vector<std::string>{"color=blue", "size"}));
  EXPECT_EQ(ncSetElementAttr(element, "with blank", " x "), 0) << "keys and values are stored unchanged";
  EXPECT_STREQ(ncGetElementAttr(element, "with blank"), " x ");
  ncDestroyElement(element);
}

TEST_F(ElementTest, ParamHoldsEachValueOnce) {
  struct Case {
    const char *name;
    std::vector<std::pair<const char *, const char *>> sets;
    std::vector<std::string> attributes;
  } cases[] = {
      {"same twice", {{"param", "int a"}, {"param", "int a"}}, {"param=int a"}},
      {"two in order", {{"param", "int a"}, {"param", "int b"}}, {"param=int a", "param=int b"}},
      {"equal to another key's value", {{"return", "int"}, {"param", "int"}}, {"return=int"}},
      {"empty counts as absent", {{"flag", nullptr}, {"param", ""}}, {"flag"}},
      {"other keys are not repeated", {{"k", "1"}, {"k", "2"}}, {"k=2"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ncElement *element = ncCreateElement("f");
    for (auto [key, value] : c.sets) EXPECT_EQ(ncSetElementAttr(element, key, value), 0);
    EXPECT_EQ(Attributes(element), c.attributes);
    ncDestroyElement(element);
  }
}

TEST_F(ElementTest, RemoveTakesEveryAttributeOfTheKey) {
  ncElement *element = ncCreateElement("f");
  ncSetElementAttr(element, "param", "a");
  ncSetElementAttr(element, "param", "b");
  ncSetElementAttr(element, "return", "int");
  ncSetElementAttr(element, "param", "c");
  EXPECT_EQ(ncRemoveElementAttr(element, "param"), 0);
  EXPECT_EQ(Attributes(element), std::vector<std::string>{"return=int"});
  EXPECT_EQ(ncRemoveElementAttr(element, "param"), 0) << "also when there is none";
  EXPECT_EQ(ncRemoveElementAttr(element, "RETURN"), 0);
  EXPECT_EQ(ncGetElementAttrNum(element), 1) << "keys compare exactly";
  ncDestroyElement(element);
}

TEST_F(ElementTest, ParamCountIgnoresCaseButLookupDoesNot) {
  ncElement *element = ncCreateElement("f");
  ncSetElementAttr(element, "PARAM", "int a");
  ncSetElementAttr(element, "param", "int b");
  EXPECT_EQ(ncGetElementParamAttrNum(element), 2);
  EXPECT_STREQ(ncGetElementAttr(element, "param"), "int b");
  EXPECT_EQ(ncGetElementAttr(element, "Param"), nullptr);
  ncDestroyElement(element);
}

TEST_F(ElementTest, ValuesAreStrippedAndNamesLoseBlanks) {
  ncElement *element = ncCreateElement("e");
  EXPECT_EQ(ncSetElementValue(element, " 80\r\n"), 0);
  EXPECT_STREQ(ncGetElementValue(element), "80");
  EXPECT_EQ(ncSetElementValue(element, ncGetElementValue(element)), 0) << "its own value";
  EXPECT_STREQ(ncGetElementValue(element), "80");
  EXPECT_EQ(ncSetElementValue(element, nullptr), 0);
  EXPECT_EQ(ncGetElementValue(element), nullptr);

  EXPECT_EQ(ncSetElementName(element, "new name"), 0);
  EXPECT_STREQ(ncGetElementName(element), "newname");
  EXPECT_EQ(ncSetElementName(element, ncGetElementName(element)), 0);
  EXPECT_STREQ(ncGetElementName(element), "newname");
  EXPECT_EQ(ncSetElementName(element, ""), 0);
  EXPECT_EQ(ncGetElementName(element), nullptr);
  ncDestroyElement(element);
}

TEST_F(ElementTest, DestroyKeepsChildrenThatRecursiveDestroyFrees) {
  ncElement *root = ncCreateElement("a");
  ncElement *child = ncCreateElement("b");
  ncElement *grandchild = ncCreateElement("c");
  ASSERT_EQ(ncElementAddChild(root, child), 0);
  ASSERT_EQ(ncElementAddChild(child, grandchild), 0);
  EXPECT_EQ(child->parent, root);
  EXPECT_EQ(ncGetElementDeepth(root), 1);
  EXPECT_EQ(ncGetElementDeepth(child), 2);
  EXPECT_EQ(ncGetElementDeepth(grandchild), 3);

  long live = hostMemLiveBlocks();
  ncDestroyElement(child);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.element", "ncDestroyElement: Destroy Element with child lossed!"));
  EXPECT_LT(hostMemLiveBlocks(), live);
  EXPECT_STREQ(ncGetElementName(grandchild), "c") << "the child is kept";
  grandchild->parent = nullptr;
  ncDestroyElement(grandchild);
  uListRemove(root->childList, 0);

  ncElement *branch = ncCreateElement("x");
  ncElementAddChild(root, branch);
  ncElementAddChild(branch, ncCreateElement("y"));
  ncElementAddChild(branch, ncCreateElement("z"));
  ncRecursiveDestroyElement(root);  // the fixture checks that nothing stays live
  ncRecursiveDestroyElement(nullptr);
}

TEST_F(ElementTest, InvalidArgumentsAreLoggedAndFail) {
  ncElement *element = ncCreateElement("e");
  uListId attrs = element->attrList;
  element->attrList = nullptr;  // put back below
  struct Case {
    const char *call;
    std::function<bool()> failed;
    int level;
    const char *tag;
    const char *text;
  } cases[] = {
      {"destroy", [] { ncDestroyElement(nullptr); return true; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncDestroyElement: Invalid parameter!"},
      {"get attr", [] { return ncGetElementAttr(nullptr, "k") == nullptr; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementAttr: Invalid parameter! ncElement=[NULL], key=[NOT NULL]"},
      {"set attr", [&] { return ncSetElementAttr(element, nullptr, "v") == -1; }, HOST_LOG_ERROR,
       "tarvo.nc.element", "ncSetElementAttr: Invalid parameter! ncElement=[NOT NULL], key=[NULL]"},
      {"remove attr", [] { return ncRemoveElementAttr(nullptr, nullptr) == -1; }, HOST_LOG_ERROR,
       "tarvo.nc.element", "ncRemoveElementAttr: Invalid parameter! ncElement=[NULL], key=[NULL]"},
      {"attr num", [] { return ncGetElementAttrNum(nullptr) == 0; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementAttrNum: Invalid parameter! ncElement=[NULL], attrList=[NULL]"},
      {"attr num, no list", [&] { return ncGetElementAttrNum(element) == 0; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementAttrNum: Invalid parameter! ncElement=[NOT NULL], attrList=[NULL]"},
      {"param num", [] { return ncGetElementParamAttrNum(nullptr) == 0; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementParamAttrNum: Invalid parameter!\n"},
      {"get name", [] { return ncGetElementName(nullptr) == nullptr; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementName: Invalid parameter!\n"},
      {"set name", [] { return ncSetElementName(nullptr, "n") == -1; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncSetElementName: Invalid parameter!\n"},
      {"get value", [] { return ncGetElementValue(nullptr) == nullptr; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementValue: Invalid parameter!"},
      {"add child", [&] { return ncElementAddChild(element, nullptr) == -1; }, HOST_LOG_WARN, "tarvo.nc.element",
       "ncElementAddChild: invalid parameter!"},
      {"depth", [] { return ncGetElementDeepth(nullptr) == 0; }, HOST_LOG_ERROR, "tarvo.nc.element",
       "ncGetElementDeepth: Invalid parameter!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.call);
    testsupport::ClearLog();
    EXPECT_TRUE(c.failed());
    EXPECT_TRUE(Logged(c.level, c.tag, c.text));
  }
  testsupport::ClearLog();
  EXPECT_EQ(ncSetElementValue(nullptr, "v"), -1);
  EXPECT_EQ(hostLogCount(), 0) << "a null element is refused silently";
  element->attrList = attrs;
  ncDestroyElement(element);
}

TEST_F(ElementTest, ReservedKeyNumberIsFive) { EXPECT_EQ(gReserveKeyNum, 5); }

}  // namespace
}  // namespace elemtree_test
