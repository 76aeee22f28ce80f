#include "host/memory.h"
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Items are small integers disguised as pointers, so the list's contents can be
// written as a text like "1,2,3".
void *Item(int n) { return reinterpret_cast<void *>(static_cast<intptr_t>(n)); }

std::string Contents(uListId list) {
  std::string out;
  for (int i = 0; !uListEol(list, i); ++i) {
    if (!out.empty()) out += ",";
    out += std::to_string(reinterpret_cast<intptr_t>(uListGet(list, i)));
  }
  return out;
}

struct ListCase {
  const char *what;
  void (*operation)(uListId list);  // applied to the list 1,2,3
  const char *contents;
};

const ListCase kCases[] = {
    {"append adds at the end", [](uListId l) { EXPECT_EQ(uListAppend(l, Item(4)), 0); }, "1,2,3,4"},
    {"add at 0 inserts at the front", [](uListId l) { EXPECT_EQ(uListAdd(l, Item(0), 0), 0); }, "0,1,2,3"},
    {"add in the middle", [](uListId l) { EXPECT_EQ(uListAdd(l, Item(9), 1), 0); }, "1,9,2,3"},
    {"add past the end appends", [](uListId l) { EXPECT_EQ(uListAdd(l, Item(9), 7), 0); }, "1,2,3,9"},
    {"remove returns the item", [](uListId l) { EXPECT_EQ(uListRemove(l, 1), Item(2)); }, "1,3"},
    {"remove a bad index", [](uListId l) {
       EXPECT_EQ(uListRemove(l, 3), nullptr);
       EXPECT_EQ(uListRemove(l, -1), nullptr);
     }, "1,2,3"},
    {"get past the end", [](uListId l) {
       EXPECT_EQ(uListGet(l, 3), nullptr);
       EXPECT_EQ(uListGet(l, -1), nullptr);
     }, "1,2,3"},
    {"eol only past the last item", [](uListId l) {
       EXPECT_EQ(uListEol(l, 0), 0);
       EXPECT_EQ(uListEol(l, 2), 0);
       EXPECT_NE(uListEol(l, 3), 0);
       EXPECT_NE(uListEol(l, -1), 0);
     }, "1,2,3"},
    {"search by identity", [](uListId l) {
       EXPECT_EQ(uListSearch(l, Item(3), nullptr), 2);
       EXPECT_EQ(uListSearch(l, Item(8), nullptr), -1);
     }, "1,2,3"},
    {"search with a comparison", [](uListId l) {
       auto greaterThanKey = [](const void *item, const void *key) {
         return reinterpret_cast<intptr_t>(item) > reinterpret_cast<intptr_t>(key) ? 0 : 1;
       };
       EXPECT_EQ(uListSearch(l, Item(1), greaterThanKey), 1);
     }, "1,2,3"},
    {"size", [](uListId l) { EXPECT_EQ(uListSize(l), 3); }, "1,2,3"},
};

TEST(ListTest, Contract) {
  for (const ListCase &c : kCases) {
    SCOPED_TRACE(c.what);
    uListId list = uListInit(0);
    ASSERT_NE(list, nullptr);
    for (int i = 1; i <= 3; ++i) ASSERT_EQ(uListAppend(list, Item(i)), 0);
    c.operation(list);
    EXPECT_EQ(Contents(list), c.contents);
    uListUninit(list);
  }
}

TEST(ListTest, AbsentList) {
  EXPECT_EQ(uListAppend(nullptr, Item(1)), -1);
  EXPECT_EQ(uListAdd(nullptr, Item(1), 0), -1);
  EXPECT_EQ(uListGet(nullptr, 0), nullptr);
  EXPECT_NE(uListEol(nullptr, 0), 0);
  EXPECT_LT(uListSize(nullptr), 0);
  EXPECT_EQ(uListRemove(nullptr, 0), nullptr);
  EXPECT_EQ(uListRemoveAndFree(nullptr, 0, nullptr), -1);
  EXPECT_EQ(uListSearch(nullptr, Item(1), nullptr), -1);
  uListUninit(nullptr);
}

TEST(ListTest, GrowsAndReleasesEverything) {
  long before = hostMemLiveBlocks();
  uListId list = uListInit(0);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(uListAdd(list, uStrGetCopy("x"), 0), 0);
  EXPECT_EQ(uListSize(list), 1000);
  EXPECT_EQ(uListRemoveAndFree(list, 999, nullptr), 0);
  EXPECT_EQ(uListRemoveAndFree(list, 999, nullptr), -1);
  while (uListSize(list) > 0) uListRemoveAndFree(list, 0, uFree);
  uListUninit(list);
  EXPECT_EQ(hostMemLiveBlocks(), before);
}

TEST(ListTest, FailedGrowthLeavesTheListIntact) {
  uListId list = uListInit(0);
  for (int i = 1; i <= 8; ++i) ASSERT_EQ(uListAppend(list, Item(i)), 0);
  hostMemFailAfter(1, 0);
  EXPECT_EQ(uListAppend(list, Item(9)), -1);
  hostMemFailOff();
  EXPECT_EQ(Contents(list), "1,2,3,4,5,6,7,8");
  uListUninit(list);
}

}  // namespace
