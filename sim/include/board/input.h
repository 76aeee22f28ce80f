// Test side of the board's input event devices (/dev/input/eventN, the
// keypad): the records a program will read, queued by the test. See
// sim/README.md ("Input event devices").
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace board {

// One input event record as the phone's 32-bit kernel delivers it: 16 bytes.
struct InputEvent {
  int32_t seconds = 0;
  int32_t microseconds = 0;
  uint16_t type = 0;
  uint16_t code = 0;
  int32_t value = 0;
  bool operator==(const InputEvent &) const = default;
};
static_assert(sizeof(InputEvent) == 16);

// Event types and values of the records a keypad sends.
inline constexpr uint16_t kEventSync = 0;  // EV_SYN
inline constexpr uint16_t kEventKey = 1;   // EV_KEY
inline constexpr int32_t kKeyReleased = 0, kKeyPressed = 1, kKeyRepeated = 2;

// A key record (EV_KEY), stamped with the time now.
InputEvent KeyEvent(uint16_t code, int32_t value);

// Queues records behind those not yet read on the node ("event0"): a reader
// blocked on it wakes up, any process of the board may take them. False when
// the queue cannot be written.
bool FeedInputEvents(std::string_view node, const std::vector<InputEvent> &events);
// A key press and its release.
bool PressKey(std::string_view node, uint16_t code);

// The records still queued on the node, and dropping them.
std::vector<InputEvent> PendingInputEvents(std::string_view node);
void ClearInputEvents(std::string_view node);

}  // namespace board
