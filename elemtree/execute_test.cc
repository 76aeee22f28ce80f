// Registered functions and calls by dotted name.
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

// What the last registered function was called with.
struct Call {
  int arity = -1;
  std::vector<ncWord> words;
};
Call gCall;

template <typename... Words>
const char *Record(Words... words) {
  gCall.arity = sizeof...(words);
  gCall.words = {static_cast<ncWord>(words)...};
  return "done";
}
const char *Take0() { return Record(); }
const char *Take1(ncWord a) { return Record(a); }
const char *Take2(ncWord a, ncWord b) { return Record(a, b); }
const char *Take3(ncWord a, ncWord b, ncWord c) { return Record(a, b, c); }
const char *Take4(ncWord a, ncWord b, ncWord c, ncWord d) { return Record(a, b, c, d); }
const char *Take5(ncWord a, ncWord b, ncWord c, ncWord d, ncWord e) { return Record(a, b, c, d, e); }
const char *Take6(ncWord a, ncWord b, ncWord c, ncWord d, ncWord e, ncWord f) { return Record(a, b, c, d, e, f); }

// As the phone's modules write them: int and text parameters.
char gSum[16];
const char *Add(int a, int b) {
  std::snprintf(gSum, sizeof gSum, "%d", a + b);
  gCall.arity = 2;
  gCall.words = {a, b};
  return gSum;
}
std::string gText;
const char *Describe(int n, const char *s) {
  gCall.arity = 2;
  gCall.words = {n, reinterpret_cast<ncWord>(s)};
  gText = s != nullptr ? s : "(null)";
  return "described";
}

const char *ReturnNothing() { return nullptr; }

template <typename F>
ncExecFunc Exec(F *function) {
  return reinterpret_cast<ncExecFunc>(function);
}

class ExecuteTest : public TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    gCall = Call{};
  }
  static std::vector<std::string> Params(const char *dotName) {
    std::vector<std::string> params;
    for (const std::string &attr : Attributes(ncGetElementByName(ncFindHandleByName(dotName), dotName))) {
      if (attr.rfind("param=", 0) == 0) params.push_back(attr.substr(6));
    }
    return params;
  }
  static std::string Return(const char *dotName) {
    return Text(ncGetElementAttr(ncGetElementByName(ncFindHandleByName(dotName), dotName), "return"));
  }
};

TEST_F(ExecuteTest, RegisterMakesTheTreeAndStoresTheDeclaration) {
  ASSERT_EQ(ncRegisterExecElement("a.api.add", "int add(int a, int b)", Exec(Add)), 0);
  ASSERT_NE(ncFindHandleByName("a"), nullptr);
  EXPECT_EQ(Return("a.api.add"), "int");
  EXPECT_EQ(Params("a.api.add"), (std::vector<std::string>{"int a", "int b"}));
  EXPECT_STREQ(ncExecute("a.api.add(%d, %d)", 2, 3), "5");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{2, 3}));
  EXPECT_STREQ(ncExecute(" a.api.add\r\n(%d,%d)", -7, 3), "-4") << "the name is stripped";
}

TEST_F(ExecuteTest, DeclarationsGiveResultTypeAndParameters) {
  struct Case {
    const char *declaration;
    const char *returns;
    std::vector<std::string> params;
  } cases[] = {
      {"char *getName(int index)", "char *", {"int index"}},
      {"char * getName(int index)", "char *", {"int index"}},
      {"int reboot(int delay, char *reason)", "int", {"int delay", "char *reason"}},
      {"unsigned int count()", "unsigned", {}},
      {"int   f(  int a ,\tlong b  )", "int", {"int a", "long b"}},
      {"void f(a) b, c", "void", {"a) b"}},
      {"int f(int a, int a)", "int", {"int a"}},
      {"int f(int)", "int", {}},  // equal to the result type's text: held once
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.declaration);
    std::string dotName = "d.f" + std::to_string(n++);
    ASSERT_EQ(ncRegisterExecElement(dotName.c_str(), c.declaration, Exec(Take0)), 0);
    EXPECT_EQ(Return(dotName.c_str()), c.returns);
    EXPECT_EQ(Params(dotName.c_str()), c.params);
  }
  std::string longType(120, 't');
  ASSERT_EQ(ncRegisterExecElement("d.long", (longType + " f(int a)").c_str(), Exec(Take0)), 0);
  EXPECT_EQ(Return("d.long"), std::string(95, 't')) << "cut to 95 characters";
}

