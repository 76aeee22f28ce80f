// board-panel: shows what the board's LCD panel shows, from a device transcript:
// in the terminal, as a PNG picture, and live while a program runs.
#include "board/panel.h"
#include "board/transcript.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Usage(FILE *out) {
  std::fprintf(out,
               "Usage: board-panel [--png FILE] [--scale N] [--log] [--follow] [TRANSCRIPT]\n"
               "\n"
               "Replays the SPI transfers of a board's device transcript through the panel\n"
               "model and prints what the glass shows (default transcript:\n"
               "/run/board/devices.log; outside the board, the state/devices.log of a\n"
               "sandbox started with --keep).\n"
               "\n"
               "  --png FILE   also write the picture as a PNG file\n"
               "  --scale N    pixels per panel pixel in the PNG (default 4)\n"
               "  --log        print what the controller did, one line per command\n"
               "  --follow     keep showing the panel as the transcript grows (Ctrl-C ends)\n");
}

board::Panel Replay(const std::string &path) {
  board::Panel panel;
  panel.Replay(board::ReadTranscript(path));
  return panel;
}

}  // namespace

int main(int argc, char **argv) {
  std::string transcript = "/run/board/devices.log";
  std::string png;
  int scale = 4;
  bool follow = false;
  bool log = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--png" && i + 1 < argc) {
      png = argv[++i];
    } else if (arg == "--scale" && i + 1 < argc) {
      scale = std::atoi(argv[++i]);
    } else if (arg == "--follow") {
      follow = true;
    } else if (arg == "--log") {
      log = true;
    } else if (arg == "-h" || arg == "--help") {
      Usage(stdout);
      return 0;
    } else if (!arg.empty() && arg[0] != '-') {
      transcript = arg;
    } else {
      Usage(stderr);
      return 2;
    }
  }

  if (!follow) {
    const board::Panel panel = Replay(transcript);
    if (log) {
      for (const std::string &line : panel.Log()) std::printf("%s\n", line.c_str());
    }
    std::fputs(panel.Glass().Terminal().c_str(), stdout);
    if (!png.empty() && !panel.Glass().WritePng(png, scale)) {
      std::fprintf(stderr, "board-panel: cannot write %s\n", png.c_str());
      return 1;
    }
    return 0;
  }

  // Live: redraw in place whenever the picture changes.
  std::fputs("\033[2J", stdout);
  board::Image shown;
  bool first = true;
  for (;;) {
    const board::Image glass = Replay(transcript).Glass();
    if (first || !(glass == shown)) {
      std::printf("\033[H%s", glass.Terminal().c_str());
      std::fflush(stdout);
      if (!png.empty()) glass.WritePng(png, scale);
      shown = glass;
      first = false;
    }
    usleep(100000);
  }
}
