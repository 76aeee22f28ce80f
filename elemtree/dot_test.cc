// The dot text reader: the parts of one line, and the lines of a window.
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

}  // namespace
}  // namespace elemtree_test
