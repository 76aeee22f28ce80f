// The parser front end: data sources, the parse window, the XML pieces and
// the end-of-parse notification.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "format_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

class ParseTest : public FormatTest {
 protected:
  static inline int finished_ = 0;
  static void CountFinished(ncHandle *) { ++finished_; }
};

// 1,000 lines of 40 bytes: t.gNNN.kNNN = value, padded.
std::string ThousandLines() {
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "t.g%03d.k%03d = %-25d\n", i % 37, i, i * 7);
    text += line;
  }
  EXPECT_EQ(text.size(), 40000u);
  return text;
}

TEST_F(ParseTest, ASourceGivesTheSameTreeFromBufferFileAndDescriptor) {
  std::string text = ThousandLines();
  ncHandle *fromBuffer = ncCreatePrivate("t");
  ASSERT_EQ(ncParseFromBuf(fromBuffer, text.c_str(), NC_FORMAT_DOT), 0);
  std::vector<std::string> expected = ShowTree(fromBuffer);
  ASSERT_EQ(expected.size(), 1038u);  // root, 37 groups, 1,000 leaves
  EXPECT_EQ(expected[2], "t.g000.k000 = 0");

  TempDir dir;
  ncHandle *fromFile = ncCreatePrivate("t");
  EXPECT_EQ(ncParseFromFile(fromFile, dir.Write("cfg.txt", text).c_str(), NC_FORMAT_DOT), 0);
  EXPECT_EQ(ShowTree(fromFile), expected);

  // A pipe whose writer closes at the end: the reader takes what it gathered
  // and then sees the end, without waiting for a silence.
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::thread writer([&] {
    for (size_t at = 0; at < text.size(); at += 1000) {
      EXPECT_EQ(write(pipeEnds[1], text.data() + at, 1000), 1000);
    }
    close(pipeEnds[1]);
  });
  ncHandle *fromFd = ncCreatePrivate("t");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ncParseFromFd(fromFd, pipeEnds[0], NC_FORMAT_DOT), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  writer.join();
  close(pipeEnds[0]);
  EXPECT_EQ(ShowTree(fromFd), expected);
  for (ncHandle *tree : {fromBuffer, fromFile, fromFd}) ncDestroy(tree);
}

TEST_F(ParseTest, DescriptorReadGathersThenReportsTheEnd) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  ncHandle *tree = ncCreatePrivate("t");
  ASSERT_EQ(write(pipeEnds[1], "t.a=1\n", 6), 6);
  close(pipeEnds[1]);
  ASSERT_EQ(ncParseFromFd(tree, pipeEnds[0], NC_FORMAT_DOT), 0);
  ncReadFunc read = tree->readFunc;  // the library's own read function
  close(pipeEnds[0]);

  ASSERT_EQ(pipe(pipeEnds), 0);
  ASSERT_EQ(write(pipeEnds[1], "0123456789", 10), 10);
  close(pipeEnds[1]);
  char buffer[100];
  void *source = reinterpret_cast<void *>(static_cast<intptr_t>(pipeEnds[0]));
  EXPECT_EQ(read(NC_SOURCE_FD, source, 0, buffer, sizeof buffer), 10);
  EXPECT_EQ(read(NC_SOURCE_FD, source, 10, buffer, sizeof buffer), 0);
  close(pipeEnds[0]);

  const char *text = "abcdef";
  EXPECT_EQ(read(NC_SOURCE_BUFFER, const_cast<char *>(text), 2, buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "cde");
  EXPECT_EQ(read(NC_SOURCE_BUFFER, const_cast<char *>(text), 6, buffer, 3), 0);
  EXPECT_EQ(read(NC_SOURCE_BUFFER, const_cast<char *>(text), -1, buffer, 3), -1);
  EXPECT_EQ(read(NC_SOURCE_FILE, nullptr, 0, buffer, 3), 0);
  EXPECT_EQ(read(7, const_cast<char *>(text), 0, buffer, 3), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.parse", "ncNormalRead: Unsupported data source type[7]."));
  ncDestroy(tree);
}

TEST_F(ParseTest, ASilentDescriptorEndsTheInputAfterFiveSeconds) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::string text;
  for (int i = 0; i < 10; ++i) text += "t.k" + std::to_string(i) + "=1234\n";  // 100 bytes
  ASSERT_EQ(text.size(), 100u);
  ASSERT_EQ(write(pipeEnds[1], text.data(), text.size()), 100);
  ncHandle *tree = ncCreatePrivate("t");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ncParseFromFd(tree, pipeEnds[0], NC_FORMAT_DOT), 0);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(4900));
  EXPECT_EQ(ShowTree(tree).size(), 11u);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  ncDestroy(tree);
}

