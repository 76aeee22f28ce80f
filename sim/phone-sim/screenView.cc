#include "screenView.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace phonesim {
namespace {

// The lines shown under the live picture: as many as the terminal has room
// for below it (title and framed picture: 35 lines), a few at least.
constexpr size_t kFewestRecentLines = 4;
constexpr size_t kPictureLines = 35;
constexpr int kLastPage = 7;

// The framed picture's width in columns.
constexpr size_t kPictureColumns = board::Image::kWidth + 2;

winsize TerminalSize() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) size = {};
  return size;
}

// A terminal too narrow for the picture would wrap its lines, and a picture
// redrawn in place would run into itself: each screen is printed once then.
bool PictureFits() {
  const winsize size = TerminalSize();
  return size.ws_col == 0 || size.ws_col >= kPictureColumns;
}

size_t RecentLines() {
  const winsize size = TerminalSize();
  if (size.ws_row <= kPictureLines + kFewestRecentLines) return kFewestRecentLines;
  return size.ws_row - kPictureLines - 1;
}

long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ScreenView::ScreenView(bool live, std::string title)
    : live_(live && PictureFits()),
      title_(std::move(title)),
      start_us_(NowUs()),
      recent_lines_(live_ ? RecentLines() : 0) {
  if (live_) {
    std::fputs("\033[2J", stdout);
    Draw();
  } else {
    std::printf("%s\n", title_.c_str());
  }
}

double ScreenView::SecondsAt(long long time_us) const { return static_cast<double>(time_us - start_us_) / 1e6; }

void ScreenView::Follow() {
  // The transcript's times are the board's monotonic clock, as NowUs.
  for (const board::DeviceRecord &record : transcript_.ReadNew()) {
    if (record.device != "spi" || record.event != "transfer" || record.Number("result") < 0) continue;
    const bool data = record.Number("gpio22") == 1;
    panel_.Feed(data, record.Bytes("tx"));
    if (data && panel_.registers().page == kLastPage) Commit(record.time_us);
  }
}

void ScreenView::Commit(long long time_us) {
  const board::Image glass = panel_.Glass();
  if (committed_ && glass == shown_) return;
  shown_ = glass;
  committed_ = true;
  const bool seen = std::any_of(screens_.begin(), screens_.end(), [&](const Screen &s) { return s.glass == glass; });
  if (!seen) screens_.push_back({glass, SecondsAt(time_us)});
  if (live_) {
    Draw();
  } else if (!seen) {
    std::printf("%7.2f s  screen %zu:\n%s", SecondsAt(time_us), screens_.size(), glass.Terminal().c_str());
    std::fflush(stdout);
  }
}

void ScreenView::Note(const std::string &line) { Add("  | " + line); }

void ScreenView::Say(const std::string &line) { Add(line); }

void ScreenView::Add(const std::string &line) {
  if (!live_) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return;
  }
  recent_.push_back(line);
  if (recent_.size() > recent_lines_) recent_.pop_front();
  Draw();
}

void ScreenView::Draw() {
  std::string text = "\033[H" + title_ + "\033[K\n" + shown_.Terminal();
  for (const std::string &line : recent_) text += line + "\033[K\n";
  text += "\033[J";
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

void ScreenView::Finish() {
  Follow();
  if (live_) Draw();
}

std::vector<std::string> ScreenView::SavePngs(const std::string &dir) const {
  std::vector<std::string> names;
  for (size_t i = 0; i < screens_.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "screen-%02zu.png", i + 1);
    if (!screens_[i].glass.WritePng(dir + "/" + name)) return {};
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> NewLines(const std::string &output, size_t *taken) {
  std::vector<std::string> lines;
  for (size_t end; (end = output.find('\n', *taken)) != std::string::npos; *taken = end + 1) {
    lines.push_back(output.substr(*taken, end - *taken));
  }
  return lines;
}

}  // namespace phonesim
