#!/usr/bin/env bash
# Sets up a bare Debian machine, builds everything and runs every test:
# the full build, the layers below the window again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each decoder's fuzz target for a short
# time when clang is present.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"

echo "== Tests"
ctest --test-dir build --output-on-failure --timeout 600

echo "== Tests of the layers below the window under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WITH_QT=OFF -DVANTREL_SANITIZE=ON -DVANTREL_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure --timeout 600

if command -v clang++ >/dev/null 2>&1; then
  echo "== Fuzzing each decoder for ${FUZZ_SECONDS:-20} s"
  ./scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
else
  echo "== clang++ not found: fuzz targets skipped"
fi
