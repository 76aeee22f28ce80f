// The terminal the simulator runs in: whether it draws live pictures in
// colour, and keys typed on it, one at a time.
#pragma once

#include <optional>

namespace phonesim {

// Standard output is a terminal that takes cursor moves and colours.
bool LiveTerminal();

// While it lives, keys typed on the terminal (standard input) come one by
// one, without echo and without waiting for Enter. Does nothing when
// standard input is not a terminal.
class KeyboardInput {
 public:
  KeyboardInput();
  ~KeyboardInput();
  KeyboardInput(const KeyboardInput &) = delete;
  KeyboardInput &operator=(const KeyboardInput &) = delete;

  bool Available() const { return raw_; }
  // The next key typed within timeout_ms, if any.
  std::optional<char> Read(int timeout_ms);

 private:
  bool raw_ = false;
  struct Saved;
  Saved *saved_ = nullptr;
};

}  // namespace phonesim
