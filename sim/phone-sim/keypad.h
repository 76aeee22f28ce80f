// The phone's keypad as the simulator types on it: its twelve keys and the
// codes that the board's /etc/keycheck.txt gives them (the file the keypad
// watcher and the LED self-test read).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace phonesim {

// The keys, in the order of the key check file's codes.
inline constexpr std::string_view kKeypadKeys = "1234567890*#";

// A key as the simulator's options name it: a keypad character or a
// decimal code of 0 to 65535.
bool IsKey(std::string_view key);

// The code of such a key, a keypad character looked up in the board's key
// check file; nullopt for anything else, or a character the file gives no
// code.
std::optional<uint16_t> KeyCode(std::string_view key);

// The keypad character of a code, or 0 when no key has it.
char KeyOfCode(int code);

}  // namespace phonesim
