// Waiting on a descriptor with select.
#include "descriptor.h"

#include <sys/select.h>

#include <cerrno>

namespace nc {

int WaitDescriptor(int fd, Wait wait, int seconds) {
  for (;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval timeout{seconds, 0};  // set afresh for every wait
    int ready = wait == Wait::kRead ? select(fd + 1, &set, nullptr, nullptr, &timeout)
                                    : select(fd + 1, nullptr, &set, nullptr, &timeout);
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0 ? 1 : ready;
  }
}

}  // namespace nc
