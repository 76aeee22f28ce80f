// The tree tool run as a program on fixture files: each command's output
// and exit status, round trips through the formats, and the bytes a set
// leaves, also when it is cut short before its rename or at any other step.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Words(const std::string &text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

struct Outcome {
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

class TreetoolTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/treetool-test-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Path(const std::string &name) const { return dir_ + "/" + name; }
  std::string Fixture(const std::string &name) const {
    std::string path = Path(name);
    WriteFile(path, ReadFile(std::string(TREETOOL_FIXTURES) + "/" + name));
    return path;
  }

  // Runs the tool with args; crash: the rename of a set kills it; stopAtCall
  // n > 0: its nth file-changing call does (tests/support/stop_at_call.h).
  Outcome Tool(const std::vector<std::string> &args, bool crash = false, long stopAtCall = 0) const {
    std::vector<std::string> argv = Words(TREETOOL_EMULATOR);
    std::vector<std::string> env;
    for (char **e = environ; *e != nullptr; ++e) env.push_back(*e);
    std::vector<std::string> settings;
    if (crash) settings.push_back(std::string("LD_PRELOAD=") + TREETOOL_SHIM);
    if (stopAtCall > 0) {
      settings.push_back(std::string("LD_PRELOAD=") + TREETOOL_STOP_SHIM);
      settings.push_back("STOP_AT_CALL=" + std::to_string(stopAtCall));
    }
    for (const std::string &setting : settings) {
      if (argv.empty()) {
        env.push_back(setting);
      } else {
        argv.insert(argv.end(), {"-E", setting});
      }
    }
    if (!settings.empty() && argv.empty()) env.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
    argv.push_back(TREETOOL_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> argp;
    for (std::string &a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    std::vector<char *> envp;
    for (std::string &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    std::string out = Path("stdout");
    std::string err = Path("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome run;
    if (posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) == 0) {
      int status = 0;
      waitpid(pid, &status, 0);
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
  }

  std::string dir_;
};

TEST_F(TreetoolTest, GetPrintsAValueOrSaysWhatIsMissing) {
  std::string xml = Fixture("phone.xml");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{"get", xml, "cfg.net.ip"}, 0, "192.168.1.20\n", ""},
      {{"get", xml, "CFG.SIP.USER"}, 0, "alice & bob\n", ""},
      {{"get", xml, "cfg.dns.2.server"}, 0, "1.1.1.1\n", ""},
      {{"get", xml, "cfg.net.gateway"}, 1, "", "treetool: " + xml + ": no element cfg.net.gateway\n"},
      {{"get", xml, "other.x"}, 1, "", "treetool: " + xml + ": no element other.x\n"},
      {{"get", Path("missing.xml"), "cfg.x"}, 2, "",
       "treetool: " + Path("missing.xml") + ": cannot open: No such file or directory\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[2]);
    Outcome run = Tool(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
  }
}

TEST_F(TreetoolTest, ShowPrintsDotTextLines) {
  Outcome run = Tool({"show", Fixture("phone.xml")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "cfg.net.ip = 192.168.1.20?mode=static\n"
            "cfg.net.mask = 255.255.255.0\n"
            "cfg.dns.1.server = 8.8.8.8\n"
            "cfg.dns.2.server = 1.1.1.1\n"
            "cfg.sip.user = alice & bob\n"
            "cfg.sip.port = 5060\n");
}

TEST_F(TreetoolTest, ConvertingToXmlAndBackGivesTheSameLines) {
  for (const char *fixture : {"phone.xml", "phone.txt"}) {
    SCOPED_TRACE(fixture);
    std::string original = Fixture(fixture);
    Outcome dot = Tool({"convert", original, "--to", "dot"});
    ASSERT_EQ(dot.status, 0) << dot.err;
    Outcome xml = Tool({"convert", original, "--to", "xml"});
    ASSERT_EQ(xml.status, 0) << xml.err;
    EXPECT_EQ(xml.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cfg>\r\n", 0), 0u) << xml.out;
    WriteFile(Path("converted"), xml.out);
    Outcome back = Tool({"convert", Path("converted"), "--to", "dot"});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, dot.out);
  }
  Outcome cfg = Tool({"convert", Fixture("phone.txt"), "--to", "cfg"});
  EXPECT_EQ(cfg.status, 0);
  EXPECT_EQ(cfg.out, "<<END OF FILE>>\r\n") << "a tree without the configuration banner has no lines";
}

TEST_F(TreetoolTest, SetRewritesTheFileInItsOwnFormat) {
  std::string dot = Fixture("phone.txt");
  chmod(dot.c_str(), 0600);
  Outcome run = Tool({"set", dot, "cfg.sip.port", "5080"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFile(dot),
            "cfg.net.ip = 192.168.1.20?mode=static\r\ncfg.net.mask = 255.255.255.0\r\ncfg.sip.user = alice\r\n"
            "cfg.sip.port = 5080\r\n");
  struct stat info{};
  stat(dot.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file keeps its permissions";

  std::string xml = Fixture("phone.xml");
  run = Tool({"set", xml, "cfg.sip.codec.first", "G722 <wide>"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(xml),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<cfg>\r\n"
            "    <net>\r\n"
            "        <ip mode=\"static\">192.168.1.20</ip>\r\n"
            "        <mask>255.255.255.0</mask>\r\n"
            "    </net>\r\n"
            "    <dns index=\"1\">\r\n"
            "        <server>8.8.8.8</server>\r\n"
            "    </dns>\r\n"
            "    <dns index=\"2\">\r\n"
            "        <server>1.1.1.1</server>\r\n"
            "    </dns>\r\n"
            "    <sip>\r\n"
            "        <user>alice &amp; bob</user>\r\n"
            "        <port>5060</port>\r\n"
            "        <codec>\r\n"
            "            <first>G722 &lt;wide&gt;</first>\r\n"
            "        </codec>\r\n"
            "    </sip>\r\n"
            "</cfg>\r\n");
  EXPECT_EQ(Tool({"get", xml, "cfg.sip.codec.first"}).out, "G722 <wide>\n");
}

TEST_F(TreetoolTest, ASetRefusesWhatItCannotWriteAndLeavesTheFile) {
  std::string dot = Fixture("phone.txt");
  std::string before = ReadFile(dot);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"set", dot, "other.port", "1"}, 1, "treetool: other.port is outside the tree of " + dot + ", whose root is cfg\n"},
      {{"set", dot, "cfg.sip.", "1"}, 1, "treetool: no element can be named cfg.sip.\n"},
      {{"set", dot, "cfg.sip.port", "1?x"}, 1, "treetool: dot text cannot hold '?' or a line break in a value\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args[2]);
    Outcome run = Tool(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(ReadFile(dot), before);
  }
  // A line the reader cannot apply would be lost by writing the file back.
  WriteFile(dot, before + "garbage line\r\n");
  Outcome run = Tool({"set", dot, "cfg.sip.port", "1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "treetool: " + dot + ": lines the reader could not apply: ncParseDot: parse[garbage line] failed!\n");
}

TEST_F(TreetoolTest, ASetCutShortBeforeItsRenameLeavesTheOldFile) {
  std::string xml = Fixture("phone.xml");
  std::string before = ReadFile(xml);
  Outcome run = Tool({"set", xml, "cfg.sip.port", "5080"}, true);
  EXPECT_EQ(run.status, 128 + SIGKILL) << run.err;
  EXPECT_EQ(ReadFile(xml), before);
  EXPECT_EQ(Tool({"check", xml}).status, 0);
}

// A set stopped at each of its file-changing calls in turn, until one runs
// to its end: the file holds its old or its new bytes every time.
TEST_F(TreetoolTest, ASetStoppedAtAnyCallLeavesTheOldOrTheNewFile) {
  for (const char *fixture : {"phone.xml", "phone.txt"}) {
    SCOPED_TRACE(fixture);
    const std::string path = Fixture(fixture);
    const std::string before = ReadFile(path);
    ASSERT_EQ(Tool({"set", path, "cfg.sip.port", "5080"}).status, 0);
    const std::string after = ReadFile(path);
    ASSERT_NE(after, before);
    long stopAt = 1;
    for (;; ++stopAt) {
      SCOPED_TRACE(testing::Message() << "stopped at call " << stopAt);
      WriteFile(path, before);
      const Outcome run = Tool({"set", path, "cfg.sip.port", "5080"}, false, stopAt);
      const std::string now = ReadFile(path);
      EXPECT_TRUE(now == before || now == after) << now;
      if (run.status == 0) {
        EXPECT_EQ(now, after);
        break;
      }
      EXPECT_EQ(run.status, 128 + SIGKILL) << run.err;
      ASSERT_LT(stopAt, 100) << "the set never ran to its end";
    }
    EXPECT_GT(stopAt, 5) << "the stops reached the writing";
    std::printf("set of %s: stopped at %ld points, then ran to its end\n", fixture, stopAt - 1);
  }
}

TEST_F(TreetoolTest, CheckTellsWhetherAFileReads) {
  std::string good = Fixture("phone.xml");
  EXPECT_EQ(Tool({"check", good}).status, 0);
  EXPECT_EQ(Tool({"check", Fixture("phone.txt")}).status, 0);
  WriteFile(Path("torn.xml"), "<cfg><net><ip>1</ip>");
  Outcome run = Tool({"check", Path("torn.xml")});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "treetool: " + Path("torn.xml") +
                         ": not a readable XML file: ncParse: parse failed with deepth=[2]; ncParse: parse xml error "
                         "totalRead[20] or parserResult[0].\n");
  // --format names the format: this XML read as dot text has lines that name
  // no element.
  run = Tool({"--format", "dot", "check", good});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("lines the reader could not apply"), std::string::npos) << run.err;
}

TEST_F(TreetoolTest, UsageMistakesAreRejected) {
  Outcome help = Tool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: treetool [--format xml|dot] COMMAND FILE [ARGS]\n", 0), 0u);
  struct Case {
    std::vector<std::string> args;
    std::string problem;
  } cases[] = {
      {{}, "no command"},
      {{"frobnicate", "f"}, "unknown command 'frobnicate'"},
      {{"get", "f"}, "get takes 2 argument(s)"},
      {{"convert", "f", "--to"}, "--to needs a value"},
      {{"--format", "json", "show", "f"}, "unknown format 'json' (xml or dot)"},
      {{"show", "f", "--to", "xml"}, "--to belongs to convert"},
      {{"show", "-x", "f"}, "unknown option '-x'"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.problem);
    Outcome run = Tool(c.args);
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "treetool: " + c.problem);
  }
  Outcome noTarget = Tool({"convert", Fixture("phone.txt")});
  EXPECT_EQ(noTarget.status, 64);
}

}  // namespace
