// The phone's LCD as the simulator shows it: the board's panel model fed with
// what went over the SPI bus, shown after every commit of the framebuffer,
// each distinct screen kept (and saved as a PNG picture at the end), with the
// lines the phone's programs print beside it.
#pragma once

#include "board/panel.h"
#include "board/transcript.h"

#include <chrono>
#include <deque>
#include <string>
#include <vector>

namespace phonesim {

// Where a run leaves files for the host: board-sandbox --output copies them
// to the directory the user named.
inline constexpr char kOutputDir[] = "/run/board/output";

class ScreenView {
 public:
  struct Screen {
    board::Image glass;
    double seconds;  // when it was first committed, from the start
  };

  // live: the picture is redrawn in place with the latest lines below it
  // (where the terminal is wide enough for it); otherwise each new screen
  // and each line is printed once, in order.
  ScreenView(bool live, std::string title);

  // Takes what the panel was sent since the last call; a commit (the
  // display data of the last page) that shows a new picture redraws it.
  void Follow();
  // A line that a program printed, and one of the simulator's own.
  void Note(const std::string &line);
  void Say(const std::string &line);
  // The picture now, drawn once more (live), so that it stays on screen.
  void Finish();

  // The screens in the order they were first shown; the same picture shown
  // again is not a new screen.
  const std::vector<Screen> &Screens() const { return screens_; }
  // Writes screen-01.png, … to dir; the names written, empty on a failure.
  std::vector<std::string> SavePngs(const std::string &dir) const;

 private:
  void Add(const std::string &line);
  void Commit(long long time_us);
  void Draw();
  double SecondsAt(long long time_us) const;

  bool live_;
  std::string title_;
  long long start_us_;
  board::TranscriptReader transcript_;
  board::Panel panel_;
  board::Image shown_;
  bool committed_ = false;
  std::vector<Screen> screens_;
  size_t recent_lines_;
  std::deque<std::string> recent_;  // live: the lines under the picture
};

// The lines of a program's output not taken yet: the whole lines after
// *taken bytes, which moves past them.
std::vector<std::string> NewLines(const std::string &output, size_t *taken);

}  // namespace phonesim
