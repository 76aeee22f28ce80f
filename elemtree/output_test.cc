// The output buffer and sinks, and the XML, dot text and custom writers.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "format_fixture.h"

namespace elemtree_test {
namespace {

using Lines = std::vector<std::string>;
using testsupport::Logged;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

class OutputTest : public FormatTest {};

int gInstances = 0;
int CountInstances(const char *, char *buffer, int size) {
  return std::snprintf(buffer, static_cast<size_t>(size), "%d", gInstances);
}

TEST_F(OutputTest, XmlWritesOneLinePerLeafAndIndentsBranches) {
  ncHandle *tree = MakeTree("cfg", {"cfg.a=1", "cfg.b", "cfg.g.c=<&>"});
  ncSetElementAttr(ncGetElementByName(tree, "cfg.b"), "x", "1");
  EXPECT_EQ(Output(tree, NC_OUTPUT_XML), std::string(kDeclaration) +
                                             "<cfg>\r\n"
                                             "    <a>1</a>\r\n"
                                             "    <b x=\"1\"></b>\r\n"
                                             "    <g>\r\n"
                                             "        <c>&lt;&amp;&gt;</c>\r\n"
                                             "    </g>\r\n"
                                             "</cfg>\r\n");
}

TEST_F(OutputTest, XmlLeavesOutTheLibrarysOwnKeysAndEscapesAttributeValues) {
  ncHandle *tree = MakeTree("cfg", {"cfg.f"});
  ncElement *f = ncGetElementByName(tree, "cfg.f");
  for (const char *key : {"exec", "level", "origin", "get", "set", "prefix"}) ncSetElementAttr(f, key, "1");
  ncSetElementAttr(f, "return", "int");
  ncSetElementAttr(f, "note", "a&b <c> \"d\"");
  std::string xml = Output(tree, NC_OUTPUT_XML);
  EXPECT_NE(xml.find("<f return=\"int\" note=\"a&amp;b &lt;c&gt; &quot;d&quot;\"></f>"), std::string::npos) << xml;

  ncHandle *back = ncCreatePrivate("cfg");
  ASSERT_EQ(ncParseFromBuf(back, xml.c_str(), NC_FORMAT_XML), 0);
  EXPECT_EQ(Text(ncGetElementAttr(ncGetElementByName(back, "cfg.f"), "note")), "a&b <c> \"d\"");
  ncDestroy(back);
}

TEST_F(OutputTest, XmlWritesEachKeyOnceSoTheDocumentReadsBack) {
  ncHandle *tree = ncCreatePrivate("cfg");
  std::string dot = "cfg.f(int a, int b)?return=int\r\ncfg.t.1.x = 1\r\ncfg.t.1?index=9, instance=auto\r\n";
  ASSERT_EQ(ncParseFromBuf(tree, dot.c_str(), NC_FORMAT_DOT), 0);
  std::string xml = Output(tree, NC_OUTPUT_XML);
  EXPECT_NE(xml.find("<f param=\"int a\" return=\"int\"></f>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<t index=\"1\">\r\n        <x>1</x>"), std::string::npos) << xml;
  ncHandle *back = ncCreatePrivate("cfg");
  EXPECT_EQ(ncParseFromBuf(back, xml.c_str(), NC_FORMAT_XML), 0);
  ncDestroy(back);
  ncDestroy(tree);
}

TEST_F(OutputTest, TablesAreWrittenOneTagPerInstance) {
  ncHandle *tree = MakeTree("cfg", {"cfg.dns.1.ip=a", "cfg.dns.2.ip=b"});
  for (const char *name : {"cfg.dns.1", "cfg.dns.2"}) ncSetElementAttr(ncGetElementByName(tree, name), "instance", "auto");
  std::string xml = Output(tree, NC_OUTPUT_XML);
  EXPECT_EQ(xml, std::string(kDeclaration) +
                     "<cfg>\r\n"
                     "    <dns index=\"1\">\r\n"
                     "        <ip>a</ip>\r\n"
                     "    </dns>\r\n"
                     "    <dns index=\"2\">\r\n"
                     "        <ip>b</ip>\r\n"
                     "    </dns>\r\n"
                     "</cfg>\r\n");
  ncSetElementValue(ncGetElementByName(tree, "cfg.dns.1.ip"), "changed");
  Lines before = ShowTree(tree);
  ASSERT_EQ(ncParseFromBuf(tree, xml.c_str(), NC_FORMAT_XML), 0);
  Lines after = ShowTree(tree);
  before[0] = "cfg = -";
  before[1] = "cfg.dns = - [index=2]";
  before[3] = "cfg.dns.1.ip = a";
  EXPECT_EQ(after, before) << "read back into the same table: same elements, the values written";
}

TEST_F(OutputTest, CustomInstanceTablesAreWrittenOncePerInstance) {
  ncHandle *tree = MakeTree("cfg", {"cfg.acct.$N.user=u", "cfg.acct.$N.port=5060"});
  ncElement *instance = ncGetElementByName(tree, "cfg.acct.$N");
  instance->getFunc = CountInstances;
  gInstances = 3;
  EXPECT_EQ(Output(tree, NC_OUTPUT_DOT),
            "cfg.acct.1.user = u\r\ncfg.acct.1.port = 5060\r\ncfg.acct.2.user = u\r\ncfg.acct.2.port = 5060\r\n"
            "cfg.acct.3.user = u\r\ncfg.acct.3.port = 5060\r\n");
  EXPECT_EQ(Text(instance->value), "3");
  std::string xml = Output(tree, NC_OUTPUT_XML);
  EXPECT_NE(xml.find("    <acct index=\"3\">\r\n        <user>u</user>\r\n        <port>5060</port>\r\n    </acct>\r\n"),
            std::string::npos)
      << xml;
  gInstances = 0;
  EXPECT_EQ(Output(tree, NC_OUTPUT_DOT), "");
  EXPECT_EQ(Output(tree, NC_OUTPUT_XML), std::string(kDeclaration) + "<cfg>\r\n</cfg>\r\n");
}

TEST_F(OutputTest, DotTextHasOneLinePerLeaf) {
  ncHandle *tree = MakeTree("cfg", {"cfg.net.port=80", "cfg.net.mode=auto", "cfg.empty"});
  ncElement *mode = ncGetElementByName(tree, "cfg.net.mode");
  ncSetElementAttr(mode, "type", "list");
  ncSetElementAttr(mode, "max", "4");
  ncSetElementAttr(mode, "level", "2");
  EXPECT_EQ(Output(tree, NC_OUTPUT_DOT), "cfg.net.port = 80\r\ncfg.net.mode = auto?type=list, max=4\r\ncfg.empty = \r\n");
  ncHandle *single = MakeTree("one", {"one=1"});
  EXPECT_EQ(Output(single, NC_OUTPUT_DOT), "one = 1\r\n");
}

int SkipPrivate(ncElement *element, ncOutputBuf *, ncWord) {
  return std::strcmp(element->name, "private") == 0 ? 0 : 1;
}

TEST_F(OutputTest, TheRecursiveHookTakesOverElements) {
  ncHandle *tree = MakeTree("cfg", {"cfg.a=1", "cfg.private.key=secret", "cfg.b=2"});
  tree->outputRecursiveFunc = SkipPrivate;
  EXPECT_EQ(Output(tree, NC_OUTPUT_DOT), "cfg.a = 1\r\ncfg.b = 2\r\n");
  EXPECT_EQ(Output(tree, NC_OUTPUT_XML).find("secret"), std::string::npos);
}

int WriteBrackets(ncElement *element, char *position, int freeBytes, int format, int phase) {
  std::string text = phase == 0 ? "<" + std::string(element->name) + std::to_string(format) : ">";
  return std::snprintf(position, static_cast<size_t>(freeBytes), "%s", text.c_str());
}

TEST_F(OutputTest, CustomFormatsAreWrittenByTheCallersFunction) {
  ncHandle *tree = MakeTree("cfg", {"cfg.a.b", "cfg.c"});
  EXPECT_EQ(Output(tree, NC_OUTPUT_TEXT), "(failed)");
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.fileoutput", "ncOutputToBuf: create txt format file error!"));
  tree->outputElementFunc = WriteBrackets;
  EXPECT_EQ(Output(tree, NC_OUTPUT_TEXT), "<cfg2<a2<b2>><c2>>");
  EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_XML), std::string(kDeclaration) + "<cfg3<a3<b3>><c3>>");
  EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_XML_BARE), "<cfg5<a5<b5>><c5>>");
  EXPECT_EQ(Output(tree, 9), "");
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.fileoutput", "ncOutputToBuf: can not identify this format!\n"));
}

