// Waiting on a descriptor, for the descriptor source and sink.
#ifndef ELEMTREE_DESCRIPTOR_H
#define ELEMTREE_DESCRIPTOR_H

namespace nc {

// Descriptors go into a select set of this many entries.
inline constexpr int kMaxDescriptor = 1024;

inline bool ValidDescriptor(int fd) { return fd >= 1 && fd < kMaxDescriptor; }

enum class Wait { kRead, kWrite };

// Waits up to seconds for fd to become readable or writable (an interrupted
// wait goes on): 1 ready, 0 time-out, -1 failure.
int WaitDescriptor(int fd, Wait wait, int seconds);

}  // namespace nc

#endif  // ELEMTREE_DESCRIPTOR_H
