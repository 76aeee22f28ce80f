// Out of memory in the readers and writers: with allocation N failing, each
// parse and each output ends with its failure result or its success, and
// leaves no block behind. (expat's own allocations use the C library's
// allocator and are not failed here.)
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "format_fixture.h"
#include "support/oom_loop.h"

namespace elemtree_test {
namespace {

using testsupport::OomRun;

class FormatOomTest : public FormatTest {
 protected:
  // Runs an out-of-memory loop and records its number of runs under name.
  template <typename Body>
  static void Loop(const std::string &name, Body &&body) {
    RecordProperty(name, static_cast<int>(testsupport::RunOomLoops(body)));
  }
  void SetUp() override {
    FormatTest::SetUp();
    ncDestroy(ncCreate("warm"));  // the tree list has room: runs register trees
  }
  // A tree whose text outgrows the output buffer's first step.
  static ncHandle *MakeLargeTree() {
    std::vector<std::string> names;
    for (int i = 0; i < 150; ++i)
      names.push_back("VOIP_CONFIG_FILE.g" + std::to_string(i % 7) + ".k" + std::to_string(i) + "=" + std::string(400, 'v'));
    return MakeTree("VOIP_CONFIG_FILE", names);
  }
};

constexpr char kXml[] =
    "<cfg><a x=\"1\">one &amp; two</a><dns><ip>a</ip></dns><dns><ip>b</ip></dns>"
    "<dns index=\"5\"><ip>c</ip></dns><g><h>3</h></g></cfg>";
constexpr char kDot[] = "cfg.a = 1?x=1, y=2\r\ncfg.f(int a, int b)?return=int\r\ncfg.g.h = 3\r\ncfg.t.1.v = x\r\n";

TEST_F(FormatOomTest, ReadersFailCleanly) {
  for (int format : {NC_FORMAT_XML, NC_FORMAT_DOT}) {
    SCOPED_TRACE(format);
    Loop("parse, format " + std::to_string(format), [&](OomRun &run) {
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
  for (int format : {NC_OUTPUT_XML, NC_OUTPUT_DOT, NC_OUTPUT_TEXT, NC_OUTPUT_CONFIG_TEXT}) {
    SCOPED_TRACE(format);
    Loop("output, format " + std::to_string(format), [&](OomRun &run) {
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

// The file and descriptor sources, which read in windows of their own.
TEST_F(FormatOomTest, FileAndDescriptorSourcesFailCleanly) {
  TempDir dir;
  for (int format : {NC_FORMAT_XML, NC_FORMAT_DOT}) {
    const char *text = format == NC_FORMAT_XML ? kXml : kDot;
    const std::string path = dir.Write("cfg", text);
    const std::function<int(ncHandle *)> sources[] = {
        [&](ncHandle *tree) { return ncParseFromFile(tree, path.c_str(), format); },
        [&](ncHandle *tree) {
          int ends[2];
          if (pipe(ends) != 0) return -2;
          const ssize_t length = static_cast<ssize_t>(std::strlen(text));
          const bool sent = write(ends[1], text, static_cast<size_t>(length)) == length;
          close(ends[1]);
          const int result = sent ? ncParseFromFd(tree, ends[0], format) : -2;
          close(ends[0]);
          return result;
        },
    };
    for (const auto &parse : sources) {
      SCOPED_TRACE(testing::Message() << "format " << format << ", source " << (&parse - sources));
      Loop("parse, format " + std::to_string(format) + (&parse == sources ? ", file" : ", descriptor"), [&](OomRun &run) {
        ncHandle *tree = ncCreatePrivate("cfg");
        run.Arm();
        const int result = parse(tree);
        run.Disarm();
        EXPECT_TRUE(result == 0 || result == -1) << result;
        if (!run.injected()) {
          EXPECT_EQ(result, 0);
        }
        ncDestroy(tree);
        testsupport::ClearLog();
      });
    }
  }
}

int Two(const char *, char *buffer, int size) { return std::snprintf(buffer, static_cast<size_t>(size), "2"); }

// The line operations that the dot text reader is made of, and the XML
// reader's making of table instances, which callers' own parsers use.
TEST_F(FormatOomTest, LineOperationsFailCleanly) {
  const struct {
    const char *operation;
    std::function<bool(ncHandle *, ncElement *)> call;  // true: done whole
  } cases[] = {
      {"ncParseDot",
       [](ncHandle *tree, ncElement *) {
         char text[] = "cfg.a = 1?x=1\r\ncfg.g.h = 3\r\ncfg.t.1.v = x\r\n";
         const int length = static_cast<int>(sizeof text) - 1;
         return ncParseDot(tree, text) == length && ncGetElementByName(tree, "cfg.t.1.v") != nullptr;
       }},
      {"ncParseDotElementParam",
       [](ncHandle *, ncElement *e) {
         ncParseDotElementParam(e, "cfg.e(int a, char *b)?return=int");
         return ncGetElementParamAttrNum(e) == 2;
       }},
      {"ncParseDotElementValue",
       [](ncHandle *tree, ncElement *e) {
         ncParseDotElementValue(tree, e, "cfg.e = 5?x=1");
         return Text(e->value) == "5";
       }},
      {"ncParseDotElementAttr",
       [](ncHandle *, ncElement *e) {
         ncParseDotElementAttr(e, "cfg.e = 5?x=1, y=2");
         return Text(ncGetElementAttr(e, "y")) == "2";
       }},
      {"ncXmlParseAddInstanceChildElement",
       [](ncHandle *tree, ncElement *) {
         const char *none[] = {nullptr};
         ncElement *table = ncGetElementByName(tree, "cfg.table.1");
         ncElement *added = ncXmlParseAddInstanceChildElement(table->parent, none, 1);
         return added != nullptr && ncGetElementByName(tree, "cfg.table.2") == added;
       }},
      {"ncXmlParseAddInstanceChildElement, custom instance",
       [](ncHandle *tree, ncElement *) {
         const char *seven[] = {"index", "7", nullptr};
         ncElement *custom = ncGetElementByName(tree, "cfg.list.$N");
         return ncXmlParseAddInstanceChildElement(custom->parent, seven, 1) == custom && Text(custom->value) == "7";
       }},
  };
  const auto makeTree = [] {
    ncHandle *tree = MakeTree("cfg", {"cfg.e", "cfg.table.1.x", "cfg.list.$N.y"});
    ncSetElementAttr(ncGetElementByName(tree, "cfg.table.1"), "instance", "auto");
    ncGetElementByName(tree, "cfg.list.$N")->getFunc = Two;
    return tree;
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.operation);
    // Once before the runs: what the module keeps until ncUninit (this
    // thread's error record, the room of its lists) is there before them.
    ncHandle *warm = makeTree();
    c.call(warm, ncGetElementByName(warm, "cfg.e"));
    ncSetError(NC_ERR_NO_ELEMENT);
    ncDestroy(warm);
    Loop(c.operation, [&](OomRun &run) {
      ncHandle *tree = makeTree();
      run.Arm();
      const bool done = c.call(tree, ncGetElementByName(tree, "cfg.e"));
      run.Disarm();
      if (!run.injected()) {
        EXPECT_TRUE(done);
      }
      ncDestroy(tree);
      testsupport::ClearLog();
    });
  }
}

// The buffer, file and descriptor sinks: an output that reports success
// holds the tree's whole text, and a file whose text could not be made keeps
// its old content.
TEST_F(FormatOomTest, SinksFailCleanly) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  for (int format : {NC_OUTPUT_XML, NC_OUTPUT_DOT, NC_OUTPUT_CONFIG_TEXT}) {
    SCOPED_TRACE(format);
    const std::string file = format == NC_OUTPUT_XML ? path + ".xml" : path;
    std::string expected;
    Loop("sinks, format " + std::to_string(format), [&](OomRun &run) {
      ncHandle *tree = MakeLargeTree();
      if (expected.empty()) expected = Output(tree, format);
      ASSERT_GT(expected.size(), static_cast<size_t>(NC_OUTPUT_STEP));
      dir.Write(file.substr(file.rfind('/') + 1), "old");
      int ends[2];
      ASSERT_EQ(pipe(ends), 0);
      ASSERT_GT(fcntl(ends[1], F_SETPIPE_SZ, 1 << 20), static_cast<int>(expected.size()));  // no reader needed
      char *text = nullptr;
      run.Arm();
      const int toBuffer = ncOutputToBuf(tree, &text, format);
      const int toFile = ncOutputToFile(tree, path.c_str(), format);
      const int toFd = ncOutputToFd(tree, ends[1], format);
      run.Disarm();
      close(ends[1]);
      std::string piped;
      char chunk[4096];
      for (ssize_t got; (got = read(ends[0], chunk, sizeof chunk)) > 0;) piped.append(chunk, static_cast<size_t>(got));
      close(ends[0]);
      const std::string written = TempDir::Read(file);
      const std::string buffered = text != nullptr ? text : "";
      uFree(text);
      for (const auto &[what, result, output] : {std::tuple{"ncOutputToBuf", toBuffer, buffered},
                                                 std::tuple{"ncOutputToFile", toFile, written},
                                                 std::tuple{"ncOutputToFd", toFd, piped}}) {
        if (result == 0) {
          EXPECT_TRUE(output == expected) << what << " reported success for " << output.size() << " bytes that are not the "
                                          << expected.size() << " of the tree's text";
        }
      }
      if (toFile != 0) {
        EXPECT_EQ(written, "old") << "a failed output changed the file";
      }
      if (toFd != 0) {
        EXPECT_EQ(piped, "") << "a failed output wrote to the descriptor";
      }
      if (!run.injected()) {
        EXPECT_EQ(toBuffer, 0);
        EXPECT_EQ(toFile, 0);
        EXPECT_EQ(toFd, 0);
      }
      ncDestroy(tree);
      testsupport::ClearLog();
    });
  }
}

// A caller's writer builds its text with the buffer operations; one that
// meets a failure stops, and the library's output fails with it or keeps
// what was written, without a leak.
bool gWriterFailed = false;
int IndentedNames(ncElement *element, ncOutputBuf *output, ncWord) {
  char *blanks = ncOutputCreateBlanks(2 * ncGetElementDeepth(element) + 1);
  const bool done = blanks != nullptr && ncOutputBufAppendContent(output, blanks) >= 0 &&
                    ncOutputBufAppendContent(output, element->name) >= 0 && ncOutputBufAppendContent(output, "\n") >= 0;
  uFree(blanks);
  gWriterFailed = gWriterFailed || !done;
  for (int i = 0; done && uListEol(element->childList, i) == 0; ++i)
    IndentedNames(static_cast<ncElement *>(uListGet(element->childList, i)), output, 0);
  return 0;  // the whole tree is written here
}
int NoElementWriter(ncElement *, char *, int, int, int) { return 0; }

TEST_F(FormatOomTest, CallersWriterFailsCleanly) {
  std::string expected;
  Loop("caller's writer", [&](OomRun &run) {
    ncHandle *tree = MakeLargeTree();
    tree->outputElementFunc = NoElementWriter;
    tree->outputRecursiveFunc = IndentedNames;
    if (expected.empty()) expected = Output(tree, NC_OUTPUT_CONFIG_XML_BARE);
    gWriterFailed = false;
    char *text = nullptr;
    run.Arm();
    const int result = ncOutputToBuf(tree, &text, NC_OUTPUT_CONFIG_XML_BARE);
    run.Disarm();
    if (result == 0 && !gWriterFailed) {
      EXPECT_EQ(text, expected);
    }
    if (!run.injected()) {
      EXPECT_EQ(result, 0);
      EXPECT_FALSE(gWriterFailed);
    }
    uFree(text);
    ncDestroy(tree);
    testsupport::ClearLog();
  });
}

}  // namespace
}  // namespace elemtree_test
