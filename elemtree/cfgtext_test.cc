// The configuration text writer.
#include <string>
#include <vector>

#include "format_fixture.h"

namespace elemtree_test {
namespace {

using testsupport::Logged;

constexpr char kTrailer[] = "<<END OF FILE>>\r\n";

class CfgTextTest : public FormatTest {};

// A label: the text cut or padded to 24 characters.
std::string Label(const std::string &text) {
  std::string label = text.substr(0, 24);
  return label + std::string(24 - label.size(), ' ');
}

TEST_F(CfgTextTest, TheExampleFileByteForByte) {
  ncHandle *tree = MakeTree("VOIP_CONFIG_FILE", {"VOIP_CONFIG_FILE.Version=2.0", "VOIP_CONFIG_FILE.SIP.Server=s1",
                                                 "VOIP_CONFIG_FILE.SIP.Account.Account_Entry.1.Line.User=u",
                                                 "VOIP_CONFIG_FILE.SIP.Account.Account_Entry.2.Line.User=u"});
  std::string header = "<<VOIP CONFIG FILE>>Version:2.0";
  std::string expected = header + std::string(62 - header.size(), ' ') + "\r\n" +
                         "\r\n<SIP>\r\n" +
                         Label("Server") + ":s1\r\n" +
                         Label("--Account1--") + ":\r\n" +
                         Label("--Line--") + ":\r\n" +
                         Label("User") + ":u\r\n" +
                         Label("--Account2--") + ":\r\n" +
                         Label("--Line--") + ":\r\n" +
                         Label("User") + ":u\r\n" +
                         kTrailer;
  EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_TEXT), expected);
}

TEST_F(CfgTextTest, NothingIsWrittenBeforeTheHeader) {
  ncHandle *tree = MakeTree("cfg", {"cfg.a=1", "cfg.b.c=2"});
  EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_TEXT), kTrailer);
}

TEST_F(CfgTextTest, TheHeaderLineIsPaddedTo62Characters) {
  for (size_t length : {34u, 50u}) {
    SCOPED_TRACE(length);
    std::string value(length, '9');
    ncHandle *tree = MakeTree("VOIP_CONFIG_FILE", {"VOIP_CONFIG_FILE.Version=" + value});
    std::string line = "<<VOIP CONFIG FILE>>Version:" + value;
    if (line.size() < 62) line += std::string(62 - line.size(), ' ');
    EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_TEXT), line + "\r\n" + kTrailer);
    ncDestroy(tree);
  }
}

TEST_F(CfgTextTest, LabelsGroupsAndIdentifiers) {
  ncHandle *tree = MakeTree("VOIP_CONFIG_FILE",
                            {"VOIP_CONFIG_FILE.Digests=d", "VOIP_CONFIG_FILE.Net.A_setting_name_of_30_chars_xx=1",
                             "VOIP_CONFIG_FILE.Net.port=80", "VOIP_CONFIG_FILE.Net.Line.ID=7",
                             "VOIP_CONFIG_FILE.Net.Line.port=5060", "VOIP_CONFIG_FILE.Net.Codec.Codec_List.x=1",
                             "VOIP_CONFIG_FILE.Version=9"});
  std::string text = Output(tree, NC_OUTPUT_CONFIG_TEXT);
  std::string expected = "\r\n<Net>\r\n" + Label("A setting name of 30 chars xx") + ":1\r\n" + Label("port") +
                         ":80\r\n" + Label("--Line--") + ":\r\n" + Label("7 port") + ":5060\r\n" + Label("--Codec--") +
                         ":\r\n" + Label("--Codec List--") + ":\r\n" + Label("x") + ":1\r\n" +
                         "\r\n<Version>\r\n" + kTrailer;
  ASSERT_GT(text.size(), 64u);
  EXPECT_EQ(text.substr(64), expected) << "a later Version is a section of its own";
}

TEST_F(CfgTextTest, EntriesWithoutGroupsGetNoHeading) {
  ncHandle *tree = MakeTree("VOIP_CONFIG_FILE", {"VOIP_CONFIG_FILE.Version=1", "VOIP_CONFIG_FILE.S.Key.Key_Entry.1.a=x",
                                                 "VOIP_CONFIG_FILE.S.Key.Key_Entry.2.a=y"});
  std::string text = Output(tree, NC_OUTPUT_CONFIG_TEXT);
  EXPECT_EQ(text.substr(64), "\r\n<S>\r\n" + Label("--Key--") + ":\r\n" + Label("a") + ":x\r\n" + Label("a") +
                                 ":y\r\n" + kTrailer);
}

TEST_F(CfgTextTest, ATableInsideAnEntryLeavesTheLinesBeforeIt) {
  // The inner table's own heading is not written inside an entry, so its
  // entry 1 has no heading to take the place of.
  ncHandle *tree = MakeTree("VOIP_CONFIG_FILE",
                            {"VOIP_CONFIG_FILE.Version=1", "VOIP_CONFIG_FILE.S.Acc.Acc_Entry.1.G.name=n",
                             "VOIP_CONFIG_FILE.S.Acc.Acc_Entry.1.G.Key.Key_Entry.1.Sub.x=1"});
  std::string text = Output(tree, NC_OUTPUT_CONFIG_TEXT);
  EXPECT_EQ(text.substr(64), "\r\n<S>\r\n" + Label("--Acc1--") + ":\r\n" + Label("--G--") + ":\r\n" + Label("name") +
                                 ":n\r\n" + Label("--Key1--") + ":\r\n" + Label("--Sub--") + ":\r\n" + Label("x") +
                                 ":1\r\n" + kTrailer);
}

TEST_F(CfgTextTest, LongValuesAreWrittenWhole) {
  for (size_t length : {200u, 32800u, 100000u}) {
    SCOPED_TRACE(length);
    std::string value(length, 'v');
    ncHandle *tree = MakeTree("VOIP_CONFIG_FILE", {"VOIP_CONFIG_FILE.Version=" + value, "VOIP_CONFIG_FILE.S.k=" + value});
    std::string text = Output(tree, NC_OUTPUT_CONFIG_TEXT);
    EXPECT_EQ(text, "<<VOIP CONFIG FILE>>Version:" + value + "\r\n\r\n<S>\r\n" + Label("k") + ":" + value + "\r\n" +
                        kTrailer);
    ncDestroy(tree);
  }
}

TEST_F(CfgTextTest, ATreeWithoutNamesFails) {
  ncHandle *tree = MakeTree("VOIP_CONFIG_FILE", {"VOIP_CONFIG_FILE.Version=1", "VOIP_CONFIG_FILE.S.k=1"});
  ncElement *section = ncGetElementByName(tree, "VOIP_CONFIG_FILE.S");
  char *name = section->name;
  section->name = nullptr;
  EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_TEXT), "(failed)");
  EXPECT_TRUE(Logged(HOST_LOG_ERROR, "tarvo.nc.fileoutput", "ncOutputToBuf: create config txt format file error!"));
  section->name = name;
  ncElement *key = ncGetElementByName(tree, "VOIP_CONFIG_FILE.S.k");
  name = key->name;
  key->name = nullptr;
  testsupport::ClearLog();
  EXPECT_EQ(Output(tree, NC_OUTPUT_CONFIG_TEXT), "(failed)");
  key->name = name;
}

}  // namespace
}  // namespace elemtree_test
