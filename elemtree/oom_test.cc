// Out of memory: every operation that allocates is run with allocation N
// failing, for N = 1, 2, ... until a run meets no failure, once with a single
// failure and once with every allocation failing from the Nth on. Each run
// must end with the operation's failure result or its success, leave the tree
// consistent, and after ncUninit no block may stay live.
#include <cstdio>
#include <functional>
#include <string>

#include "support/oom_loop.h"
#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::OomRun;

std::string gWords;
const char *Answer(ncWord a, ncWord b) {
  gWords = std::to_string(a) + "," + reinterpret_cast<const char *>(b);
  return "ok";
}
int Live(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "live"); }
int Three(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "3"); }
int Forget(const char *) { return 0; }

// A run that met no failed allocation must succeed.
void ExpectOutcome(const OomRun &run, bool succeeded) {
  if (!run.injected()) {
    EXPECT_TRUE(succeeded) << "failed without an allocation failure";
  }
}

// t.a=old, t.l.$N.x (3 instances), t.f registered as int f(int n, char *s).
ncHandle *MakeScene() {
  ncHandle *tree = ncCreate("t");
  ncSetElementValue(ncAddElementByName(tree, "t.a"), "old");
  ncElement *instance = ncAddElementByName(tree, "t.l.$N");
  ncAddElementByName(tree, "t.l.$N.x");
  instance->getFunc = Three;
  instance->delFunc = Forget;
  ncRegisterExecElement("t.f", "int f(int n, char *s)", reinterpret_cast<ncExecFunc>(Answer));
  return tree;
}

struct OomCase {
  const char *operation;
  std::function<void(OomRun &)> body;
};

