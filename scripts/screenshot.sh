#!/usr/bin/env bash
# Takes a picture of the main window reading the simulated line: starts the
# window under a virtual X display (Xvfb), lets it receive telegrams for a
# few seconds and saves what it shows as screenshots/vantrel.png, with the
# hex monitor, the timing window, the position plot, the telegram
# statistics, the about box and the settings dialog beside it (vantrel-hex.png,
# vantrel-timing.png, vantrel-plot.png, vantrel-stats.png, vantrel-about.png,
# vantrel-settings.png).
#   scripts/screenshot.sh [OUTPUT.png] [SECONDS]
# VANTREL_BIN names the program (default: build/app/vantrel, built if missing).
# VANTREL_CAPTURE=FILE plays that recorded session (a capture of
# `vantrel-cli monitor --json`, or a log) instead of the demo line, at
# VANTREL_CAPTURE_SPEED (1, 10, 100 or fast; default 1).
# VANTREL_DEMO_TYPE=CODE simulates that telegram type (the codes of
# `vantrel-cli decode --help`) with throw-away settings; without it the demo
# line sends the stored type.
set -euo pipefail
cd "$(dirname "$0")/.."

output="${1:-screenshots/vantrel.png}"
delay="${2:-5}"
program="${VANTREL_BIN:-build/app/vantrel}"

if [ ! -x "$program" ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target vantrel
fi
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: install the package xvfb" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"

if [ -n "${VANTREL_DEMO_TYPE:-}" ]; then
  XDG_CONFIG_HOME="$(mktemp -d)"
  export XDG_CONFIG_HOME
  trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
  mkdir -p "$XDG_CONFIG_HOME/Quorvane International Ltd"
  printf '[General]\nTelegram=%d\n' "$VANTREL_DEMO_TYPE" >"$XDG_CONFIG_HOME/Quorvane International Ltd/Vantrel.conf"
fi

# The demo line leaves the stored port alone, so the user's settings are safe.
source_args=(--demo --demo-rate 2)
if [ -n "${VANTREL_CAPTURE:-}" ]; then
  source_args+=(--capture "$VANTREL_CAPTURE" --capture-speed "${VANTREL_CAPTURE_SPEED:-1}")
fi
xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" \
  "$program" "${source_args[@]}" --tool-windows --screenshot "$output" --screenshot-delay "$delay"
echo "saved $output"
