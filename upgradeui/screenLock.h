// The library's own drawing threads (the progress thread, started once or
// more, and the keypad watcher) draw and commit one at a time, so that no two
// of them change the font's page buffer or the framebuffer at once. Callers
// of the exported drawing functions keep their screens apart themselves.
#pragma once

#include <mutex>

namespace upgradeui {

std::mutex &ScreenLock();

}  // namespace upgradeui
