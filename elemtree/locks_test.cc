// Lock balance: after every public call, on its main path and on its error
// paths, each take of a tree lock or of the module lock has been given back.
// The operations on elements and paths take no lock at all; those that reach
// a tree by dotted name do.
#include <cstdio>
#include <functional>
#include <string>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

enum class Locking { kNone, kSome, kAny };

const char *Answer() { return "ok"; }
int Fetch(const char *, char *buffer, int size) {
  // Calls back into the library on the same tree, under its lock.
  ncElement *other = ncGetElementByName(ncFindHandleByName("l"), "l.v");
  std::snprintf(buffer, static_cast<size_t>(size), "%s", other != nullptr ? other->value : "");
  return 0;
}
int Apply(const char *, const char *) { return 0; }
int Count(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "2"); }
int Delete(const char *dotName) { return ncSetValue(dotName, "deleted"); }
int ResolveFails(const char *, const char *, char *, int) { return -1; }
int ResolveToV(const char *dotName, const char *, char *output, int size) {
  std::snprintf(output, static_cast<size_t>(size), "%s", std::string(dotName).rfind("l.alias", 0) == 0 ? "l.v" : dotName);
  return 0;
}

class LocksTest : public TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    tree_ = MakeTree("l", {"l.v=1", "l.hooked=2", "l.list.$N.x", "l.alias"});
    ASSERT_EQ(ncRegisterExecElement("l.f", "char *f()", reinterpret_cast<ncExecFunc>(Answer)), 0);
    ncElement *hooked = ncGetElementByName(tree_, "l.hooked");
    hooked->getFunc = Fetch;
    hooked->setFunc = Apply;
    hooked->delFunc = Delete;
    ncElement *instance = ncGetElementByName(tree_, "l.list.$N");
    instance->getFunc = Count;
    instance->delFunc = Delete;
    leaf_ = ncGetElementByName(tree_, "l.v");
  }

  // Runs call with the resolver given, then puts the tree back.
  std::function<void()> WithResolver(ncRealDotNameFunc resolver, std::function<void()> call) {
    return [this, resolver, call] {
      tree_->realDotNameFunc = resolver;
      call();
      tree_->realDotNameFunc = nullptr;
    };
  }

  ncHandle *tree_ = nullptr;
  ncElement *leaf_ = nullptr;
};

