#include "terminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace phonesim {

bool LiveTerminal() {
  const char *term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) == 1 && term != nullptr && std::strcmp(term, "dumb") != 0;
}

struct KeyboardInput::Saved {
  termios settings;
};

KeyboardInput::KeyboardInput() {
  termios settings{};
  if (isatty(STDIN_FILENO) != 1 || tcgetattr(STDIN_FILENO, &settings) != 0) return;
  saved_ = new Saved{settings};
  settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  raw_ = tcsetattr(STDIN_FILENO, TCSANOW, &settings) == 0;
}

KeyboardInput::~KeyboardInput() {
  if (saved_ != nullptr) tcsetattr(STDIN_FILENO, TCSANOW, &saved_->settings);
  delete saved_;
}

std::optional<char> KeyboardInput::Read(int timeout_ms) {
  if (!raw_) return std::nullopt;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  char key = 0;
  if (poll(&input, 1, timeout_ms) != 1 || read(STDIN_FILENO, &key, 1) != 1) return std::nullopt;
  return key;
}

}  // namespace phonesim