TEST_F(ExecuteTest, RegisteringAgainAddsParametersAndReplacesTheResultType) {
  ASSERT_EQ(ncRegisterExecElement("r.f", "int f(int a)", Exec(Take1)), 0);
  ASSERT_EQ(ncRegisterExecElement("r.f", "long f(int a, int b)", Exec(Take2)), 0);
  EXPECT_EQ(Return("r.f"), "long");
  EXPECT_EQ(Params("r.f"), (std::vector<std::string>{"int a", "int b"}));
  ncExecute("r.f(%d, %d)", 1, 2);
  EXPECT_EQ(gCall.arity, 2) << "the new function";
}

TEST_F(ExecuteTest, MalformedDeclarationsStillRegister) {
  for (const char *declaration : {"int f", "f(a)", "int "}) {
    SCOPED_TRACE(declaration);
    testsupport::ClearLog();
    ASSERT_EQ(ncRegisterExecElement("m.f", declaration, Exec(Take0)), 0);
    EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc",
                       std::string("ncParseDeclaration: declaration [") + declaration + "] format error!"));
    EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc",
                       std::string("ncRegisterExecElement: declaration [") + declaration + "] format is wrong!"));
    EXPECT_STREQ(ncExecute("m.f()"), "done");
    EXPECT_EQ(gCall.arity, 0);
  }
  EXPECT_EQ(ncRegisterExecElement(nullptr, "int f()", Exec(Take0)), -1);
  EXPECT_EQ(ncRegisterExecElement("m.f", nullptr, Exec(Take0)), -1);
  EXPECT_EQ(ncRegisterExecElement("m.", "int f()", Exec(Take0)), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncRegisterExecElement: add [m.] failed!"));
}

TEST_F(ExecuteTest, CallsPassExactlyTheDeclaredNumberOfWords) {
  ncExecFunc functions[] = {Exec(Take0), Exec(Take1), Exec(Take2), Exec(Take3),
                            Exec(Take4), Exec(Take5), Exec(Take6)};
  ncWord words[] = {11, -12, 13, LONG_MAX, reinterpret_cast<ncWord>(&gCall), 16};
  for (int count = 0; count <= 6; ++count) {
    SCOPED_TRACE(count);
    uListId list = uListInit(0);
    for (int i = 0; i < count; ++i) uListAppend(list, &words[i]);
    gCall = Call{};
    EXPECT_STREQ(ncCallApi(functions[count], count, list), "done");
    EXPECT_EQ(gCall.arity, count);
    EXPECT_EQ(gCall.words, std::vector<ncWord>(words, words + count)) << "whole words, pointers included";
    uListUninit(list);
  }
  uListId shortList = uListInit(0);
  uListAppend(shortList, &words[0]);
  EXPECT_STREQ(ncCallApi(Exec(Take3), 3, shortList), "done");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{11, 0, 0})) << "missing words read 0";
  uListUninit(shortList);
}