// A hook that appends one text of the length the test asks for.
int gPieceLength = 0;
int WriteNothing(ncElement *, char *, int, int, int) { return 0; }
int AppendLongPiece(ncElement *, ncOutputBuf *output, ncWord) {
  ncOutputBufAppendContent(output, std::string(static_cast<size_t>(gPieceLength), 'x').c_str());
  return 0;
}

TEST_F(OutputTest, TheTextGrowsForAnyAppend) {
  ncHandle *tree = MakeTree("cfg", {"cfg"});
  tree->outputElementFunc = WriteNothing;
  tree->outputRecursiveFunc = AppendLongPiece;
  for (int length : {32767, 32768, 100000}) {
    SCOPED_TRACE(length);
    gPieceLength = length;
    EXPECT_EQ(Output(tree, NC_OUTPUT_TEXT), std::string(static_cast<size_t>(length), 'x'));
  }

  ncOutputBuf output{};
  output.text = static_cast<char *>(uMalloc(NC_OUTPUT_STEP));
  output.capacity = NC_OUTPUT_STEP;
  EXPECT_EQ(ncOutputBufAppendContent(&output, ""), 0);
  EXPECT_EQ(ncOutputBufAppendContent(&output, std::string(70000, 'y').c_str()), 70000);
  EXPECT_EQ(output.capacity, 3 * NC_OUTPUT_STEP);
  EXPECT_EQ(ncOutputBufAppendContent(&output, nullptr), -1);
  EXPECT_EQ(ncOutputBufAppendContent(nullptr, "x"), -1);
  EXPECT_EQ(std::strlen(output.text), 70000u);
  uFree(output.text);

  char *blanks = ncOutputCreateBlanks(3);
  EXPECT_STREQ(blanks, "   ");
  uFree(blanks);
  EXPECT_EQ(ncOutputCreateBlanks(0), nullptr);
}

