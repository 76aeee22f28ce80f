// Golden screens: what the panel's glass shows, compared with a reviewed
// picture kept in upgradeui/testdata/golden/NAME.png. A changed picture fails
// the test; it is replaced only on purpose: the test writes what it saw to
// the board's state directory (/run/board/golden/NAME.png), which a run under
// "board-sandbox --keep" leaves behind to be looked at and copied over the
// kept picture.
#pragma once

#include "board/panel.h"

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// The glass as the panel model shows it after every commit so far.
board::Image GlassNow();

// Compares the glass with the golden picture NAME.
testing::AssertionResult GlassMatchesGolden(const std::string &name);

}  // namespace testsupport