TEST_F(ParseTest, InvalidArgumentsAreRejectedWithoutNotification) {
  ncHandle *tree = ncCreatePrivate("t");
  tree->parseFinishedFunc = CountFinished;
  finished_ = 0;
  EXPECT_EQ(ncParseFromBuf(nullptr, "t.a=1\n", 1), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.parse", "ncParseFromBuf: Invalid parameter! nc=[NULL], buf=[Not NULL]"));
  EXPECT_EQ(ncParseFromBuf(tree, nullptr, 1), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.parse", "ncParseFromBuf: Invalid parameter! nc=[Not NULL], buf=[NULL]"));
  for (int fd : {0, -3, 1024}) {
    EXPECT_EQ(ncParseFromFd(tree, fd, 1), -1);
    EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.parse",
                       "ncParseFromFd: Invalid parameter! nc=[Not NULL], fd=[" + std::to_string(fd) + "]"));
  }
  EXPECT_EQ(ncParseFromFile(tree, nullptr, 1), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.parse", "ncParseFromFile: Invalid parameter! nc=[Not NULL], file=[NULL]"));
  EXPECT_EQ(ncParseFromFile(tree, "/nonexistent/cfg", 1), -1);
  EXPECT_TRUE(Logged(HOST_LOG_WARN, "tarvo.nc.parse", "ncParseFromFile: file[/nonexistent/cfg] open failed!"));
  EXPECT_EQ(ncParse(nullptr), -1);
  tree->readSource = nullptr;
  EXPECT_EQ(ncParse(tree), -1);
  EXPECT_EQ(finished_, 0) << "no parse got under way";
  ncParseFinished(nullptr);
  ncDestroy(tree);
}

TEST_F(ParseTest, EveryParseUnderWayIsNotifiedOnce) {
  ncHandle *tree = ncCreatePrivate("t");
  tree->parseFinishedFunc = CountFinished;
  struct Case {
    const char *text;
    int format;
    int result;
  } cases[] = {
      {"", NC_FORMAT_DOT, 0},       {"t.a=1\n", NC_FORMAT_DOT, 0}, {"<t><a>1</a></t>", NC_FORMAT_XML, 0},
      {"", NC_FORMAT_XML, -1},      {"<t><a></t>", NC_FORMAT_XML, -1}, {"t.a=1\n", 9, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    finished_ = 0;
    testsupport::ClearLog();
    EXPECT_EQ(ncParseFromBuf(tree, c.text, c.format), c.result);
    EXPECT_EQ(finished_, 1);
  }
  ncDestroy(tree);
}

TEST_F(ParseTest, XmlFailuresAreLogged) {
  ncHandle *tree = ncCreatePrivate("t");
  EXPECT_EQ(ncParseFromBuf(tree, "", NC_FORMAT_XML), -1);
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.parse", "ncParse: parse xml error totalRead[0] or parserResult[0]."));
  testsupport::ClearLog();
  EXPECT_EQ(ncParseFromBuf(tree, "<t><a><b>1</b>", NC_FORMAT_XML), -1);
  std::vector<hostLogLine> lines = testsupport::LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_STREQ(lines[0].text, "ncParse: parse failed with deepth=[2]");
  EXPECT_STREQ(lines[1].text, "ncParse: parse xml error totalRead[14] or parserResult[0].");
  EXPECT_EQ(ShowTree(tree), (std::vector<std::string>{"t = -", "t.a = -", "t.a.b = 1"})) << "nothing is rolled back";
  ncDestroy(tree);
}

// A read function of the caller's, serving a text and noting each request.
struct Served {
  std::string text;
  std::vector<int> requests;
};
Served *gServed = nullptr;
int ServeText(int, void *, int offset, char *destination, int capacity) {
  gServed->requests.push_back(capacity);
  int left = static_cast<int>(gServed->text.size()) - offset;
  int count = left < capacity ? left : capacity;
  std::memcpy(destination, gServed->text.data() + offset, static_cast<size_t>(count));
  return count;
}

TEST_F(ParseTest, ACallersReadFunctionServesBuffersAndXmlComesInPiecesOf512) {
  std::string document = "<t><a>";
  document += std::string(512 - document.size() - 8, 'x');
  document += "</a></t>";
  ASSERT_EQ(document.size(), 512u);
  Served served{document, {}};
  gServed = &served;
  ncHandle *tree = ncCreatePrivate("t");
  tree->readFunc = ServeText;
  EXPECT_EQ(ncParseFromBuf(tree, "ignored", NC_FORMAT_XML), 0);
  EXPECT_EQ(served.requests, (std::vector<int>{512, 512})) << "one full piece and a final piece of 0 bytes";
  EXPECT_EQ(tree->readFunc, ServeText);
  EXPECT_EQ(ncGetElementByName(tree, "t.a")->value, std::string(498, 'x'));

  TempDir dir;
  EXPECT_EQ(ncParseFromFile(tree, dir.Write("t.txt", "t.b=2\n").c_str(), NC_FORMAT_DOT), 0);
  EXPECT_NE(tree->readFunc, ServeText) << "files and descriptors read with the library's own function";
  EXPECT_EQ(tree->readSourceType, NC_SOURCE_FILE);
  gServed = nullptr;
  ncDestroy(tree);
}

TEST_F(ParseTest, DotTextLinesAreJoinedAcrossPiecesAndTooLongLinesFail) {
  // Lines of 100 bytes straddle the 511-byte pieces of the window.
  std::string text;
  for (int i = 0; i < 20; ++i) {
    std::string line = "t.k" + std::to_string(i) + " = ";
    text += line + std::string(99 - line.size(), 'a' + i % 26) + "\n";
  }
  ncHandle *tree = ncCreatePrivate("t");
  ASSERT_EQ(ncParseFromBuf(tree, text.c_str(), NC_FORMAT_DOT), 0);
  EXPECT_EQ(ncGetElementByName(tree, "t.k5")->value, std::string(92, 'f'));
  EXPECT_EQ(ShowTree(tree).size(), 21u);

  std::string longLine = "t.long = " + std::string(591, 'z') + "\n";
  testsupport::ClearLog();
  EXPECT_EQ(ncParseFromBuf(tree, longLine.c_str(), NC_FORMAT_DOT), -1);
  EXPECT_TRUE(Logged(HOST_LOG_INFO, "tarvo.nc.parse", "ncParse: parse failed! content=[" + longLine.substr(0, 511) + "]"));
  ncDestroy(tree);
}

TEST_F(ParseTest, AnUnterminatedLastLineIsApplied) {
  ncHandle *tree = ncCreatePrivate("t");
  EXPECT_EQ(ncParseFromBuf(tree, "t.a=1\nt.b=2", NC_FORMAT_DOT), 0);
  EXPECT_EQ(ncParseFromBuf(tree, "t.c=3", NC_FORMAT_DOT), 0);
  EXPECT_EQ(ShowTree(tree), (std::vector<std::string>{"t = -", "t.a = 1", "t.b = 2", "t.c = 3"}));
  // Lines behind a ":notsupport" line are dropped when the input ends.
  EXPECT_EQ(ncParseFromBuf(tree, "t.d=4\nt.x:notsupport\nt.e=5\nt.f=6", NC_FORMAT_DOT), 0);
  EXPECT_EQ(ShowTree(tree).back(), "t.d = 4");
  ncDestroy(tree);
}

// A format of the caller's: one "name value" pair per line.
int ParsePairs(ncHandle *handle, char *text) {
  char *end = std::strrchr(text, '\n');
  if (end == nullptr) return 0;
  for (char *line = text; line <= end;) {
    char *next = std::strchr(line, '\n');
    std::string pair(line, static_cast<size_t>(next - line));
    size_t blank = pair.find(' ');
    ncSetElementValue(ncAddElementByName(handle, pair.substr(0, blank).c_str()), pair.substr(blank + 1).c_str());
    line = next + 1;
  }
  return static_cast<int>(end + 1 - text);
}

TEST_F(ParseTest, ACustomFormatIsReadByTheCallersParser) {
  ncHandle *tree = ncCreatePrivate("t");
  EXPECT_EQ(ncParseFromBuf(tree, "t.a 1\n", 7), -1) << "no parser for the format";
  tree->parseFunc = ParsePairs;
  EXPECT_EQ(ncParseFromBuf(tree, "t.a 1\nt.b 2\n", 7), 0);
  EXPECT_EQ(ShowTree(tree), (std::vector<std::string>{"t = -", "t.a = 1", "t.b = 2"}));
  ncDestroy(tree);
}

}  // namespace
}  // namespace elemtree_test