const OomCase kCases[] = {
    {"ncInit",
     [](OomRun &run) {
       ncUninit();
       run.Arm();
       ncInit();
       run.Disarm();
       bool initialised = ncFindHandleByName("t") == nullptr && ncGetError() != NC_ERR_LIST_NOT_READY;
       ExpectOutcome(run, initialised);
       if (!initialised) ncInit();
     }},
    {"ncCreate",
     [](OomRun &run) {
       run.Arm();
       ncHandle *tree = ncCreate("t");
       run.Disarm();
       EXPECT_EQ(ncFindHandleByName("t"), tree);
       if (tree != nullptr) {
         EXPECT_NE(tree->sem, nullptr);
         EXPECT_STREQ(tree->name, "t");
       }
       ExpectOutcome(run, tree != nullptr);
     }},
    {"ncCreatePrivate",
     [](OomRun &run) {
       run.Arm();
       ncHandle *tree = ncCreatePrivate("p");
       run.Disarm();
       ExpectOutcome(run, tree != nullptr);
       if (tree != nullptr) {
         EXPECT_NE(tree->sem, nullptr);
       }
       if (tree != nullptr) ncDestroy(tree);
     }},
    {"ncCreateElement",
     [](OomRun &run) {
       run.Arm();
       ncElement *element = ncCreateElement("my name");
       run.Disarm();
       ExpectOutcome(run, element != nullptr);
       if (element == nullptr) return;
       EXPECT_STREQ(element->name, "myname");
       EXPECT_NE(element->attrList, nullptr);
       EXPECT_NE(element->childList, nullptr);
       ncDestroyElement(element);
     }},
    {"ncSetElementAttr",
     [](OomRun &run) {
       ncElement *element = ncCreateElement("e");
       ncSetElementAttr(element, "k", "old");
       run.Arm();
       int changed = ncSetElementAttr(element, "k", "new");
       int added = ncSetElementAttr(element, "param", "int a");
       run.Disarm();
       EXPECT_STREQ(ncGetElementAttr(element, "k"), changed == 0 ? "new" : "old");
       EXPECT_EQ(ncGetElementParamAttrNum(element), added == 0 ? 1 : 0);
       ExpectOutcome(run, changed == 0 && added == 0);
       ncDestroyElement(element);
     }},
    {"ncSetElementName and ncSetElementValue",
     [](OomRun &run) {
       ncElement *element = ncCreateElement("e");
       ncSetElementValue(element, "old");
       run.Arm();
       int named = ncSetElementName(element, "new name");
       int valued = ncSetElementValue(element, " new\r\n");
       run.Disarm();
       EXPECT_STREQ(element->name, named == 0 ? "newname" : "e");
       EXPECT_STREQ(element->value, valued == 0 ? "new" : "old");
       ExpectOutcome(run, named == 0 && valued == 0);
       ncDestroyElement(element);
     }},
    {"ncElementAddChild",
     [](OomRun &run) {
       ncElement *parent = ncCreateElement("p");
       uListUninit(parent->childList);
       parent->childList = nullptr;  // made on the first child
       ncElement *child = ncCreateElement("c");
       run.Arm();
       int result = ncElementAddChild(parent, child);
       run.Disarm();
       ExpectOutcome(run, result == 0);
       EXPECT_EQ(child->parent, result == 0 ? parent : nullptr);
       EXPECT_EQ(uListSize(parent->childList) == 1, result == 0);
       if (result != 0) ncDestroyElement(child);
       ncRecursiveDestroyElement(parent);
     }},
    {"ncAddElementByName, empty tree",
     [](OomRun &run) {
       ncHandle *tree = ncCreate("t");
       run.Arm();
       ncElement *element = ncAddElementByName(tree, "t.a.b.c");
       run.Disarm();
       ExpectOutcome(run, element != nullptr);
       if (element != nullptr) {
         EXPECT_EQ(ncGetElementByName(tree, "t.a.b.c"), element);
       }
       if (element == nullptr) {
         EXPECT_EQ(ncGetElementByName(tree, "t.a.b.c"), nullptr);
       }
     }},
    {"ncAddElementByName, existing branch",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       run.Arm();
       ncElement *element = ncAddElementByName(tree, "t.a.new.leaf");
       run.Disarm();
       ExpectOutcome(run, element != nullptr);
       EXPECT_EQ(ncGetElementByName(tree, "t.a.new.leaf"), element);
     }},
    {"ncElementAddByName, sibling",
     [](OomRun &run) {
       ncElement *root = ncCreateElement("r");
       ncElement *b = ncElementAddByName(root, "r.b");
       run.Arm();
       ncElement *sibling = ncElementAddByName(b, "B");
       run.Disarm();
       ExpectOutcome(run, sibling != nullptr);
       EXPECT_EQ(uListSize(root->childList), sibling != nullptr ? 2 : 1);
       ncRecursiveDestroyElement(root);
     }},
    {"ncGetElementDotName",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       char *text = nullptr;
       run.Arm();
       int length = ncGetElementDotName(ncGetElementByName(tree, "t.a"), &text, nullptr);
       run.Disarm();
       ExpectOutcome(run, text != nullptr);
       if (text != nullptr) {
         EXPECT_STREQ(text, "t.a");
       }
       EXPECT_EQ(length, text != nullptr ? 1 : 0);
       uFree(text);
     }},
    {"ncGetElementDotDescription with a value hook",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       ncElement *a = ncGetElementByName(tree, "t.a");
       a->getFunc = Live;
       char line[64];
       run.Arm();
       ncGetElementDotDescription(a, line, sizeof line, 7);
       run.Disarm();
       EXPECT_EQ(std::string(line), std::string("t.a = ") + a->value) << "the value it kept";
       ExpectOutcome(run, std::string(line) == "t.a = live");
     }},
    {"ncSearchElement over instances",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       ncElement *instance = ncGetElementByName(tree, "t.l.$N");
       run.Arm();
       ncElement *x = ncSearchElement(tree->root, "t.l.2.x");
       run.Disarm();
       ExpectOutcome(run, x != nullptr);
       if (x != nullptr) {
         EXPECT_STREQ(instance->value, "2");
       }
     }},
    {"ncGetElementByName over instances",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       ncElement *instance = ncGetElementByName(tree, "t.l.$N");
       run.Arm();
       ncElement *x = ncGetElementByName(tree, "t.l.3.x");
       run.Disarm();
       ExpectOutcome(run, x != nullptr);
       if (x != nullptr) {
         EXPECT_STREQ(instance->value, "3");
       }
     }},
    {"ncComposeElementPath",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       uListId list = uListInit(0);
       run.Arm();
       ncComposeElementPath(ncGetElementByName(tree, "t.l.$N.x"), list);
       run.Disarm();
       EXPECT_LE(uListSize(list), 3);
       ExpectOutcome(run, uListSize(list) == 3);
       uListUninit(list);
     }},
    {"ncRegisterExecElement",
     [](OomRun &run) {
       run.Arm();
       int result = ncRegisterExecElement("r.api.f", "int f(int n, char *s)", reinterpret_cast<ncExecFunc>(Answer));
       run.Disarm();
       ExpectOutcome(run, result == 0);
       gWords.clear();
       const char *answer = ncExecute("r.api.f(%d, %s)", 7, "x");
       EXPECT_EQ(answer != nullptr, result == 0) << "callable exactly when registered";
       if (answer != nullptr) {
         EXPECT_EQ(gWords, "7,x");
       }
     }},
    {"ncExecute",
     [](OomRun &run) {
       MakeScene();
       gWords.clear();
       run.Arm();
       const char *answer = ncExecute("t.f(%d, %s)", 7, "x");
       run.Disarm();
       ExpectOutcome(run, answer != nullptr);
       EXPECT_EQ(gWords, answer != nullptr ? "7,x" : "") << "never called with missing words";
     }},
    {"ncRpcCall",
     [](OomRun &run) {
       MakeScene();
       gWords.clear();
       ncWord words[] = {7, reinterpret_cast<ncWord>("x")};
       run.Arm();
       const char *answer = ncRpcCall("t.f(", words, 2);
       run.Disarm();
       ExpectOutcome(run, answer != nullptr);
       EXPECT_EQ(gWords, answer != nullptr ? "7,x" : "");
     }},
    {"ncShellCallApi",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       ncElement *f = ncGetElementByName(tree, "t.f");
       uListId texts = uListInit(0);
       char seven[] = "7", x[] = "x";
       uListAppend(texts, seven);
       uListAppend(texts, x);
       gWords.clear();
       run.Arm();
       const char *answer = ncShellCallApi(f, texts);
       run.Disarm();
       ExpectOutcome(run, answer != nullptr && Text(f->value) == "ok");
       EXPECT_EQ(gWords, answer != nullptr ? "7,x" : "");
       uListUninit(texts);
     }},
    {"ncSetValue",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       run.Arm();
       int result = ncSetValue("t.a", "new");
       run.Disarm();
       ExpectOutcome(run, result == 0);
       EXPECT_STREQ(ncGetElementByName(tree, "t.a")->value, result == 0 ? "new" : "old");
     }},
    {"ncGetValue with a value hook",
     [](OomRun &run) {
       ncHandle *tree = MakeScene();
       ncGetElementByName(tree, "t.a")->getFunc = Live;
       char buffer[16] = {};
       run.Arm();
       int result = ncGetValue("t.a", buffer, sizeof buffer);
       run.Disarm();
       EXPECT_EQ(result, 0);
       EXPECT_STREQ(buffer, "live");
       const std::string kept = Text(ncGetElementByName(tree, "t.a")->value);
       EXPECT_TRUE(kept == "live" || kept == "old") << kept;
       ExpectOutcome(run, kept == "live");
     }},
    {"ncDelInstance of a table",
     [](OomRun &run) {
       MakeScene();
       run.Arm();
       int result = ncDelInstance("t.l.");
       run.Disarm();
       EXPECT_TRUE(result == 0 || result == -1) << result;
       ExpectOutcome(run, result == 0);
     }},
    {"ncSetError",
     [](OomRun &run) {
       run.Arm();
       ncSetError(NC_ERR_NO_ELEMENT);
       run.Disarm();
       int code = ncGetError();
       EXPECT_TRUE(code == NC_ERR_NO_ELEMENT || code == NC_ERR_NONE_RECORDED) << code;
       ExpectOutcome(run, code == NC_ERR_NO_ELEMENT);
     }},
};