TEST_F(OutputTest, AFileGetsTheTextAndXmlFilesEndInXml) {
  TempDir dir;
  ncHandle *tree = MakeTree("cfg", {"cfg.a=1"});
  struct Case {
    const char *path;
    int format;
    const char *written;
  } cases[] = {
      {"cfg", NC_OUTPUT_XML, "cfg.xml"},         {"c.xml", NC_OUTPUT_XML, "c.xml"},
      {"c.XML", NC_OUTPUT_XML, "c.XML.xml"},    {"cfg.txt", NC_OUTPUT_DOT, "cfg.txt"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ncOutputToFile(tree, dir.File(c.path).c_str(), c.format), 0);
    EXPECT_EQ(TempDir::Read(dir.File(c.written)), Output(tree, c.format));
  }
  tree->outputElementFunc = WriteBrackets;
  testsupport::ClearLog();
  EXPECT_EQ(ncOutputToFile(tree, dir.File("custom").c_str(), NC_OUTPUT_TEXT), 0);
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.fileoutput", "ncOutputBufToFile: can not identify this format!\n"));
  EXPECT_EQ(TempDir::Read(dir.File("custom")), "<cfg2<a2>>");

  EXPECT_EQ(ncOutputToFile(tree, "/nonexistent/dir/cfg", NC_OUTPUT_DOT), -1);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.fileoutput", "ncOutputBufToFile: couldn't open the file\n"));
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.fileoutput", "ncOutputToFile: output to a file failed!"));
  EXPECT_EQ(ncOutputToFile(tree, nullptr, NC_OUTPUT_DOT), -1);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.fileoutput", "ncOutputToFile: the parameter is incorrect\n"));
  ncHandle *empty = ncCreatePrivate("empty");
  char *text = reinterpret_cast<char *>(1);
  EXPECT_EQ(ncOutputToBuf(empty, &text, NC_OUTPUT_DOT), -1);
  EXPECT_EQ(text, reinterpret_cast<char *>(1)) << "rejected before *out is touched";
  ncDestroy(empty);
}

TEST_F(OutputTest, ADescriptorGetsTheTextOrFailsAfterThreeWaits) {
  ncHandle *tree = MakeTree("cfg", {"cfg.a=1"});
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  EXPECT_EQ(ncOutputToFd(tree, pipeEnds[1], NC_OUTPUT_DOT), 0);
  char buffer[64] = {};
  EXPECT_EQ(read(pipeEnds[0], buffer, sizeof buffer), 11);
  EXPECT_STREQ(buffer, "cfg.a = 1\r\n");

  // A pipe that nobody empties takes no more bytes.
  fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
  while (write(pipeEnds[1], "xxxxxxxxxxxxxxxx", 16) > 0) {
  }
  testsupport::ClearLog();
  EXPECT_EQ(ncOutputToFd(tree, pipeEnds[1], NC_OUTPUT_DOT), -1);
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.fileoutput", "ncOutputBufTofd: write to fd error!\n"));
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.fileoutput", "ncOutputToFd: output to a fd failed!"));
  close(pipeEnds[0]);
  close(pipeEnds[1]);

  EXPECT_EQ(ncOutputToFd(tree, 0, NC_OUTPUT_DOT), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.fileoutput", "ncOutputToFd: Invalid parameter! ncHandle=[NOT NULL], fd=[0]\n"));
  EXPECT_EQ(ncOutputToFd(nullptr, 5, NC_OUTPUT_DOT), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.fileoutput", "ncOutputToFd: Invalid parameter! ncHandle=[NULL], fd=[5]\n"));
}

}  // namespace
}  // namespace elemtree_test
