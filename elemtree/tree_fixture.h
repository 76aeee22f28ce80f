// Fixture of the element tree tests: the library is initialised around each
// test, and after ncUninit no block from uMalloc stays live, every lock take
// has its give and every semaphore made is deleted.
#ifndef ELEMTREE_TREE_FIXTURE_H
#define ELEMTREE_TREE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/log.h"
#include "host/memory.h"
#include "ncTree.h"
#include "support/lock_balance.h"
#include "support/log_lines.h"

namespace elemtree_test {

class TreeTest : public testing::Test {
 protected:
  void SetUp() override {
    liveBefore_ = hostMemLiveBlocks();
    hostLogSetThreshold(-1);  // tests read the lines back
    ncInit();
    testsupport::ClearLog();
  }
  void TearDown() override {
    hostMemFailOff();
    ncUninit();
    EXPECT_EQ(hostMemLiveBlocks(), liveBefore_) << "blocks live after ncUninit";
    EXPECT_TRUE(locks_.Balanced());
    EXPECT_EQ(locks_.LiveSemaphores(), 0);
  }

  // A registered tree holding each dotted name of names, given as "a.b.c" or
  // "a.b.c=value".
  static ncHandle *MakeTree(const char *name, const std::vector<std::string> &names) {
    ncHandle *tree = ncCreate(name);
    for (const std::string &entry : names) {
      size_t equals = entry.find('=');
      ncElement *element = ncAddElementByName(tree, entry.substr(0, equals).c_str());
      EXPECT_NE(element, nullptr) << entry;
      if (element != nullptr && equals != std::string::npos) ncSetElementValue(element, entry.substr(equals + 1).c_str());
    }
    return tree;
  }

  // The attributes of element as "key=value" texts, in order ("key" alone
  // for an absent value).
  static std::vector<std::string> Attributes(ncElement *element) {
    std::vector<std::string> out;
    for (int i = 0; uListEol(element->attrList, i) == 0; ++i) {
      auto *attr = static_cast<ncAttr *>(uListGet(element->attrList, i));
      out.push_back(std::string(attr->key) + (attr->value != nullptr ? std::string("=") + attr->value : ""));
    }
    return out;
  }

  // The full dot name as ncGetElementDotName writes it.
  static std::string DotName(ncElement *element) {
    char *text = nullptr;
    ncGetElementDotName(element, &text, nullptr);
    std::string name = text != nullptr ? text : "";
    uFree(text);
    return name;
  }

  static int ChildCount(ncElement *element) { return uListSize(element->childList); }

  testsupport::LockBalance locks_;

 private:
  long liveBefore_ = 0;
};

// A value or a null text, comparable in expectations.
inline std::string Text(const char *text) { return text != nullptr ? text : "(null)"; }

}  // namespace elemtree_test

#endif  // ELEMTREE_TREE_FIXTURE_H
