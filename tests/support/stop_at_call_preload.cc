// The preloaded form of stop_at_call.cc: armed at load from STOP_AT_CALL.
#include "stop_at_call.h"

#include <cstdlib>

namespace {

__attribute__((constructor)) void ArmFromEnvironment() {
  if (const char *n = std::getenv("STOP_AT_CALL")) testsupport::StopAtCall(std::strtol(n, nullptr, 10));
}

}  // namespace
