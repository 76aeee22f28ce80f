// Trees, handles, the library's life cycle and per-thread error codes.
#include <thread>

#include "tree_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

class TreeRegistryTest : public TreeTest {};

TEST_F(TreeRegistryTest, CreateMakesOneRegisteredTreePerName) {
  ncHandle *tree = ncCreate("cfg");
  ASSERT_NE(tree, nullptr);
  EXPECT_STREQ(tree->name, "cfg");
  EXPECT_NE(tree->sem, nullptr);
  EXPECT_EQ(tree->root, nullptr);
  EXPECT_EQ(tree->initState, 1);
  EXPECT_EQ(tree->addMode, 0);
  EXPECT_EQ(tree->realDotNameFunc, nullptr);
  EXPECT_EQ(ncCreate("cfg"), tree);
  EXPECT_EQ(ncFindHandleByName("cfg.net.port"), tree);
  EXPECT_EQ(ncFindHandleByName("cfg"), tree);
  EXPECT_EQ(ncFindHandleByName("Cfg.net"), nullptr) << "tree names compare exactly";
  EXPECT_TRUE(testsupport::NothingLoggedAtOrAbove(HOST_LOG_WARN));
}

TEST_F(TreeRegistryTest, PrivateTreesAreNeverFound) {
  ncHandle *first = ncCreatePrivate("p");
  ncHandle *second = ncCreatePrivate("p");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(ncFindHandleByName("p"), nullptr);
  ncDestroy(first);
  ncDestroy(second);
}

TEST_F(TreeRegistryTest, NamesAreStoredWithoutLineBreaksAndTheCallersTextIsLeftAlone) {
  char name[] = " cfg\r\n";
  ncHandle *tree = ncCreate(name);
  ASSERT_NE(tree, nullptr);
  EXPECT_STREQ(tree->name, "cfg");
  EXPECT_STREQ(name, " cfg\r\n");
  EXPECT_EQ(ncFindHandleByName("cfg.x"), tree);
  EXPECT_EQ(ncCreate("cfg\n"), tree) << "the same tree, not a second one";
  EXPECT_EQ(ncCreate("cfg"), tree) << "a literal is accepted as it is";
}

