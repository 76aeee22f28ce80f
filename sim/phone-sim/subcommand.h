// A subcommand of phone-sim: what it shows, its options and its run on the
// board. Each subcommand is one file that defines its Subcommand record; the
// list in phoneSim.cc names them. A new subcommand needs only those two.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace phonesim {

struct Option {
  const char *name;        // "--key"
  const char *value_name;  // "KEY", or null for a flag
  const char *help;
};

// The options given to a subcommand, as its table allows them.
class Options {
 public:
  // Reads "--name value", "--name=value" and flags; false with a message in
  // *error for anything the table does not know.
  bool Parse(std::span<const Option> table, const std::vector<std::string> &arguments, std::string *error);

  bool Has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
  std::optional<std::string> Value(std::string_view name) const;
  // The value as a number within [low, high], or fallback when the option is
  // not given; nullopt when it is given but is no such number.
  std::optional<long> Number(std::string_view name, long fallback, long low, long high) const;

 private:
  std::map<std::string, std::string> values_;
};

struct Subcommand {
  const char *name;
  const char *summary;      // one line, for the list of subcommands
  const char *description;  // what it does, for its --help
  std::span<const Option> options;
  // Files laid out on the board after the phone's own: a directory of
  // sim/fixtures, or null.
  const char *fixture;
  // An option of the table that names a host directory for the files the
  // run leaves in kOutputDir (screenView.h): the screens' PNG pictures.
  // Without the option given, a directory of the build tree named after the
  // subcommand takes them; the run on the board always finds the option set.
  // Null: the subcommand leaves no files.
  const char *output_option;
  // Checks the options before a board is made: what is wrong with them, or
  // an empty text.
  std::string (*check)(const Options &options);
  // Runs on the board, with options that passed the check; the exit status.
  int (*run)(const Options &options);
};

extern const Subcommand kUpgradeSubcommand;
extern const Subcommand kUsbSubcommand;
extern const Subcommand kKeypadSubcommand;
extern const Subcommand kReportSubcommand;
extern const Subcommand kLedsSubcommand;
extern const Subcommand kWebSubcommand;

}  // namespace phonesim
