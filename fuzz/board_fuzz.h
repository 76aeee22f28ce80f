// Shared by the fuzz targets that read the phone's fixed paths: they write
// those files, so they must run on the board sandbox and nowhere else.
#pragma once

#include "board/sandbox.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace fuzzboard {

// Exit status that CTest takes as a skip.
inline constexpr int kSkipStatus = 77;

// Called from LLVMFuzzerInitialize: off the board the target would write the
// host's /etc and /mnt, so it stops before the first input.
inline void RequireBoard() {
  if (board::InSandbox()) return;
  std::fprintf(stderr, "skipped: board sandbox unavailable: %s\n", board::UnavailableReason().c_str());
  std::exit(kSkipStatus);
}

// For targets whose code prints a line or two for every input: their standard
// output goes nowhere (libFuzzer reports on standard error).
inline void SilenceStandardOutput() {
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  dup2(null, STDOUT_FILENO);
  close(null);
}

}  // namespace fuzzboard
