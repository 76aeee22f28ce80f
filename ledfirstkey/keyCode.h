// The key code of the first-key check, from /etc/keycheck.txt: after a heading
// line, the key codes of the keypad, comma-separated, across as many lines as
// they take. The code checked is the twelfth of them.
#pragma once

#include <string_view>

namespace ledfirstkey {

inline constexpr char kKeyCodePath[] = "/etc/keycheck.txt";
// Until a file provides one.
inline constexpr int kNoKeyCode = -1;

// The twelfth field after the first line, fields counted on across line ends,
// as a decimal number; kNoKeyCode when there is none.
int ReadKeyCode(std::string_view text);

// The key code of the phone: from its key check file, or kNoKeyCode when
// the file cannot be read or holds none.
int keyCheckLoad();

}  // namespace ledfirstkey
