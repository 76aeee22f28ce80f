#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time from its seed corpus and fails
# on any finding (crash, leak, sanitizer report, time-out of one input).
#   run-fuzzer.sh TARGET SEED_DIR SECONDS [libFuzzer options...]
set -euo pipefail
target=$1 seeds=$2 seconds=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
# New inputs go to a corpus of the run's own; the seeds stay as they are.
status=0
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$@" "$work/corpus" "$seeds" || status=$?
if ls "$work/artifacts"/* >/dev/null 2>&1; then
  echo "finding(s):"
  for f in "$work/artifacts"/*; do echo "  $f"; od -A d -t x1 "$f" | head -8; done
  exit 1
fi
exit $status
