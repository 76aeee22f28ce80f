// The XML reader: tags, attributes and text merged into a tree, tables of
// automatic and custom instances, and documents it must reject.
#include <string>
#include <vector>

#include "format_fixture.h"

namespace elemtree_test {
namespace {

using Lines = std::vector<std::string>;

class XmlTest : public FormatTest {
 protected:
  void SetUp() override {
    FormatTest::SetUp();
    tree_ = ncCreatePrivate("cfg");
  }
  void TearDown() override {
    ncDestroy(tree_);
    FormatTest::TearDown();
  }
  int Read(const std::string &document) { return ncParseFromBuf(tree_, document.c_str(), NC_FORMAT_XML); }
  ncHandle *tree_ = nullptr;
};

TEST_F(XmlTest, ADocumentMergesIntoTheTree) {
  const std::string document = "<cfg>\n  <a>1</a>\n  <b></b>\n  <c x=\"1\" y=\"\"/>\n</cfg>\n";
  ASSERT_EQ(Read(document), 0);
  Lines expected{"cfg = -", "cfg.a = 1", "cfg.b = ", "cfg.c =  [x=1 y]"};
  EXPECT_EQ(ShowTree(tree_), expected);
  ncElement *root = tree_->root;
  ncSetElementValue(ncGetElementByName(tree_, "cfg.a"), "changed");
  ncRemoveElementAttr(ncGetElementByName(tree_, "cfg.c"), "y");
  ncSetElementAttr(ncGetElementByName(tree_, "cfg.c"), "kept", "yes");
  ncSetElementAttr(ncGetElementByName(tree_, "cfg.c"), "index", "9");
  ASSERT_EQ(Read("<cfg><a>2</a><c x=\"2\"/></cfg>"), 0);
  EXPECT_EQ(tree_->root, root);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.a = 2", "cfg.b = ", "cfg.c =  [x=2 kept=yes]"}))
      << "values replaced, other attributes kept, index removed";
}

TEST_F(XmlTest, RepeatedTagsMakeATableOfAutomaticInstances) {
  ASSERT_EQ(Read("<cfg><dns><ip>a</ip></dns><dns><ip>b</ip></dns></cfg>"), 0);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.dns = -", "cfg.dns.1 = - [instance=auto]", "cfg.dns.1.ip = a",
                                    "cfg.dns.2 = - [instance=auto]", "cfg.dns.2.ip = b"}));
  // A tag carrying index="n" goes to instance n, made when it is missing.
  ASSERT_EQ(Read("<cfg><dns index=\"3\"><ip>c</ip></dns><dns index=\"1\"><ip>A</ip></dns></cfg>"), 0);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.dns = - [index=1]", "cfg.dns.1 = - [instance=auto]",
                                    "cfg.dns.1.ip = A", "cfg.dns.2 = - [instance=auto]", "cfg.dns.2.ip = b",
                                    "cfg.dns.3 = - [instance=auto]", "cfg.dns.3.ip = c"}));
}

TEST_F(XmlTest, AnIndexedTagConvertsAnElementIntoATable) {
  for (const char *index : {"3", "1"}) {
    SCOPED_TRACE(index);
    ncHandle *tree = ncCreatePrivate("cfg");
    ncSetElementValue(ncAddElementByName(tree, "cfg.dns.ip"), "old");
    std::string document = std::string("<cfg><dns index=\"") + index + "\"><ip>new</ip></dns></cfg>";
    ASSERT_EQ(ncParseFromBuf(tree, document.c_str(), NC_FORMAT_XML), 0);
    Lines expected{"cfg = -", std::string("cfg.dns = - [index=") + index + "]", "cfg.dns.1 = - [instance=auto]"};
    if (std::string(index) == "3") {
      expected.insert(expected.end(), {"cfg.dns.1.ip = old", "cfg.dns.3 = - [instance=auto]", "cfg.dns.3.ip = new"});
    } else {
      expected.push_back("cfg.dns.1.ip = new");  // the existing content is instance 1
    }
    EXPECT_EQ(ShowTree(tree), expected);
    ncDestroy(tree);
  }
}

TEST_F(XmlTest, InitState2KeepsRepeatedTagsFromMakingTables) {
  ncSetInitState(tree_, 2);
  ASSERT_EQ(Read("<cfg><dns><ip>a</ip></dns><dns><ip>b</ip></dns></cfg>"), 0);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.dns = -", "cfg.dns.ip = b"}));
}

TEST_F(XmlTest, AddMode1AddsEveryTagAgain) {
  tree_->addMode = 1;
  for (int i = 0; i < 2; ++i) ASSERT_EQ(Read("<cfg><a>1</a><b><c>2</c></b></cfg>"), 0);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.a = 1", "cfg.b = -", "cfg.b.c = 2", "cfg.a = 1", "cfg.b = -",
                                    "cfg.b.c = 2"}));
}

std::vector<std::string> gApplied;
int NoteValue(const char *dotName, const char *value) {
  gApplied.push_back(std::string(dotName) + "=" + Text(value));
  return 0;
}

TEST_F(XmlTest, ACustomInstanceTableTakesEachIndexAsItsNumber) {
  ncAddElementByName(tree_, "cfg.acct.$N.user")->setFunc = NoteValue;
  gApplied.clear();
  ASSERT_EQ(Read("<cfg><acct index=\"2\"><user>bob</user></acct><acct index=\"5\"><user>eve</user></acct></cfg>"),
            0);
  EXPECT_EQ(gApplied, (Lines{"cfg.acct.2.user=bob", "cfg.acct.5.user=eve"}));
  EXPECT_EQ(Text(ncGetElementByName(tree_, "cfg.acct.$N")->value), "5");
}