TEST_F(TreeRegistryTest, EmptyAndNullNamesMakeNoTree) {
  EXPECT_EQ(ncCreate(" \r\n"), nullptr);
  EXPECT_TRUE(testsupport::NothingLoggedAtOrAbove(HOST_LOG_WARN)) << "a blank name fails without message";
  testsupport::ClearLog();
  EXPECT_EQ(ncCreate(nullptr), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncConstruct: create Nc failed, name is null!"));
  EXPECT_EQ(ncCreatePrivate(nullptr), nullptr);
}

TEST_F(TreeRegistryTest, LookupReportsBadNames) {
  struct Case {
    const char *dotName;
    int level;
    const char *text;
  } cases[] = {
      {nullptr, HOST_LOG_INFO, "ncFindHandleByName: dotName is [NULL]!"},
      {"", HOST_LOG_INFO, "ncFindHandleByName: dotName is [empty]!"},
      {".b", HOST_LOG_ERROR, "ncFindHandleByName: No nc name exist!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Text(c.dotName));
    testsupport::ClearLog();
    EXPECT_EQ(ncFindHandleByName(c.dotName), nullptr);
    EXPECT_TRUE(Logged(c.level, "tarvo.nc", c.text));
  }
}

TEST_F(TreeRegistryTest, DestroyUnregistersTheTree) {
  ncHandle *tree = MakeTree("t", {"t.a=1"});
  ncDestroy(tree);
  EXPECT_EQ(ncFindHandleByName("t"), nullptr);
  ncHandle *again = ncCreate("t");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->root, nullptr) << "a new, empty tree";
  testsupport::ClearLog();
  ncDestroy(nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncDestroy: Invalid parameter!"));
}

TEST_F(TreeRegistryTest, UninitDestroysEveryTreeAndInitStartsAgain) {
  MakeTree("a", {"a.x=1", "a.y.z"});
  MakeTree("b", {"b.x"});
  ncUninit();
  EXPECT_EQ(ncFindHandleByName("a"), nullptr);
  EXPECT_EQ(ncGetError(), NC_ERR_LIST_NOT_READY);
  ncInit();
  EXPECT_EQ(ncFindHandleByName("a"), nullptr);
  EXPECT_NE(ncCreate("a"), nullptr);
}

TEST_F(TreeRegistryTest, SecondInitKeepsTheTrees) {
  ncHandle *tree = ncCreate("t");
  ncInit();
  EXPECT_EQ(ncFindHandleByName("t"), tree);
}

TEST_F(TreeRegistryTest, WithoutInitTreesWorkUnregistered) {
  ncUninit();
  testsupport::ClearLog();
  ncHandle *tree = ncCreate("loose");
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncFindHandleByName: NC Module not initialized!"));
  EXPECT_NE(ncAddElementByName(tree, "loose.a"), nullptr);
  ncDestroy(tree);
  ncInit();
}

TEST_F(TreeRegistryTest, InitFailuresLeaveTheModuleUninitialised) {
  ncUninit();
  const char *messages[] = {"ncInit: create NC list failed!", "ncInit: create NC Error List failed!",
                            "ncInit: create NC Semaphore failed!"};
  for (long failAt = 1; failAt <= 3; ++failAt) {
    SCOPED_TRACE(failAt);
    testsupport::ClearLog();
    long live = hostMemLiveBlocks();
    hostMemFailAfter(failAt, 0);
    ncInit();
    hostMemFailOff();
    EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", messages[failAt - 1]));
    EXPECT_EQ(hostMemLiveBlocks(), live);
    EXPECT_EQ(ncGetError(), NC_ERR_LIST_NOT_READY);
  }
  testsupport::ClearLog();
  ncInit();
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc", "ncInit: nc init!"));
}

TEST_F(TreeRegistryTest, HandleAccessors) {
  ncHandle *tree = MakeTree("t", {"t.a"});
  EXPECT_STREQ(ncGetRootElement(tree)->name, "t");
  ncSetInitState(tree, 2);
  EXPECT_EQ(tree->initState, 2);
  ncSetInitState(nullptr, 2);
  testsupport::ClearLog();
  EXPECT_EQ(ncGetRootElement(nullptr), nullptr);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc", "ncGetRootElement: Invalid parameter!"));

  EXPECT_EQ(ncLock(tree), 0);
  EXPECT_EQ(ncLock(tree), 0) << "the owner takes it again";
  std::thread([tree] { EXPECT_EQ(semTake(tree->sem, 0), -1) << "held by the other thread"; }).join();
  ncUnlock(tree);
  ncUnlock(tree);
  EXPECT_EQ(ncLock(nullptr), 0);
  ncUnlock(nullptr);
}

TEST_F(TreeRegistryTest, ErrorCodesArePerThread) {
  EXPECT_EQ(ncGetError(), NC_ERR_NONE_RECORDED);
  ncSetError(NC_ERR_NO_ELEMENT);
  EXPECT_TRUE(Logged(HOST_LOG_DEBUG, "tarvo.nc", "ncSetError: nc error occour, code=[2]\n"));
  EXPECT_EQ(ncGetError(), NC_ERR_NO_ELEMENT);
  std::thread([] {
    EXPECT_EQ(ncGetError(), NC_ERR_NONE_RECORDED);
    ncSetError(NC_ERR_NO_TREE);
    EXPECT_EQ(ncGetError(), NC_ERR_NO_TREE);
  }).join();
  EXPECT_EQ(ncGetError(), NC_ERR_NO_ELEMENT);
  ncSetError(NC_ERR_NOT_EXECUTABLE);
  EXPECT_EQ(ncGetError(), NC_ERR_NOT_EXECUTABLE) << "the last code counts";

  ncUninit();
  testsupport::ClearLog();
  EXPECT_EQ(ncGetError(), NC_ERR_LIST_NOT_READY);
  ncSetError(NC_ERR_NO_TREE);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncGetError: Nc error list not initialized!"));
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc", "ncSetError: Nc error list not initialized!"));
  ncInit();
  EXPECT_EQ(ncGetError(), NC_ERR_NONE_RECORDED) << "codes end with ncUninit";
}

}  // namespace
}  // namespace elemtree_test
