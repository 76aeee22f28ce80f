// Test shim, preloaded into the tree tool: the process dies at the rename
// that would replace the file, as at a power cut after the new file was
// written and before it took the old one's place.
#include <csignal>
#include <cstdio>

extern "C" int rename(const char *, const char *) {
  std::raise(SIGKILL);
  return -1;
}