TEST_F(LocksTest, EveryCallBalancesItsLocks) {
  char buffer[64];
  ncWord words[] = {1, 2};
  struct Case {
    const char *name;
    std::function<void()> call;
    Locking locking;
  } cases[] = {
      // Trees, locks and errors.
      {"init again", [] { ncInit(); }, Locking::kNone},
      {"create new", [] { ncCreate("other"); }, Locking::kSome},
      {"create existing", [] { ncCreate("l"); }, Locking::kSome},
      {"create null", [] { ncCreate(nullptr); }, Locking::kAny},
      {"create private", [] { ncDestroy(ncCreatePrivate("p")); }, Locking::kSome},
      {"destroy", [] { ncDestroy(ncCreate("gone")); }, Locking::kSome},
      {"destroy null", [] { ncDestroy(nullptr); }, Locking::kNone},
      {"find", [] { ncFindHandleByName("l.v"); }, Locking::kSome},
      {"find missing", [] { ncFindHandleByName("zz"); }, Locking::kSome},
      {"find bad", [] { ncFindHandleByName(".x"); }, Locking::kNone},
      {"lock pair", [this] { ncLock(tree_); ncLock(tree_); ncUnlock(tree_); ncUnlock(tree_); }, Locking::kSome},
      {"set error", [] { ncSetError(2); }, Locking::kSome},
      {"get error", [] { ncGetError(); }, Locking::kSome},
      {"root", [this] { ncGetRootElement(tree_); }, Locking::kNone},
      // Elements and paths.
      {"element ops", [this] {
         ncElement *e = ncCreateElement("e");
         ncSetElementAttr(e, "k", "v");
         ncGetElementAttr(e, "k");
         ncRemoveElementAttr(e, "k");
         ncSetElementValue(e, "v");
         ncSetElementName(e, "f");
         ncElementAddChild(leaf_, e);
         ncGetElementDeepth(e);
         ncElementShow(e);
         uListRemove(leaf_->childList, 0);
         ncDestroyElement(e);
       }, Locking::kNone},
      {"paths", [this, &buffer] {
         ncGetElementAncestorPath(leaf_, buffer, sizeof buffer);
         ncGetElementNameFromDotName("l.v", buffer, sizeof buffer);
         ncSearchElement(tree_->root, "l.list.2.x");
         ncElementAddByName(tree_->root, "l.made");
         ncElementValueTakeEffect(ncSearchElement(tree_->root, "l.hooked"));
         char *text = nullptr;
         ncGetElementDotName(leaf_, &text, nullptr);
         uFree(text);
       }, Locking::kNone},
      {"dot description with hook", [this, &buffer] {
         ncGetElementDotDescription(ncSearchElement(tree_->root, "l.hooked"), buffer, sizeof buffer, 7);
       }, Locking::kSome},
      {"get by name", [this] { ncGetElementByName(tree_, "l.v"); }, Locking::kSome},
      {"get by name, null", [] { ncGetElementByName(nullptr, "l.v"); }, Locking::kNone},
      {"add by name", [this] { ncAddElementByName(tree_, "l.new.leaf"); }, Locking::kSome},
      {"add by name, no match", [this] { ncAddElementByName(tree_, "x.y"); }, Locking::kSome},
      // Calls and values.
      {"register", [] { ncRegisterExecElement("l.g", "int g(int a)", reinterpret_cast<ncExecFunc>(Answer)); },
       Locking::kSome},
      {"register, bad declaration", [] { ncRegisterExecElement("l.g", "g", reinterpret_cast<ncExecFunc>(Answer)); },
       Locking::kSome},
      {"register, add fails", [] { ncRegisterExecElement("l.", "int g()", reinterpret_cast<ncExecFunc>(Answer)); },
       Locking::kSome},
      {"execute", [] { ncExecute("l.f()"); }, Locking::kSome},
      {"execute, no tree", [] { ncExecute("zz.f()"); }, Locking::kSome},
      {"execute, no element", [] { ncExecute("l.none()"); }, Locking::kSome},
      {"execute, not executable", [] { ncExecute("l.v()"); }, Locking::kSome},
      {"execute, bad format", [] { ncExecute("l.f"); }, Locking::kSome},
      {"execute, resolver fails", WithResolver(ResolveFails, [] { ncExecute("l.f()"); }), Locking::kSome},
      {"execute, redirected", WithResolver(ResolveToV, [] { ncExecute("l.alias()"); }), Locking::kSome},
      {"rpc call", [&words] { ncRpcCall("l.f", words, 2); }, Locking::kSome},
      {"shell call", [] {
         uListId texts = uListInit(0);
         ncShellCallApi(ncGetElementByName(ncFindHandleByName("l"), "l.f"), texts);
         uListUninit(texts);
       }, Locking::kSome},
      {"get value", [&buffer] { ncGetValue("l.v", buffer, sizeof buffer); }, Locking::kSome},
      {"get value, hook calls back", [&buffer] { ncGetValue("l.hooked", buffer, sizeof buffer); }, Locking::kSome},
      {"get value, no tree", [&buffer] { ncGetValue("zz.v", buffer, sizeof buffer); }, Locking::kSome},
      {"get value, no element", [&buffer] { ncGetValue("l.none", buffer, sizeof buffer); }, Locking::kSome},
      {"get value, resolver fails", WithResolver(ResolveFails, [&buffer] { ncGetValue("l.v", buffer, 64); }),
       Locking::kSome},
      {"get value, redirected", WithResolver(ResolveToV, [&buffer] { ncGetValue("l.alias", buffer, 64); }),
       Locking::kSome},
      {"set value", [] { ncSetValue("l.hooked", "3"); }, Locking::kSome},
      {"set value, no element", [] { ncSetValue("l.none", "3"); }, Locking::kSome},
      {"set value, resolver fails", WithResolver(ResolveFails, [] { ncSetValue("l.v", "3"); }), Locking::kSome},
      {"set value, redirected", WithResolver(ResolveToV, [] { ncSetValue("l.alias", "3"); }), Locking::kSome},
      {"delete one", [] { ncDelInstance("l.hooked"); }, Locking::kSome},
      {"delete all", [] { ncDelInstance("l.list."); }, Locking::kSome},
      {"delete, no tree", [] { ncDelInstance("zz.x"); }, Locking::kSome},
      {"delete, no element", [] { ncDelInstance("l.none"); }, Locking::kSome},
      {"delete, resolver fails", WithResolver(ResolveFails, [] { ncDelInstance("l.v"); }), Locking::kSome},
      {"delete, redirected", WithResolver(ResolveToV, [] { ncDelInstance("l.alias"); }), Locking::kSome},
      {"delete instance without parent value", WithResolver(ResolveToV, [] { ncDelInstance("l.list.1"); }),
       Locking::kSome},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::LockBalance locks;
    c.call();
    EXPECT_TRUE(locks.Balanced());
    if (c.locking == Locking::kNone) {
      EXPECT_EQ(locks.Takes(), 0) << "takes no lock";
    } else if (c.locking == Locking::kSome) {
      EXPECT_GT(locks.Takes(), 0) << "takes its locks";
    }
  }
}

TEST_F(LocksTest, UninitBalancesWithTreesLeft) {
  testsupport::LockBalance locks;
  ncUninit();
  EXPECT_TRUE(locks.Balanced());
  ncInit();
}

}  // namespace
}  // namespace elemtree_test
