// The dot text reader: the parts of one line, and the lines of a window.
#include <random>
#include <string>
#include <vector>

#include "format_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

class DotTest : public FormatTest {
 protected:
  void SetUp() override {
    FormatTest::SetUp();
    tree_ = ncCreate("sys");
  }
  // The element of one line applied alone: "value [attributes]" and the
  // info message logged, if any.
  std::string Apply(const std::string &line) {
    testsupport::ClearLog();
    std::string text = line + "\n";
    EXPECT_EQ(ncParseDot(tree_, text.data()), static_cast<int>(text.size()));
    char name[64];
    ncParseDotName(line.c_str(), name, sizeof name);
    ncElement *element = ncGetElementByName(tree_, name);
    if (element == nullptr) return "(no element)";
    std::string shown = Text(element->value);
    for (const std::string &attr : Attributes(element)) shown += " " + attr;
    for (const hostLogLine &logged : testsupport::LogLines()) shown += std::string(" | ") + logged.text;
    return shown;
  }
  ncHandle *tree_ = nullptr;
};

TEST_F(DotTest, ALineGivesNameParametersValueAndAttributes) {
  struct Case {
    const char *line;
    const char *name;
    const char *shown;
  } cases[] = {
      {"sys.net.ip(a,b)?return=int", "sys.net.ip",
       "(null) param=a param=b return=int | ncParseDotElementValue: have : flag, but is not value;[sys.net.ip(a,b)?return=int]"},
      {"sys.mode=f(x)", "sys.mode", "f(x)"},
      {"sys.port = 42?mode=rw, src=user", "sys.port", "42 mode=rw src=user"},
      {"sys.a?x=1,y=g(1,2),z", "sys.a",
       "(null) x=1 y=g(1,2) z | ncParseDotElementValue: have : flag, but is not value;[sys.a?x=1,y=g(1,2),z]"},
      {"sys.b?level=3=4", "sys.b",
       "(null) level=3=4 | ncParseDotElementValue: have : flag, but is not value;[sys.b?level=3=4]"},
      {"sys.c?k=v = 5", "sys.c", "(null) k=v = 5 | ncParseDotElementValue: have : flag, but is not value;[sys.c?k=v = 5]"},
      {"sys.d(p=1)", "sys.d", "(null) param=p=1 | ncParseDotElementValue: have = flag, but is not value;[sys.d(p=1)]"},
      {"sys.e(x?y)", "sys.e", "(null) param=x?y | ncParseDotElementAttr: Have ? flag, but is not attribute, [sys.e(x?y)]!"},
      {"sys.f(a", "sys.f(a", "(null) | ncParseDotElementParam: right bracket not exist, this is not parameter!"},
      {"sys.g = what?now", "sys.g", "what now"},
      {"sys.h =", "sys.h", ""},
      {"  sys.i  =  spaced value  ", "sys.i", "spaced value"},
      {"sys.j(int a, char *b) = 1", "sys.j", "1 param=int a param=char *b"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    char name[64];
    ncParseDotName(c.line, name, sizeof name);
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(Apply(c.line), c.shown);
  }
}

TEST_F(DotTest, ParsingALineTwiceAddsEachParameterOnce) {
  Apply("sys.f(int a, int b)?return=int");
  EXPECT_EQ(Apply("sys.f(int a, int b)?return=int"),
            "(null) param=int a param=int b return=int | ncParseDotElementValue: have : flag, but is not "
            "value;[sys.f(int a, int b)?return=int]");
}

TEST_F(DotTest, PartsAreCutAtTheirLimits) {
  std::string key(40, 'k');
  std::string value(120, 'v');
  std::string param(120, 'p');
  Apply("sys.long(" + param + ") = " + std::string(300, 'x'));
  ncElement *element = ncGetElementByName(tree_, "sys.long");
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(Attributes(element), (std::vector<std::string>{"param=" + param.substr(0, 95)}));
  EXPECT_EQ(Text(element->value), std::string(255 - 133, 'x')) << "the line is cut at 255 bytes";
  Apply("sys.attr?" + key + "=" + value);
  EXPECT_EQ(Attributes(ncGetElementByName(tree_, "sys.attr")),
            (std::vector<std::string>{key.substr(0, 31) + "=" + value.substr(0, 95)}));
  char name[8];
  ncParseDotName("sys.abcdefgh = 1", name, sizeof name);
  EXPECT_STREQ(name, "sys.abc");
}

TEST_F(DotTest, AWindowIsConsumedUpToItsLastLineEnd) {
  struct Case {
    const char *text;
    int consumed;
    std::vector<std::string> tree;
  } cases[] = {
      {"sys.b=1\r\nsys.c=2", 9, {"sys = -", "sys.b = 1"}},
      {"sys.b=1", 0, {"sys = -", "sys.b = 1"}},
      {"sys.b=1\rsys.c=2\r", 16, {"sys = -", "sys.b = 1", "sys.c = 2"}},
      {"sys.b=1\rsys.c=2\n", 16, {"sys = -", "sys.b = 1\rsys.c=2"}},
      {"sys.b=1\nsys.x:notsupport\nsys.c=2\n", 25, {"sys = -", "sys.b = 1"}},
      {"sys.x:notsupport", 0, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    ncHandle *tree = ncCreatePrivate("sys");
    std::string text = c.text;
    EXPECT_EQ(ncParseDot(tree, text.data()), c.consumed);
    EXPECT_EQ(ShowTree(tree), c.tree);
    ncDestroy(tree);
  }
  EXPECT_EQ(ncParseDot(nullptr, nullptr), -1);
}

TEST_F(DotTest, LinesThatNameNoElementAreSkipped) {
  std::string text = "sys.a=1\n\nother.b=2\nsys.c.=3\nsys.d=4\n";
  EXPECT_EQ(ncParseFromBuf(tree_, text.c_str(), NC_FORMAT_DOT), 0);
  EXPECT_EQ(ShowTree(tree_), (std::vector<std::string>{"sys = -", "sys.a = 1", "sys.c = -", "sys.d = 4"}));
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.parse", "ncParseDot: parse[] failed!"));
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.parse", "ncParseDot: parse[other.b=2] failed!"));
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.parse", "ncParseDot: parse[sys.c.=3] failed!"));
}

std::vector<std::string> gApplied;
int NoteValue(const char *dotName, const char *value) {
  gApplied.push_back(std::string(dotName) + "=" + Text(value));
  return 0;
}
int Redirect(const char *dotName, const char *, char *output, int size) {
  std::snprintf(output, static_cast<size_t>(size), "%s", std::string(dotName) == "sys.alias" ? "sys.real" : dotName);
  return 0;
}

TEST_F(DotTest, ValuesAreHandedToTheHooksThroughTheResolver) {
  gApplied.clear();
  ncAddElementByName(tree_, "sys.real")->setFunc = NoteValue;
  ncAddElementByName(tree_, "sys.alias")->setFunc = NoteValue;
  Apply("sys.real = 1");
  EXPECT_EQ(gApplied, (std::vector<std::string>{"sys.real=1"}));
  tree_->realDotNameFunc = Redirect;
  Apply("sys.alias = 2");
  EXPECT_EQ(gApplied, (std::vector<std::string>{"sys.real=1", "sys.real=2"}));
  EXPECT_EQ(Text(ncGetElementByName(tree_, "sys.real")->value), "2");
  EXPECT_EQ(Text(ncGetElementByName(tree_, "sys.alias")->value), "(null)");
}

// ---- Lines that share their way down the tree ------------------------------

ncHandle *gHookTree = nullptr;

// Count of the "$N" table that reports its instances.
int TwoInstances(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "2"); }

// A value hook that takes the first child of the root away: the branch that
// holds the hooked leaf, below which the next line's search may start.
int DropFirstBranch(const char *, const char *) {
  ncElement *root = gHookTree->root;
  ncRecursiveDestroyElement(static_cast<ncElement *>(uListRemove(root->childList, 0)));
  return 0;
}

ncElement *AddChild(ncElement *parent, const char *name) {
  ncElement *child = ncCreateElement(name);
  ncElementAddChild(parent, child);
  return child;
}

// A hooked leaf, branches whose names differ in letter case only, a counted
// "$N" table and a "$N" instance that holds its number.
ncHandle *MakeAwkwardTree() {
  ncHandle *tree = ncCreatePrivate("sys");
  tree->root = ncCreateElement("sys");
  AddChild(AddChild(tree->root, "b"), "hook")->setFunc = DropFirstBranch;
  AddChild(AddChild(tree->root, "a"), "x");
  AddChild(AddChild(tree->root, "A"), "y");
  ncElement *counted = AddChild(AddChild(tree->root, "t"), "$N");
  counted->getFunc = TwoInstances;
  AddChild(counted, "x");
  ncElement *numbered = AddChild(AddChild(tree->root, "u"), "$N");
  ncSetElementValue(numbered, "1");
  AddChild(numbered, "x");
  return tree;
}

// What the reader did before it kept the way from line to line: each line
// searched from the root, then created along its name.
void ApplyFromTheRoot(ncHandle *tree, const std::string &line) {
  char name[64];
  ncParseDotName(line.c_str(), name, sizeof name);
  ncElement *element = ncSearchElement(tree->root, name);
  if (element == nullptr) element = ncAddElementByName(tree, name);
  if (element == nullptr) return;
  ncParseDotElementParam(element, line.c_str());
  ncParseDotElementValue(tree, element, line.c_str());
  ncParseDotElementAttr(element, line.c_str());
}

// Lines over few names, so that they share, leave and come back to ways.
// They start with a line that "sys.a" would take when it came first, and
// with the hooked leaf.
std::string GeneratedLines(unsigned seed, int count) {
  static const char *const kFirst[] = {"sys", "sys", "sys", "sys", "sys", "sys", "SYS", "other"};
  static const char *const kNames[] = {"a", "A", "b", "bb", "t", "u", "$N", "$n", "1", "2", "3", "x", "y", ""};
  std::mt19937 random(seed);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::string text = "sys.A.y = first\nsys.b.hook = 0\nsys.b.x = 0\n";
  for (int i = 0; i < count; ++i) {
    std::string line = kFirst[pick(8)];
    for (int depth = 1 + pick(4); depth > 0; --depth) line += std::string(".") + kNames[pick(14)];
    if (pick(5) < 2) line += " = v" + std::to_string(i);
    if (pick(5) == 0) line += "?k=" + std::to_string(i);
    text += line + "\n";
  }
  return text;
}

TEST_F(DotTest, LinesOfAGroupFindWhatASearchFromTheRootFinds) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string text = GeneratedLines(seed, 400);
    ncHandle *expected = gHookTree = MakeAwkwardTree();
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
      ApplyFromTheRoot(expected, text.substr(at, end - at));

    ncHandle *windowed = gHookTree = MakeAwkwardTree();
    EXPECT_EQ(ncParseFromBuf(windowed, text.c_str(), NC_FORMAT_DOT), 0);
    ncHandle *whole = gHookTree = MakeAwkwardTree();
    std::string copy = text;
    EXPECT_EQ(ncParseDot(whole, copy.data()), static_cast<int>(text.size()));

    EXPECT_EQ(ShowTree(windowed), ShowTree(expected));
    EXPECT_EQ(ShowTree(whole), ShowTree(expected));
    for (ncHandle *tree : {expected, windowed, whole}) ncDestroy(tree);
  }
}

}  // namespace
}  // namespace elemtree_test
