#include "host/config.h"
#include "platform/config.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// A module as a real one would write it: a data block of two strings, a
// lock, and counters of what the library did to it.
struct FakeData {
  char *name;
  char *path;
};
FakeData gData;
std::atomic<int> gLockDepth{0}, gLocks{0}, gResets{0}, gResetsUnlocked{0};
std::atomic<int> gChecks{0}, gApplies{0}, gAppliesLocked{0}, gApplyThread{0};
std::atomic<int> gCheckResult{0};
std::atomic<bool> gCopyFails{false};

void Lock() {
  ++gLocks;
  ++gLockDepth;
}
void Unlock() { --gLockDepth; }
void Reset() {
  ++gResets;
  if (gLockDepth == 0) ++gResetsUnlocked;
  gData = FakeData{};
}
void *Copy() {
  if (gCopyFails) return nullptr;
  auto *copy = static_cast<FakeData *>(uMalloc(sizeof(FakeData)));
  copy->name = uStrGetCopy(gData.name);
  copy->path = uStrGetCopy(gData.path);
  return copy;
}
void CopyFree(void *block) {
  auto *copy = static_cast<FakeData *>(block);
  uFree(copy->name);
  uFree(copy->path);
  uFree(copy);
}
int Check() {
  ++gChecks;
  return gCheckResult;
}
int Apply() {
  ++gApplies;
  if (gLockDepth != 0) ++gAppliesLocked;
  gApplyThread = taskIdSelf();
  return 0;
}

constexpr const char *kNameKey = "Name                :";
constexpr const char *kPathKey = "Path                :";

const moduleConfigItem kItems[] = {
    {kNameKey, &gData.name, CONFIG_ITEM_TYPE_STRING, 8, CONFIG_ITEM_ACCESS_READ_WRITE, {}},
    {kPathKey, &gData.path, CONFIG_ITEM_TYPE_STRING, 64, CONFIG_ITEM_ACCESS_READ_WRITE, {}},
};
const moduleConfigHook kHooks[] = {{nullptr, 0, Check, nullptr, Apply, {}}};

moduleConfigInfo FakeModule(const char *name) {
  moduleConfigInfo info{};
  std::snprintf(info.name, sizeof info.name, "%s", name);
  info.items = kItems;
  info.itemCount = 2;
  info.data = &gData;
  info.dataSize = sizeof gData;
  info.hooks = kHooks;
  info.hookCount = 1;
  info.resetFunc = Reset;
  info.lockFunc = Lock;
  info.unlockFunc = Unlock;
  info.copyFunc = Copy;
  info.copyFreeFunc = CopyFree;
  return info;
}

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/config_test.XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    file_ = name;
    gCheckResult = 0;
    gCopyFails = false;
  }
  void TearDown() override {
    hostConfigSetFile(nullptr);
    std::remove(file_.c_str());
  }
  void Register(const char *module, const std::string &text) {
    std::ofstream(file_, std::ios::binary) << text;
    hostConfigSetFile(file_.c_str());
    moduleConfigInfo info = FakeModule(module);
    ASSERT_EQ(moduleConfigRegister(&info), 0);
  }
  std::string file_;
};

TEST_F(ConfigTest, RegistrationStoresTheFileValuesUnderTheModuleLock) {
  int locks = gLocks, resets = gResets;
  Register("fake.file", "Other               :x\r\nName                :abcdefghij\r\nPath\n");
  ASSERT_NE(gData.name, nullptr);
  EXPECT_STREQ(gData.name, "abcdefg") << "cut to maxLength - 1";
  EXPECT_EQ(gData.path, nullptr) << "no line begins with the key";
  EXPECT_EQ(gResets - resets, 1);
  EXPECT_EQ(gResetsUnlocked, 0);
  EXPECT_GT(gLocks - locks, 0);
  EXPECT_EQ(gLockDepth, 0);

  Register("fake.file", "Name                :\nPath                :/mnt/a b\r\n");
  EXPECT_STREQ(gData.name, "");
  EXPECT_STREQ(gData.path, "/mnt/a b");
}

