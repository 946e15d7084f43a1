#!/usr/bin/env bash
# The README's recipes that feed other systems from vantrel-cli monitor,
# run as written there on the demo line: every telegram one MQTT message
# through a real mosquitto broker on loopback, the journal through
# systemd-cat (where journald runs), and a JSON Lines file rotated by
# logrotate without losing a telegram.
#
# usage: RecipesTest.sh VANTREL_CLI
set -uo pipefail
cli=$1
source "$(dirname "$0")/TestSupport.sh"
export XDG_CONFIG_HOME="$work/config"
telegrams=6

# The telegram numbers in JSON lines, one per line.
numbers() { grep -o '"number":[0-9]*' "$@" | cut -d: -f2 | tr '\n' ' '; }
expected_numbers=$(seq 1 "$telegrams" | tr '\n' ' ')

# ---------------------------------------------------------------- MQTT
need mosquitto mosquitto_pub mosquitto_sub
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
broker_port=""
for attempt in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  listening "$port" && continue
  printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$port" >"$work/mosquitto.conf"
  mosquitto -c "$work/mosquitto.conf" >"$work/mosquitto.log" 2>&1 &
  broker=$!
  if eventually 5 listening "$port"; then
    pids+=($broker)
    broker_port=$port
    break
  fi
  kill "$broker" 2>/dev/null
done
if [ -z "$broker_port" ]; then
  fail "mosquitto listens on a free loopback port"
  cat "$work/mosquitto.log"
else
  topic="vantrel/COM1"
  stdbuf -oL mosquitto_sub -d -h 127.0.0.1 -p "$broker_port" -t "$topic" -q 1 -C "$telegrams" -W 60 >"$work/mqtt.out" 2>&1 &
  subscriber=$!
  pids+=($subscriber)
  if eventually 10 grep -q "received SUBACK" "$work/mqtt.out"; then
    # The recipe: one message per telegram.
    "$cli" monitor --demo --json --count "$telegrams" |
      mosquitto_pub -h 127.0.0.1 -p "$broker_port" -t "$topic" -l -q 1
    check "mosquitto_pub -l sends every telegram" [ "${PIPESTATUS[1]}" -eq 0 ]
    wait "$subscriber"
    grep '^{' "$work/mqtt.out" >"$work/mqtt.json"
    check "the subscriber receives $telegrams messages, one telegram each, in order" \
      [ "$(numbers "$work/mqtt.json")" = "$expected_numbers" ]
  else
    fail "mosquitto_sub subscribes"
    cat "$work/mqtt.out"
  fi
fi

# ---------------------------------------------------------------- journald
if command -v systemd-cat >/dev/null 2>&1 && [ -S /run/systemd/journal/socket ]; then
  tag="vantrel-test-$$-$RANDOM"
  "$cli" monitor --demo --brief --count "$telegrams" | systemd-cat -t "$tag"
  journal_lines() { [ "$(journalctl -q -t "$tag" -o cat | grep -c .)" -eq "$telegrams" ]; }
  check "systemd-cat puts one journal entry per telegram" eventually 10 journal_lines
else
  echo "skipped: journald does not run here (no /run/systemd/journal/socket)"
fi

# ---------------------------------------------------------------- logrotate
need logrotate
mkdir -p "$work/logs"
log="$work/logs/COM1.jsonl"
cat >"$work/logrotate.conf" <<CONF
$log {
    daily
    rotate 14
    compress
    delaycompress
    missingok
    notifempty
    copytruncate
}
CONF
"$cli" monitor --demo --json --count "$telegrams" >>"$log" &
monitor=$!
pids+=($monitor)
some_lines() { [ "$(grep -c . "$log")" -ge 2 ]; }
if eventually 20 some_lines; then
  logrotate --state "$work/logrotate.state" --force "$work/logrotate.conf"
  check "logrotate rotates the log" [ -s "$log.1" ]
  wait "$monitor"
  check "the monitor goes on writing to the log after the rotation" [ -s "$log" ]
  check "every telegram is in the rotated log or the new one, once, in order" \
    [ "$(numbers -h "$log.1" "$log")" = "$expected_numbers" ]
else
  fail "the monitor writes to $log"
fi

finish
