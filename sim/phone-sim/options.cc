#include "subcommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace phonesim {

bool Options::Parse(std::span<const Option> table, const std::vector<std::string> &arguments, std::string *error) {
  values_.clear();
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string &argument = arguments[i];
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const auto option =
        std::find_if(table.begin(), table.end(), [&](const Option &known) { return name == known.name; });
    if (option == table.end()) {
      *error = "unknown option " + argument;
      return false;
    }
    if (option->value_name == nullptr) {
      if (equals != std::string::npos) {
        *error = name + " takes no value";
        return false;
      }
      values_[name] = "";
    } else if (equals != std::string::npos) {
      values_[name] = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      values_[name] = arguments[++i];
    } else {
      *error = name + " needs a value (" + option->value_name + ")";
      return false;
    }
  }
  return true;
}

std::optional<std::string> Options::Value(std::string_view name) const {
  const auto value = values_.find(std::string(name));
  if (value == values_.end()) return std::nullopt;
  return value->second;
}

std::optional<long> Options::Number(std::string_view name, long fallback, long low, long high) const {
  const std::optional<std::string> text = Value(name);
  if (!text) return fallback;
  char *end = nullptr;
  errno = 0;
  const long number = std::strtol(text->c_str(), &end, 10);
  if (text->empty() || *end != '\0' || errno != 0 || number < low || number > high) return std::nullopt;
  return number;
}

}  // namespace phonesim