TEST_F(ConfigTest, ChangesRunHooksOnTheLibraryThreadWithoutTheLock) {
  Register("fake.change", "Name                :one\r\n");
  moduleAliasInfo alias = {"fake.change", "fc"};
  ASSERT_EQ(addModuleAlias(&alias), 0);
  int applies = gApplies, checks = gChecks;

  ASSERT_EQ(hostConfigSet("fc", kNameKey, "two"), 0);
  hostConfigDrain();
  EXPECT_STREQ(gData.name, "two");
  EXPECT_EQ(gApplies - applies, 1);
  EXPECT_EQ(gAppliesLocked, 0);
  EXPECT_NE(gApplyThread, taskIdSelf());

  ASSERT_EQ(hostConfigSet("fake.change", kNameKey, "two"), 0);  // unchanged: no hook
  gCheckResult = 1;
  ASSERT_EQ(hostConfigSet("fake.change", kNameKey, "three"), 0);  // refused by the check
  hostConfigDrain();
  EXPECT_STREQ(gData.name, "two");
  EXPECT_EQ(gApplies - applies, 1);
  EXPECT_EQ(gChecks - checks, 2);

  char value[16];
  ASSERT_EQ(hostConfigGet("fc", kNameKey, value, sizeof value), 0);
  EXPECT_STREQ(value, "two");
  ASSERT_EQ(hostConfigAliasGet("fc", value, sizeof value), 0);
  EXPECT_STREQ(value, "fake.change");
  EXPECT_EQ(hostConfigSet("fake.none", kNameKey, "x"), -1);
  EXPECT_EQ(hostConfigSet("fc", "Nothing:", "x"), -1);
}

TEST_F(ConfigTest, AFailedCopyIsAccepted) {
  Register("fake.copy", "Name                :one\r\n");
  gCopyFails = true;
  char value[16];
  EXPECT_EQ(hostConfigGet("fake.copy", kNameKey, value, sizeof value), -1);
  ASSERT_EQ(hostConfigSet("fake.copy", kNameKey, "new"), 0);  // the old value is unknown: stored anyway
  hostConfigDrain();
  EXPECT_STREQ(gData.name, "new");
}

TEST_F(ConfigTest, RefusesRecordsItCannotUse) {
  EXPECT_EQ(moduleConfigRegister(nullptr), -1);
  moduleConfigItem outside = kItems[0];
  outside.value = &gData + 1;
  moduleConfigItem unknownType = kItems[0];
  unknownType.type = 3;
  struct Case {
    const char *what;
    void (*spoil)(moduleConfigInfo &, const moduleConfigItem *);
    const moduleConfigItem *item;
  };
  const Case cases[] = {
      {"empty name", [](moduleConfigInfo &m, const moduleConfigItem *) { m.name[0] = '\0'; }, nullptr},
      {"no lock", [](moduleConfigInfo &m, const moduleConfigItem *) { m.lockFunc = nullptr; }, nullptr},
      {"no reset", [](moduleConfigInfo &m, const moduleConfigItem *) { m.resetFunc = nullptr; }, nullptr},
      {"item outside the data block", [](moduleConfigInfo &m, const moduleConfigItem *i) { m.items = i; m.itemCount = 1; }, &outside},
      {"unknown item type", [](moduleConfigInfo &m, const moduleConfigItem *i) { m.items = i; m.itemCount = 1; }, &unknownType},
  };
  for (const Case &c : cases) {
    moduleConfigInfo info = FakeModule("fake.bad");
    c.spoil(info, c.item);
    EXPECT_EQ(moduleConfigRegister(&info), -1) << c.what;
  }
  moduleAliasInfo empty{};
  EXPECT_EQ(addModuleAlias(&empty), -1);
  EXPECT_EQ(addModuleAlias(nullptr), -1);
}

}  // namespace
