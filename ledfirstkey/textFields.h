// The text rules shared by the program's two files, /etc/led.conf and
// /etc/keycheck.txt: lines of at most kMaxLineLength characters, fields
// separated by commas, decimal numbers.
#pragma once

#include "decimalNumber.h"

#include <string>
#include <string_view>

namespace ledfirstkey {

// A longer line is read in pieces of this length, each taken as a line of its
// own, the way the phone's files have always been read.
inline constexpr size_t kMaxLineLength = 126;

// Reads a whole file into text; false when it cannot be opened.
bool ReadTextFile(const char *path, std::string *text);

// Takes the next line off the text: up to and including its line end, at most
// kMaxLineLength characters, and cut at a zero byte. False at the end.
bool NextLine(std::string_view *text, std::string_view *line);

// Takes the next field off a line: a run of characters other than commas.
// Commas only separate: leading commas and commas side by side yield no
// empty fields, so a line of commas only has no field at all. The last field
// keeps the line end (a blank line's one field is its line end). False when
// the line has no more fields.
class Fields {
 public:
  explicit Fields(std::string_view line) : rest_(line) {}
  bool Next(std::string_view *field);

 private:
  std::string_view rest_;
};

// Numbers are read as libupgradeui reads the same files.
using upgradeui::DecimalNumber;

}  // namespace ledfirstkey
