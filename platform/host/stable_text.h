// Texts that stand-ins hand out as borrowed: each distinct text is kept once
// for the life of the process, so a pointer given out stays valid after a
// test sets another answer.
#ifndef HOST_STABLE_TEXT_H
#define HOST_STABLE_TEXT_H

namespace hoststub {

// The kept copy of text (thread-safe).
const char *StableText(const char *text);

}  // namespace hoststub

#endif  // HOST_STABLE_TEXT_H
