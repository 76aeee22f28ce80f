#!/usr/bin/env bash
# The main job: builds the system and runs it on this PC with the phone
# simulator (sim/phone-sim; "scripts/sim.sh --help" lists its subcommands).
# Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh sim
cmake --preset release >/dev/null
# The simulator and what it runs on the board (the libraries, the phone's
# host process, ledfirstkey, the device layer, the board's font).
cmake --build --preset release -j "$(nproc)" --target phone-sim >/dev/null
exec build/release/sim/phone-sim/phone-sim "$@"
