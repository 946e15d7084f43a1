# Shared by the shell tests: pass and fail lines, skips that are failures in
# CI (where scripts/setup.sh has installed every tool), and a temporary
# folder removed at the end with every process the test started.
failures=0
passes=0
pids=()
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-test.XXXXXX")
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

pass() { passes=$((passes + 1)); echo "ok: $*"; }
fail() { failures=$((failures + 1)); echo "FAILED: $*"; }
check() {  # check DESCRIPTION COMMAND...: passes when the command succeeds
  local description=$1
  shift
  if "$@"; then pass "$description"; else fail "$description"; fi
}

# A tool the test needs: outside CI its absence skips the test (status 0
# with a clear word); in CI it is a failure, since setup.sh installs it.
need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      if [ -n "${CI:-}" ]; then
        fail "$tool is missing (scripts/setup.sh installs it)"
        finish
      fi
      echo "skipped: $tool is missing (scripts/setup.sh installs it)"
      exit 0
    fi
  done
}

# Waits up to $1 seconds for the command after it to succeed.
eventually() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ! "$@" 2>/dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
  exit $?
}
