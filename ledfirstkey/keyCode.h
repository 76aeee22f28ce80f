// The key code of the first-key check, from /etc/keycheck.txt: after a heading
// line, the key codes of the keypad, comma-separated, across as many lines as
// they take. The code checked is the twelfth of them.
#pragma once

#include <string_view>
#include <vector>

namespace ledfirstkey {

inline constexpr char kKeyCodePath[] = "/etc/keycheck.txt";
// Until a file provides one.
inline constexpr int kNoKeyCode = -1;

// Every field after the first line, counted on across line ends, as a
// decimal number: the codes of the keypad's keys 1-9, 0, * and #, in order.
std::vector<int> KeyCodeFields(std::string_view text);

// The twelfth of them, the code of the # key; kNoKeyCode when there is none.
int ReadKeyCode(std::string_view text);

// The key code of the phone: from its key check file, or kNoKeyCode when
// the file cannot be read or holds none.
int keyCheckLoad();

}  // namespace ledfirstkey
