#!/usr/bin/env bash
# The whole test suite: the optimised release build, the host build under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded tests under
# ThreadSanitizer, the 32-bit ARM build under qemu-user, and every fuzz target
# for a bounded time.
# Installs what it needs first.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test || exit 1

jobs=$(nproc)
failed=()
step() {  # step NAME COMMAND...
  local name=$1; shift
  local start=$SECONDS
  echo "==> $name"
  if "$@"; then
    echo "==> $name: passed in $((SECONDS - start)) s"
  else
    echo "==> $name: FAILED after $((SECONDS - start)) s"
    failed+=("$name")
  fi
}

preset() {  # preset NAME [ctest arguments...]
  local name=$1; shift
  cmake --preset "$name" >/dev/null &&
    cmake --build --preset "$name" -j "$jobs" &&
    ctest --preset "$name" -j "$jobs" "$@"
}

# The release build: what scripts/sim.sh runs and the benchmarks, compiled
# with optimisation, whose warnings (errors here) the debug builds do not see.
step "release build (-O3, benchmarks)" sh -c 'cmake --preset release >/dev/null && cmake --build --preset release -j "$1"' sh "$jobs"
step "host (ASan, UBSan)" preset host
step "threads (TSan)" preset tsan
step "armhf (qemu-user)" preset armhf
step "fuzz (libFuzzer, bounded time per target)" preset fuzz

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test steps passed."
