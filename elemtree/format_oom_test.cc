// Out of memory in the readers and writers: with allocation N failing, each
// parse and each output ends with its failure result or its success, and
// leaves no block behind.
#include <string>

#include "format_fixture.h"
#include "support/oom_loop.h"

namespace elemtree_test {
namespace {

using testsupport::OomRun;

class FormatOomTest : public FormatTest {};

constexpr char kXml[] =
    "<cfg><a x=\"1\">one &amp; two</a><dns><ip>a</ip></dns><dns><ip>b</ip></dns>"
    "<dns index=\"5\"><ip>c</ip></dns><g><h>3</h></g></cfg>";
constexpr char kDot[] = "cfg.a = 1?x=1, y=2\r\ncfg.f(int a, int b)?return=int\r\ncfg.g.h = 3\r\ncfg.t.1.v = x\r\n";

TEST_F(FormatOomTest, ReadersFailCleanly) {
  for (int format : {NC_FORMAT_XML, NC_FORMAT_DOT}) {
    SCOPED_TRACE(format);
    testsupport::RunOomLoops([&](OomRun &run) {
      ncHandle *tree = ncCreatePrivate("cfg");
      run.Arm();
      int result = ncParseFromBuf(tree, format == NC_FORMAT_XML ? kXml : kDot, format);
      run.Disarm();
      if (!run.injected()) {
        EXPECT_EQ(result, 0);
      }
      ncDestroy(tree);
      testsupport::ClearLog();
    });
  }
}

int Three(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "3"); }
int Brackets(ncElement *element, char *position, int freeBytes, int, int phase) {
  return std::snprintf(position, static_cast<size_t>(freeBytes), phase == 0 ? "<%s" : ">", element->name);
}

TEST_F(FormatOomTest, WritersFailCleanly) {
  ncDestroy(ncCreate("warm"));  // the tree list has room: runs register trees
  for (int format : {NC_OUTPUT_XML, NC_OUTPUT_DOT, NC_OUTPUT_TEXT, NC_OUTPUT_CONFIG_TEXT}) {
    SCOPED_TRACE(format);
    testsupport::RunOomLoops([&](OomRun &run) {
      ncHandle *tree = MakeTree("VOIP_CONFIG_FILE", {"VOIP_CONFIG_FILE.Version=1", "VOIP_CONFIG_FILE.S.k=v&<",
                                                     "VOIP_CONFIG_FILE.S.t.$N.x=1", "VOIP_CONFIG_FILE.S.g.h=2"});
      ncGetElementByName(tree, "VOIP_CONFIG_FILE.S.t.$N")->getFunc = Three;
      tree->outputElementFunc = Brackets;
      char *text = nullptr;
      run.Arm();
      int result = ncOutputToBuf(tree, &text, format);
      run.Disarm();
      if (!run.injected()) {
        EXPECT_EQ(result, 0);
      }
      EXPECT_EQ(result == 0, text != nullptr);
      uFree(text);
      ncDestroy(tree);
      testsupport::ClearLog();
    });
  }
}

}  // namespace
}  // namespace elemtree_test
