#!/usr/bin/env bash
# The main job: builds the system and runs it on this PC with the phone
# simulator (sim/phone-sim; "scripts/sim.sh --help" lists its subcommands).
# Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh sim
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" >/dev/null
exec build/release/sim/phone-sim/phone-sim "$@"
