// Golden screens: what the panel's glass shows, compared with a reviewed
// picture kept in upgradeui/testdata/golden/NAME.png. A changed picture fails
// the test; it is replaced only on purpose: the test writes what it saw to
// the board's state directory (/run/board/golden/NAME.png), which a run under
// "board-sandbox --keep" leaves behind to be looked at and copied over the
// kept picture.
#pragma once

#include "board/panel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// The glass as the panel model shows it after every commit so far.
board::Image GlassNow();

// What the glass showed after each commit so far (a commit ends with the
// display data of page 7), and when.
struct Screen {
  board::Image glass;
  long long time_us;
};
std::vector<Screen> CommittedScreens();

// The golden picture NAME, if it can be read.
std::optional<board::Image> Golden(const std::string &name);

// Compares a picture, or the glass now, with the golden picture NAME.
testing::AssertionResult GlassMatchesGolden(const board::Image &glass, const std::string &name);
testing::AssertionResult GlassMatchesGolden(const std::string &name);

}  // namespace testsupport