TEST_F(ExecuteTest, CallApiRefusesBadCounts) {
  gCall = Call{};
  uListId list = uListInit(0);
  EXPECT_EQ(ncCallApi(Exec(Take6), 7, list), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncCallApi: too many args, need [7] args!"));
  EXPECT_EQ(ncCallApi(Exec(Take0), -1, list), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncCallApi: too many args, need [-1] args!"));
  EXPECT_EQ(ncCallApi(Exec(Take1), 1, nullptr), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncCallApi: parameter num is invalid!"));
  EXPECT_EQ(ncCallApi(nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(gCall.arity, -1) << "nothing was called";
  EXPECT_STREQ(ncCallApi(Exec(Take0), 0, nullptr), "done");
  uListUninit(list);
}

TEST_F(ExecuteTest, ExecuteTakesEachConversionWithItsType) {
  ASSERT_EQ(ncRegisterExecElement("x.f", "int f(int a, int b, char *s, long l, int h)", Exec(Take5)), 0);
  const char *text = "hello";
  EXPECT_STREQ(ncExecute("x.f(%d, %x, %s, %ld, %X)", -5, 0x7fffffff, text, LONG_MIN, 0xabc), "done");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{-5, 0x7fffffff, reinterpret_cast<ncWord>(text), LONG_MIN, 0xabc}));

  ASSERT_EQ(ncRegisterExecElement("x.g", "int g(int a, int b)", Exec(Take2)), 0);
  EXPECT_STREQ(ncExecute("x.g(%d)", 9), "done");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{9, 0})) << "a missing word is 0";
  EXPECT_STREQ(ncExecute("x.g(%d, %d, %d)", 1, 2, 3), "done");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{1, 2})) << "surplus words are ignored";

  testsupport::ClearLog();
  EXPECT_STREQ(ncExecute("x.g(%q, %lu)"), "done");
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncParseArgs: format [q] not supported!"));
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{0, 0}));
  EXPECT_EQ(hostLogCount(), 1) << "%l without d takes nothing and says nothing";
  EXPECT_STREQ(ncExecute("x.g(%d) %d", 4, 5), "done");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{4, 0})) << "conversions after ')' are not read";
}

TEST_F(ExecuteTest, FailedCallsSetTheThreadsErrorCode) {
  ncHandle *tree = MakeTree("e", {"e.plain=1"});
  ASSERT_EQ(ncRegisterExecElement("e.f", "int f()", Exec(Take0)), 0);
  struct Case {
    const char *format;
    int error;
    std::vector<std::string> lines;  // warnings, tag tarvo.nc
  } cases[] = {
      {"nowhere.f()", NC_ERR_NO_TREE, {"ncFuncCall: dotName is [nowhere.f], no Nc support!"}},
      {"e.missing()", NC_ERR_NO_ELEMENT, {"ncFuncCall: dotName is [e.missing], no such name!"}},
      {"e.plain()", NC_ERR_NOT_EXECUTABLE, {"ncFuncCall: dotName is [e.plain], no executable function!"}},
      {"(%d)", NC_ERR_INVALID_PARAM, {"ncFuncCall: dotName is empty!"}},
      {"e.f", NC_ERR_INVALID_PARAM, {"ncExecute: Invalid parameter, [e.f]"}},
      {nullptr, NC_ERR_INVALID_PARAM, {"ncExecute: Invalid parameter, [NULL]"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Text(c.format));
    testsupport::ClearLog();
    ncSetError(0);
    EXPECT_EQ(ncExecute(c.format, 1), nullptr);
    EXPECT_EQ(ncGetError(), c.error);
    for (const std::string &line : c.lines) EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", line));
  }
  testsupport::ClearLog();
  ncExecute("e.f");
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncParseArgs: Invalid parameter!"));
  (void)tree;
}

TEST_F(ExecuteTest, RpcCallPassesTheArrayAndCutsTheName) {
  ASSERT_EQ(ncRegisterExecElement("r.add", "int add(int a, int b)", Exec(Add)), 0);
  ncWord words[] = {40, 2};
  EXPECT_STREQ(ncRpcCall("r.add(anything", words, 2), "42");
  EXPECT_STREQ(ncRpcCall("r.add", words, 1), "40") << "a missing word is 0";
  EXPECT_EQ(ncRpcCall(nullptr, words, 2), nullptr);
  gCall = Call{};
  EXPECT_EQ(ncRpcCall("r.add", nullptr, 2), nullptr) << "no words to read";
  EXPECT_EQ(gCall.arity, -1);
  EXPECT_STREQ(ncRpcCall("r.add", nullptr, 0), "0");
}

TEST_F(ExecuteTest, ShellCallConvertsTextsByDeclaredType) {
  ASSERT_EQ(ncRegisterExecElement("s.f", "int f(int n, char *s)", Exec(Describe)), 0);
  ncElement *f = ncGetElementByName(ncFindHandleByName("s"), "s.f");
  uListId texts = uListInit(0);
  char number[] = "42";
  char hello[] = "hello";
  uListAppend(texts, number);
  uListAppend(texts, hello);
  EXPECT_STREQ(ncShellCallApi(f, texts), "described");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{42, reinterpret_cast<ncWord>(hello)}));
  EXPECT_STREQ(f->value, "described") << "the result is kept as the value";

  uListRemove(texts, 1);
  EXPECT_STREQ(ncShellCallApi(f, texts), "described");
  EXPECT_EQ(gText, "(null)") << "a missing text is null";

  ASSERT_EQ(ncRegisterExecElement("s.g", "int g(SHORT a, Long b, integer c, char d)", Exec(Take4)), 0);
  ncElement *g = ncGetElementByName(ncFindHandleByName("s"), "s.g");
  char seven[] = "7";
  uListAppend(texts, seven);
  uListAppend(texts, seven);
  uListAppend(texts, seven);
  EXPECT_STREQ(ncShellCallApi(g, texts), "done");
  EXPECT_EQ(gCall.words, (std::vector<ncWord>{42, 7, 7, reinterpret_cast<ncWord>(seven)}));

  ASSERT_EQ(ncRegisterExecElement("s.none", "int none()", Exec(ReturnNothing)), 0);
  ncElement *none = ncGetElementByName(ncFindHandleByName("s"), "s.none");
  ncSetElementValue(none, "old");
  EXPECT_EQ(ncShellCallApi(none, texts), nullptr);
  EXPECT_STREQ(none->value, "") << "a null result is kept as an empty value";
  EXPECT_EQ(ncShellCallApi(nullptr, texts), nullptr);
  EXPECT_EQ(ncShellCallApi(f, nullptr), nullptr);
  uListUninit(texts);
}

