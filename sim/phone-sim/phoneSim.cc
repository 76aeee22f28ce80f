// phone-sim: runs the phone's firmware components on this PC as the phone
// would, on an emulated phone board (sim/board-sandbox), and shows what they
// do. Each subcommand plays the phone's outside processes around one part of
// the system.
//
// The program runs twice: on the host it checks the command line and starts
// the board sandbox with the phone's files, the subcommand's fixture and the
// device layer preloaded; on the board (with the internal first argument
// --on-board) it runs the subcommand.
#include "board/program.h"
#include "board/sandbox.h"
#include "subcommand.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {
namespace {

// Every subcommand, in the order of the list.
constexpr const Subcommand *kSubcommands[] = {&kUpgradeSubcommand, &kUsbSubcommand,  &kKeypadSubcommand,
                                               &kReportSubcommand,  &kLedsSubcommand, &kWebSubcommand};
// What a bare "phone-sim" runs.
constexpr std::string_view kDefaultSubcommand = "upgrade";
constexpr std::string_view kOnBoard = "--on-board";

const Subcommand *Find(std::string_view name) {
  for (const Subcommand *subcommand : kSubcommands) {
    if (name == subcommand->name) return subcommand;
  }
  return nullptr;
}

void PrintUsage(std::FILE *out) {
  std::fprintf(out,
               "Usage: phone-sim [SUBCOMMAND] [OPTIONS]\n"
               "       phone-sim SUBCOMMAND --help\n"
               "\n"
               "Runs the phone's firmware components, unmodified, on this PC: on an\n"
               "emulated phone board (its GPIO controller, SPI bus with the LCD panel and\n"
               "keypad emulated, its files laid out) in private namespaces, so that the\n"
               "host's own files stay untouched. Without a subcommand: %s.\n"
               "\n"
               "Subcommands:\n",
               std::string(kDefaultSubcommand).c_str());
  for (const Subcommand *subcommand : kSubcommands) {
    std::fprintf(out, "  %-8s %s\n", subcommand->name, subcommand->summary);
  }
}

// One option of a help text: its name in a column, its help wrapped beside.
void PrintOption(std::FILE *out, const std::string &name, std::string_view help) {
  constexpr size_t kIndent = 19, kWidth = 79;
  std::string line = "  " + name;
  line.resize(std::max(line.size() + 1, kIndent), ' ');
  while (!help.empty()) {
    const size_t room = kWidth - line.size();
    size_t cut = help.size() <= room ? help.size() : help.rfind(' ', room);
    if (cut == std::string_view::npos || cut == 0) cut = std::min(help.size(), room);
    std::fprintf(out, "%s%.*s\n", line.c_str(), static_cast<int>(cut), help.data());
    help.remove_prefix(cut);
    while (!help.empty() && help.front() == ' ') help.remove_prefix(1);
    line.assign(kIndent, ' ');
  }
}

void PrintHelp(const Subcommand &subcommand, std::FILE *out) {
  std::fprintf(out, "Usage: phone-sim %s [OPTIONS]\n\n%s\nOptions:\n", subcommand.name, subcommand.description);
  for (const Option &option : subcommand.options) {
    std::string name = option.name;
    if (option.value_name != nullptr) name += std::string(" ") + option.value_name;
    PrintOption(out, name, option.help);
  }
  PrintOption(out, "-h, --help", "show this text");
}

std::string SelfPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

// The pictures of an earlier run in the build tree's directory, which this
// run replaces: another run may have shown more screens.
void RemoveEarlierScreens(const std::string &dir) {
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename();
    if (name.starts_with("screen-") && name.ends_with(".png") && entry.is_regular_file(error)) {
      std::filesystem::remove(entry.path(), error);
    }
  }
}

// Host side: this program again, on a board made for the subcommand. Returns
// only when the sandbox cannot be started.
int StartOnBoard(const Subcommand &subcommand, std::vector<std::string> arguments, const Options &options) {
  const std::string sim = std::string(PHONE_SIM_SOURCE_DIR) + "/sim";
  // The phone's files, the board's font made by the build, the subcommand's.
  std::vector<std::string> command = {sim + "/board-sandbox", "--fixture", sim + "/fixtures/phone", "--fixture",
                                      PHONE_SIM_FONT_FIXTURE};
  if (subcommand.fixture != nullptr) {
    command.insert(command.end(), {"--fixture", sim + "/fixtures/" + subcommand.fixture});
  }
  if (subcommand.output_option != nullptr) {
    std::optional<std::string> dir = options.Value(subcommand.output_option);
    if (!dir) {
      dir = std::string(PHONE_SIM_SCREENS_DIR) + "/" + subcommand.name;
      RemoveEarlierScreens(*dir);
      arguments.insert(arguments.end(), {subcommand.output_option, *dir});
    }
    command.insert(command.end(), {"--output", *dir});
  }
  const std::vector<std::string> emulator = board::Emulator();
  if (emulator.empty()) {
    // A sanitized build's runtime goes before the device layer.
    if (std::string_view(PHONE_SIM_PRELOAD_RUNTIME) != "") {
      command.insert(command.end(), {"--preload", PHONE_SIM_PRELOAD_RUNTIME});
    }
    command.insert(command.end(), {"--preload", PHONE_SIM_PRELOAD, "--"});
  } else {
    command.push_back("--");
    command.insert(command.end(), emulator.begin(), emulator.end());
    command.insert(command.end(), {"-E", std::string("LD_PRELOAD=") + PHONE_SIM_PRELOAD});
  }
  command.insert(command.end(), {SelfPath(), std::string(kOnBoard), subcommand.name});
  command.insert(command.end(), arguments.begin(), arguments.end());

  std::vector<char *> argv;
  for (std::string &word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  execv(argv[0], argv.data());
  std::perror(("phone-sim: cannot start " + command[0]).c_str());
  return 125;  // the sandbox's own failure status
}

}  // namespace
}  // namespace phonesim

int main(int argc, char **argv) {
  using namespace phonesim;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool on_board = !arguments.empty() && arguments[0] == kOnBoard;
  if (on_board) arguments.erase(arguments.begin());

  if (!on_board && !arguments.empty() && (arguments[0] == "-h" || arguments[0] == "--help")) {
    PrintUsage(stdout);
    return 0;
  }
  std::string name(kDefaultSubcommand);
  if (!arguments.empty() && !arguments[0].starts_with("-")) {
    name = arguments[0];
    arguments.erase(arguments.begin());
  }
  const Subcommand *subcommand = Find(name);
  if (subcommand == nullptr) {
    std::fprintf(stderr, "phone-sim: no subcommand %s\n\n", name.c_str());
    PrintUsage(stderr);
    return 2;
  }
  for (const std::string &argument : arguments) {
    if (argument == "-h" || argument == "--help") {
      PrintHelp(*subcommand, stdout);
      return 0;
    }
  }
  Options options;
  std::string error;
  if (!options.Parse(subcommand->options, arguments, &error) || !(error = subcommand->check(options)).empty()) {
    std::fprintf(stderr, "phone-sim %s: %s (see phone-sim %s --help)\n", subcommand->name, error.c_str(),
                 subcommand->name);
    return 2;
  }

  if (!on_board) return StartOnBoard(*subcommand, arguments, options);
  if (!board::InSandbox()) {
    std::fprintf(stderr, "phone-sim: %s is run on the board by phone-sim itself\n", std::string(kOnBoard).c_str());
    return 2;
  }
  return subcommand->run(options);
}
