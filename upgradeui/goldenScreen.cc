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

std::vector<Screen> CommittedScreens() {
  board::Panel panel;
  std::vector<Screen> screens;
  for (const board::DeviceRecord &record : board::ReadTranscript()) {
    if (record.device != "spi" || record.event != "transfer" || record.Number("result") < 0) continue;
    const bool data = record.Number("gpio22") == 1;
    panel.Feed(data, record.Bytes("tx"));
    if (data && panel.registers().page == 7) screens.push_back({panel.Glass(), record.time_us});
  }
  return screens;
}

namespace {
std::string GoldenPath(const std::string &name) { return std::string(UPGRADEUI_GOLDEN_DIR) + "/" + name + ".png"; }
}  // namespace

std::optional<board::Image> Golden(const std::string &name) { return board::Image::ReadPng(GoldenPath(name)); }

testing::AssertionResult GlassMatchesGolden(const board::Image &glass, const std::string &name) {
  const std::string seenDir = std::string(board::kStateDir) + "/golden";
  mkdir(seenDir.c_str(), 0755);
  const std::string seen = seenDir + "/" + name + ".png";
  glass.WritePng(seen);
  const std::string kept = GoldenPath(name);
  const std::optional<board::Image> golden = Golden(name);
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

testing::AssertionResult GlassMatchesGolden(const std::string &name) { return GlassMatchesGolden(GlassNow(), name); }

}  // namespace testsupport