class OomTest : public TreeTest {};

TEST_F(OomTest, FailedAllocationsAreLogged) {
  ncElement *element = ncCreateElement("e");
  struct Case {
    const char *record;
    long failAt;  // the allocation of that record
    std::function<void()> call;
    const char *tag;
    const char *text;
  } cases[] = {
      {"element", 1, [] { EXPECT_EQ(ncCreateElement("x"), nullptr); }, "tarvo.nc.element",
       "ncCreateElement: no more resource available!"},
      {"attribute", 2, [&] { EXPECT_EQ(ncSetElementAttr(element, "k", "v"), -1); }, "tarvo.nc.element",
       "ncSetElementAttr: malloc nc element attribute failed!"},
      {"handle", 1, [] { EXPECT_EQ(ncCreatePrivate("p"), nullptr); }, "tarvo.nc", "ncConstruct: create Nc failed!"},
      {"tree lock", 3, [] { EXPECT_EQ(ncCreatePrivate("p"), nullptr); }, "tarvo.nc", "ncConstruct: create Nc failed!"},
      {"error record", 1, [] { ncSetError(NC_ERR_NO_TREE); }, "tarvo.nc", "ncSetError: Nc error info malloc failed!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.record);
    testsupport::ClearLog();
    hostMemFailAfter(c.failAt, 0);
    c.call();
    hostMemFailOff();
    EXPECT_TRUE(testsupport::Logged(HOST_LOG_ERROR, c.tag, c.text));
  }
  EXPECT_EQ(ncGetError(), NC_ERR_NONE_RECORDED) << "the code was not stored";
  ncDestroyElement(element);
}

TEST_F(OomTest, EveryAllocationMayFail) {
  ncUninit();
  for (const OomCase &c : kCases) {
    SCOPED_TRACE(c.operation);
    long runs = testsupport::RunOomLoops([&](OomRun &run) {
      ncInit();
      c.body(run);
      run.Disarm();
      ncUninit();
    });
    EXPECT_GT(runs, 2) << "the loop ran the operation into failures";
    RecordProperty(c.operation, static_cast<int>(runs));
  }
  ncInit();
}

}  // namespace
}  // namespace elemtree_test
