// treetool: reads, changes and converts the phone's configuration files
// (XML or dot text) through the element tree library.
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/log.h"
#include "ncTree.h"
#include "treeFile.h"

namespace {

constexpr char kProgram[] = "treetool";

// Exit statuses.
constexpr int kOk = 0;
constexpr int kNoSuchName = 1;  // get: no such element; set: a name outside the tree
constexpr int kBadFile = 2;     // unreadable or malformed file, or a failed write
constexpr int kUsage = 64;

constexpr char kUsageText[] =
    "usage: treetool [--format xml|dot] COMMAND FILE [ARGS]\n"
    "\n"
    "Reads, changes and converts a configuration file of XML or dot text\n"
    "(one \"name = value\" line per setting). The format is recognised from the\n"
    "content: a file whose first non-blank character is '<' is XML, any other\n"
    "dot text; --format names it instead.\n"
    "\n"
    "commands:\n"
    "  get FILE DOTNAME          print the value of the element DOTNAME\n"
    "  set FILE DOTNAME VALUE    set the value (making the elements along the name)\n"
    "                            and write the file back in its own format, safely:\n"
    "                            a new file beside it, flushed, renamed over it\n"
    "  show FILE                 print the tree as dot text lines\n"
    "  convert FILE --to xml|dot|cfg\n"
    "                            write the tree to standard output as XML, dot text\n"
    "                            or configuration text\n"
    "  check FILE                exit 0 when the file reads cleanly, else 2\n"
    "\n"
    "exit status: 0 done; 1 no such element, or a name outside the tree;\n"
    "2 the file cannot be read, is malformed, or cannot be written; 64 usage.\n";

int Usage(const std::string &problem) {
  std::fprintf(stderr, "%s: %s\n%s", kProgram, problem.c_str(), kUsageText);
  return kUsage;
}

int Failure(int status, const std::string &message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  return status;
}

// The command line: the options wherever they stand, the words in order.
struct CommandLine {
  treetool::Format format = treetool::Format::kAuto;
  std::string to;
  std::vector<std::string> words;
  bool help = false;
  std::string problem;
};

CommandLine Parse(int argc, char **argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--format" || arg == "--to") {
      if (i + 1 >= argc) {
        line.problem = arg + " needs a value";
        break;
      }
      std::string value = argv[++i];
      if (arg == "--to") {
        line.to = value;
      } else if ((line.format = treetool::FormatNamed(value)) == treetool::Format::kAuto) {
        line.problem = "unknown format '" + value + "' (xml or dot)";
      }
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      line.problem = "unknown option '" + arg + "'";
    } else if (arg != "--") {
      line.words.push_back(arg);
    }
  }
  return line;
}

void PrintText(const std::string &text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// Dot text as lines for a person: "\n" line ends.
void PrintLines(const std::string &text) {
  std::string lines;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
    lines += text[at];
  }
  PrintText(lines);
}

int Get(treetool::TreeFile &file, const std::string &path, const std::string &name) {
  ncElement *element = ncGetElementByName(file.tree(), name.c_str());
  if (element == nullptr) return Failure(kNoSuchName, path + ": no element " + name);
  const char *value = ncGetElementValue(element);
  std::printf("%s\n", value != nullptr ? value : "");
  return kOk;
}

int Set(treetool::TreeFile &file, const std::string &path, const std::string &name, const std::string &value) {
  if (file.format() == treetool::Format::kDot && value.find_first_of("?\r\n") != std::string::npos)
    return Failure(kNoSuchName, "dot text cannot hold '?' or a line break in a value");
  ncHandle *tree = file.tree();
  if (tree->root != nullptr && ncSearchElement(tree->root, name.c_str()) == nullptr) {
    std::string root = ncGetElementName(tree->root);
    std::string first = name.substr(0, name.find('.'));
    if (strcasecmp(first.c_str(), root.c_str()) != 0)
      return Failure(kNoSuchName, name + " is outside the tree of " + path + ", whose root is " + root);
  }
  ncElement *element = ncAddElementByName(tree, name.c_str());
  if (element == nullptr) return Failure(kNoSuchName, "no element can be named " + name);
  if (ncSetElementValue(element, value.c_str()) != 0) return Failure(kBadFile, "out of memory");
  if (!file.Save(path, file.format())) return Failure(kBadFile, file.error());
  return kOk;
}

int Convert(treetool::TreeFile &file, const std::string &to) {
  int format = to == "xml" ? NC_OUTPUT_XML : to == "dot" ? NC_OUTPUT_DOT : to == "cfg" ? NC_OUTPUT_CONFIG_TEXT : -1;
  if (format < 0) return Usage("convert needs --to xml, dot or cfg");
  std::string text;
  if (!file.Text(format, text)) return Failure(kBadFile, file.error());
  PrintText(text);
  return kOk;
}

// The number of words each command takes after its name.
int WordsOf(const std::string &command) {
  if (command == "get") return 2;
  if (command == "set") return 3;
  if (command == "show" || command == "convert" || command == "check") return 1;
  return -1;
}

}  // namespace

int main(int argc, char **argv) {
  CommandLine line = Parse(argc, argv);
  if (line.help) {
    PrintText(kUsageText);
    return kOk;
  }
  if (!line.problem.empty()) return Usage(line.problem);
  if (line.words.empty()) return Usage("no command");
  const std::string &command = line.words[0];
  int words = WordsOf(command);
  if (words < 0) return Usage("unknown command '" + command + "'");
  if (static_cast<int>(line.words.size()) != words + 1) return Usage(command + " takes " + std::to_string(words) + " argument(s)");
  if (!line.to.empty() && command != "convert") return Usage("--to belongs to convert");

  hostLogSetThreshold(-1);  // the library's messages are collected, not printed
  ncInit();
  int status;
  {
    const std::string &path = line.words[1];
    treetool::TreeFile file;
    bool strict = command == "check" || command == "set";
    if (!file.Load(path, line.format, strict)) {
      status = Failure(kBadFile, file.error());
    } else if (command == "get") {
      status = Get(file, path, line.words[2]);
    } else if (command == "set") {
      status = Set(file, path, line.words[2], line.words[3]);
    } else if (command == "show") {
      std::string text;
      status = file.Text(NC_OUTPUT_DOT, text) ? (PrintLines(text), kOk) : Failure(kBadFile, file.error());
    } else if (command == "convert") {
      status = Convert(file, line.to);
    } else {
      status = kOk;  // check: it read
    }
  }
  ncUninit();
  if (std::fflush(stdout) != 0) return Failure(kBadFile, "cannot write to standard output");
  return status;
}
