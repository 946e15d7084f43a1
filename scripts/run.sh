#!/usr/bin/env bash
# Sets up a bare Debian machine, builds Vantrel and starts it on a simulated
# line: the window when a display is available, the terminal monitor
# otherwise. Extra arguments go to the program (for example --type 4).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target vantrel vantrel-cli

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/app/vantrel --demo "$@"
else
  echo "No display: starting the terminal monitor on a simulated line (Ctrl-C stops it)."
  exec ./build/tools/vantrel-cli monitor --demo "$@"
fi
