#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for the given number of seconds (default 20). Inputs that
# crash are left in fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
jobs=$(nproc 2>/dev/null || echo 2)

CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTREL_WITH_QT=OFF -DVANTREL_FUZZ=ON -DVANTREL_SANITIZE=ON -DVANTREL_BENCH=OFF
cmake --build build-fuzz -j "$jobs" --target vantrel_fuzzers

mkdir -p fuzz/artifacts
shopt -s nullglob
targets=(build-fuzz/fuzz/*_fuzz)
if [ ${#targets[@]} -eq 0 ]; then
  echo "No fuzz target was built in build-fuzz/fuzz/" >&2
  exit 1
fi
status=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus=$(mktemp -d)
  # A framer's target starts from the seeds of its format's decoder target,
  # and takes streams of several telegrams.
  seeds_name=${name/_framing_fuzz/_fuzz}
  max_len=257
  if [[ $name == *_framing_fuzz ]]; then
    max_len=4096
  fi
  seeds=()
  if [ -d "fuzz/corpus/$seeds_name" ]; then
    seeds=("fuzz/corpus/$seeds_name")
  fi
  echo "-- $name"
  if ! "$target" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
       -artifact_prefix="fuzz/artifacts/$name-" "$corpus" "${seeds[@]}" 2> "fuzz/artifacts/$name.log"; then
    echo "$name found a crash:"
    tail -n 40 "fuzz/artifacts/$name.log"
    status=1
  else
    grep -E "stat::number_of_executed_units|Done" "fuzz/artifacts/$name.log" | tail -n 2 || true
  fi
  rm -rf "$corpus"
done
exit $status
