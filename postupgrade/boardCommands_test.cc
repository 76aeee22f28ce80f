// The commands that the upgrade runs on the board (sh, ps, grep, killall, …)
// take the board's device layer but not the sanitizer runtime that this test
// program needs before it: ps hangs with the address sanitizer preloaded. The
// test program has its runtime loaded already, so it drops the runtime from
// LD_PRELOAD before any test starts a command.
#include "board/program.h"

namespace {

const bool kCommandsWithoutSanitizer = (board::DropSanitizerPreloads(), true);

}  // namespace
