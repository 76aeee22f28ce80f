#include "goldenScreen.h"

#include "board/sandbox.h"
#include "board/transcript.h"

#include <sys/stat.h>

namespace testsupport {

board::Image GlassNow() {
  board::Panel panel;
  panel.Replay(board::ReadTranscript());
  return panel.Glass();
}

testing::AssertionResult GlassMatchesGolden(const std::string &name) {
  const board::Image glass = GlassNow();
  const std::string seenDir = std::string(board::kStateDir) + "/golden";
  mkdir(seenDir.c_str(), 0755);
  const std::string seen = seenDir + "/" + name + ".png";
  glass.WritePng(seen);
  const std::string kept = std::string(UPGRADEUI_GOLDEN_DIR) + "/" + name + ".png";
  const std::optional<board::Image> golden = board::Image::ReadPng(kept);
  if (!golden) {
    return testing::AssertionFailure() << "no golden picture " << kept << "; the glass shows (written to " << seen
                                       << "):\n"
                                       << glass.Terminal();
  }
  if (*golden == glass) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the glass differs from " << kept << "; it shows (written to " << seen
                                     << "):\n"
                                     << glass.Terminal() << "where the golden picture shows:\n"
                                     << golden->Terminal();
}

}  // namespace testsupport
