#!/usr/bin/env bash
# Soaks the monitor and the window with telegrams whose index changes with
# every telegram (a garbled index field), as fast as a busy line sends them,
# and prints their resident memory once a minute and at the end. Memory must
# level off: what the line sends must never make it grow without bound.
#   bench/soak.sh [SECONDS] [RATE] [monitor|window|both]
# The telegrams are NMEA $PSIMSSB sentences sent as UDP datagrams to a
# loopback port; the window runs on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
rate="${2:-2000}"
which="${3:-both}"
cli=build/tools/vantrel-cli
window=build/app/vantrel
port=$((20000 + RANDOM % 20000))
XDG_CONFIG_HOME="$(mktemp -d)"
export XDG_CONFIG_HOME
export QT_QPA_PLATFORM=offscreen
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$XDG_CONFIG_HOME"' EXIT

# A line that sends RATE sentences a second, each naming a new index.
send() {
  python3 - "$port" "$rate" "$seconds" <<'PY'
import socket, sys, time
port, rate, seconds = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start = time.monotonic()
sent = 0
while True:
    elapsed = time.monotonic() - start
    if elapsed >= seconds:
        break
    due = int(elapsed * rate) + 1
    while sent < due:
        body = "PSIMSSB,143027.50,X%07d,A,,C,H,M,12.30,-45.60,310.40,0.50,I,2.1,-1.5" % sent
        check = 0
        for c in body.encode():
            check ^= c
        sock.sendto(("$%s*%02X\r\n" % (body, check)).encode(), ("127.0.0.1", port))
        sent += 1
    time.sleep(0.002)
print("sent %d sentences in %.0f s" % (sent, time.monotonic() - start), file=sys.stderr)
PY
}

rss() { awk '/VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
hwm() { awk '/VmHWM/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }

# Runs one program against the line and reports its memory.
soak() {
  local label="$1"; shift
  "$@" >"$XDG_CONFIG_HOME/$label.out" 2>"$XDG_CONFIG_HOME/$label.err" &
  local pid=$!
  pids+=("$pid")
  sleep 3
  send &
  local sender=$!
  pids+=("$sender")
  local waited=0
  while [ "$waited" -lt "$seconds" ]; do
    local step=$(( seconds - waited < 60 ? seconds - waited : 60 ))
    sleep "$step"
    waited=$((waited + step))
    echo "$label after ${waited} s: resident $(( $(rss "$pid") / 1024 )) MB, peak $(( $(hwm "$pid") / 1024 )) MB"
  done
  wait "$sender" || true
  sleep 5
  echo "$label 5 s after the line stopped: resident $(( $(rss "$pid") / 1024 )) MB, peak $(( $(hwm "$pid") / 1024 )) MB"
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  # The monitor's statistics: how many telegrams it took, how many indexes
  # went past the cap.
  grep -E '^(total|other indexes)' "$XDG_CONFIG_HOME/$label.out" | cut -f1-4 | sed "s/^/$label statistics: /" || true
}

echo "soak: ${rate} telegrams/s, each with a new index, for ${seconds} s"
export VANTREL_PORTS="COM90=udp://127.0.0.1:$port"
if [ "$which" != window ]; then
  soak monitor "$cli" monitor --port COM90 --type 4 --stats
fi
if [ "$which" != monitor ]; then
  mkdir -p "$XDG_CONFIG_HOME/Quorvane International Ltd"
  printf '[General]\nTelegram=4\nPort=COM90\n' >"$XDG_CONFIG_HOME/Quorvane International Ltd/Vantrel.conf"
  soak window "$window" --open "timing,plot,stats"
fi
