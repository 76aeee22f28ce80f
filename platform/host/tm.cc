// Time module stand-in: the SNTP status answers what the test set through
// host/tm.h.
#include "host/tm.h"
#include "platform/tm.h"

#include <atomic>

namespace {
std::atomic<int> gSntpStatus{0};
}  // namespace

extern "C" {

int tmSntpClientStatusGet(void) { return gSntpStatus.load(); }

void hostTmSetSntpStatus(int status) { gSntpStatus.store(status); }

}  // extern "C"
