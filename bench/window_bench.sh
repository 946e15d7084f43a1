#!/usr/bin/env bash
# Measures the window: the time from starting the program to its window
# being up, and the process's CPU time and memory while it shows 20
# telegrams per second from the simulated line for a minute, first alone,
# then with the position plot and the telegram statistics open.
#   bench/window_bench.sh [PROGRAM] [SECONDS]
# Runs on the offscreen platform with a throw-away settings directory.
set -euo pipefail
program="${1:-build/app/vantrel}"
seconds="${2:-60}"
export QT_QPA_PLATFORM=offscreen
XDG_CONFIG_HOME="$(mktemp -d)"
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
# VANTREL_DEMO_TYPE=CODE simulates that telegram type (default: HPR 418F).
if [ -n "${VANTREL_DEMO_TYPE:-}" ]; then
  mkdir -p "$XDG_CONFIG_HOME/Quorvane International Ltd"
  printf '[General]\nTelegram=%d\n' "$VANTREL_DEMO_TYPE" >"$XDG_CONFIG_HOME/Quorvane International Ltd/Vantrel.conf"
fi
ticks=$(getconf CLK_TCK)

echo "start-up (5 runs), ms from exec to the window up:"
for run in 1 2 3 4 5; do
  started=$(date +%s%3N)
  shown=$(timeout 30 "$program" --print-shown-time --screenshot /dev/null --screenshot-delay 0.2 2>/dev/null |
          awk '/^shown/ {print $2; exit}')
  echo "  run $run: $((shown - started)) ms"
done

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# The window's CPU time and memory at 20 telegrams/s, with the tool windows
# given (a --open list) or none.
measure() {
  local windows="$1"
  local label="${windows:-no tool windows}"
  "$program" --demo --demo-rate 20 ${windows:+--open "$windows"} >/dev/null 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null; rm -rf "$XDG_CONFIG_HOME"' EXIT
  sleep 5  # start-up and the first telegrams
  local first rss_start last rss_end hwm threads cpu_ms
  first=$(cpu_ticks "$pid")
  rss_start=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  sleep "$seconds"
  last=$(cpu_ticks "$pid")
  rss_end=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  threads=$(awk '/Threads/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true

  cpu_ms=$(( (last - first) * 1000 / ticks ))
  echo "receiving 20 telegrams/s for ${seconds} s, ${label}:"
  echo "  CPU time: ${cpu_ms} ms ($(awk -v c="$cpu_ms" -v s="$seconds" 'BEGIN {printf "%.2f", c / (s * 10)}') % of one core)"
  echo "  CPU per telegram: $(awk -v c="$cpu_ms" -v s="$seconds" 'BEGIN {printf "%.3f", c / (s * 20)}') ms"
  echo "  resident memory: ${rss_start} kB after start-up, ${rss_end} kB at the end (peak ${hwm} kB), ${threads} threads"
}

measure ""
measure "plot,stats"