TEST_F(ExecuteTest, LongCallTextsAreCut) {
  ASSERT_EQ(ncRegisterExecElement("long.f", "int f(int a)", Exec(Take1)), 0);
  std::string name = "long." + std::string(300, 'f');
  EXPECT_EQ(ncExecute((name + "(%d)").c_str(), 1), nullptr);
  EXPECT_EQ(ncGetError(), NC_ERR_NO_ELEMENT);
  ncWord word = 1;
  EXPECT_EQ(ncRpcCall(name.c_str(), &word, 1), nullptr);
  EXPECT_EQ(ncGetError(), NC_ERR_NO_ELEMENT);
  std::string parameter(200, 'p');
  ASSERT_EQ(ncRegisterExecElement("long.g", ("int g(" + parameter + ")").c_str(), Exec(Take1)), 0);
  EXPECT_EQ(Params("long.g"), std::vector<std::string>{std::string(95, 'p')});
}

// A resolver that sends r.alias to other.target.
int Redirect(const char *dotName, const char *, char *output, int size) {
  std::snprintf(output, static_cast<size_t>(size), "%s",
                std::string(dotName) == "r.alias" ? "other.target" : dotName);
  return 0;
}

TEST_F(ExecuteTest, ResolverRedirectsACallToAnotherTree) {
  ncHandle *tree = MakeTree("r", {"r.alias"});
  tree->realDotNameFunc = Redirect;
  ASSERT_EQ(ncRegisterExecElement("other.target", "int t(int a)", Exec(Take1)), 0);
  EXPECT_STREQ(ncExecute("r.alias(%d)", 5), "done");
  EXPECT_EQ(gCall.words, std::vector<ncWord>{5});

  ASSERT_EQ(ncRegisterExecElement("r.self", "int s()", Exec(Take0)), 0);
  EXPECT_STREQ(ncExecute("r.self()"), "done") << "a resolver that keeps the name";
  tree->realDotNameFunc = [](const char *, const char *, char *, int) { return -1; };
  testsupport::ClearLog();
  EXPECT_EQ(ncExecute("r.self()"), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_DEBUG, "tarvo.nc", "ncFuncCall: get real dotName error!"));
}

// A function that reads the tree it is registered in, under the lock its
// call holds.
const char *ReadBack() {
  static char value[32];
  ncGetValue("cb.value", value, sizeof value);
  return value;
}

TEST_F(ExecuteTest, FunctionsMayCallBackIntoTheSameTree) {
  MakeTree("cb", {"cb.value=inner"});
  ASSERT_EQ(ncRegisterExecElement("cb.f", "char *f()", Exec(ReadBack)), 0);
  EXPECT_STREQ(ncExecute("cb.f()"), "inner");
}

}  // namespace
}  // namespace elemtree_test