TEST_F(XmlTest, PrefixedTagsGoToTheirInstance) {
  ncHandle *tree = tree_;
  for (const char *name : {"cfg.acct.1", "cfg.acct.2"}) {
    ncElement *instance = ncAddElementByName(tree, name);
    ncSetElementAttr(instance, "instance", "auto");
    ncSetElementAttr(instance, "prefix", "Line");
  }
  ncAddElementByName(tree, "cfg.acct.2.Name");
  ASSERT_EQ(Read("<cfg><acct index=\"1\"><Line2Name>two</Line2Name><Line1Port>5060</Line1Port></acct></cfg>"), 0);
  EXPECT_EQ(Text(ncGetElementByName(tree, "cfg.acct.2.Name")->value), "two");
  EXPECT_EQ(Text(ncGetElementByName(tree, "cfg.acct.1.Port")->value), "5060") << "made when missing";
}

TEST_F(XmlTest, TextIsJoinedWithItsBlanksAndMixedContentDropped) {
  ASSERT_EQ(Read("<cfg><a>x&amp;y</a><b>  Tom &amp; Jerry &lt;3  </b><c>lead<d>1</d>tail</c></cfg>"), 0);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.a = x&y", "cfg.b = Tom & Jerry <3", "cfg.c = lead", "cfg.c.d = 1"}));
}

TEST_F(XmlTest, ATagNamedLikeItsParentIsAChildOfItsOwn) {
  ASSERT_EQ(Read("<cfg><cfg><x>1</x></cfg><y>2</y></cfg>"), 0);
  EXPECT_EQ(ShowTree(tree_), (Lines{"cfg = -", "cfg.cfg = -", "cfg.cfg.x = 1", "cfg.y = 2"}));
}

TEST_F(XmlTest, ADocumentDeeperThanTheLevelStackIsRejected) {
  std::string open;
  std::string close;
  for (int i = 0; i < 25; ++i) {
    open += "<e" + std::to_string(i) + ">";
    close = "</e" + std::to_string(i) + ">" + close;
  }
  EXPECT_EQ(Read("<cfg>" + open + "v" + close + "<after>1</after></cfg>"), -1);
  Lines lines = ShowTree(tree_);
  EXPECT_EQ(lines.size(), 20u) << "the root and the levels the stack holds";
  EXPECT_EQ(ncGetElementByName(tree_, "cfg.after"), nullptr);
  // The tree stays sound for the next document.
  ASSERT_EQ(Read("<cfg><after>1</after></cfg>"), 0);
  EXPECT_EQ(Text(ncGetElementByName(tree_, "cfg.after")->value), "1");
}

TEST_F(XmlTest, MalformedDocumentsFail) {
  for (const char *document : {"<cfg><a></cfg>", "<cfg>", "no xml", "<cfg></cfg><x/>", "<cfg a=\"1\" a=\"2\"/>"}) {
    SCOPED_TRACE(document);
    EXPECT_EQ(Read(document), -1);
  }
}

TEST_F(XmlTest, AttributeLookupIsExact) {
  const char *attributes[] = {"index", "3", "Index", "4", nullptr};
  EXPECT_STREQ(ncXmlAttrGetByName(attributes, "index"), "3");
  EXPECT_STREQ(ncXmlAttrGetByName(attributes, "Index"), "4");
  EXPECT_EQ(ncXmlAttrGetByName(attributes, "INDEX"), nullptr);
  EXPECT_EQ(ncXmlAttrGetByName(nullptr, "index"), nullptr);
  EXPECT_EQ(ncXmlAttrGetByName(attributes, nullptr), nullptr);
}

TEST_F(XmlTest, InstancesAreSelectedOrCreatedForARepeatedTag) {
  const char *none[] = {nullptr};
  const char *seven[] = {"index", "7", nullptr};
  ncElement *custom = ncAddElementByName(tree_, "cfg.list.$N");
  ncElement *list = custom->parent;
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(list, none, 1), custom);
  EXPECT_EQ(Text(custom->value), "1");
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(list, none, 1), custom);
  EXPECT_EQ(Text(custom->value), "2");
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(list, seven, 1), custom);
  EXPECT_EQ(Text(custom->value), "7");

  ncElement *table = ncAddElementByName(tree_, "cfg.table.1");
  ncSetElementAttr(table, "instance", "auto");
  ncElement *added = ncXmlParseAddInstanceChildElement(table->parent, none, 1);
  EXPECT_EQ(DotName(added), "cfg.table.2");
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(table->parent, seven, 1), ncXmlParseAddInstanceChildElement(table->parent, seven, 1));
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(nullptr, seven, 1), nullptr);
  // A plain element with no children, or whose first child is a branch, is
  // no table without an index.
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(ncAddElementByName(tree_, "cfg.leaf"), none, 1), nullptr);
  ncAddElementByName(tree_, "cfg.group.sub.x");
  EXPECT_EQ(ncXmlParseAddInstanceChildElement(ncGetElementByName(tree_, "cfg.group"), none, 1), nullptr);
}

}  // namespace
}  // namespace elemtree_test
