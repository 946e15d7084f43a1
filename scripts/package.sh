#!/usr/bin/env bash
# Builds the Debian package vantrel_VERSION_ARCH.deb: the window and
# vantrel-cli in /usr/bin, the menu entry and icon, the AppStream metainfo,
# the manual pages and the systemd user unit, with the runtime dependencies
# worked out from the shared libraries. Install it with
#   sudo apt install ./vantrel_*.deb
#
# usage: scripts/package.sh [--build-dir DIR] [--output DIR]
#   --build-dir DIR  package from this build tree, configured as it is (the
#                    test command packages its own build); without it a
#                    release build with Debian's hardening flags is made in
#                    build-package/
#   --output DIR     where the package is put (default: the top folder)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

build_dir=""
output_dir="$top"
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir=${2:?--build-dir takes a folder}; shift 2 ;;
    --output) output_dir=${2:?--output takes a folder}; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "package.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

./scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
if [ -z "$build_dir" ]; then
  build_dir="$top/build-package"
  # The flags Debian builds its own packages with: fortified functions, a
  # stack protector, a read-only relocation table bound at start.
  export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
elif [ ! -f "$build_dir/CMakeCache.txt" ]; then
  echo "package.sh: $build_dir is no configured build tree" >&2
  exit 2
fi
build_dir=$(cd "$build_dir" && pwd)

# What the package holds, and nothing else: the tests are not built for it.
cmake --build "$build_dir" -j "$jobs" --target vantrel vantrel-cli vantrel_packaging
rm -f "$build_dir"/package/vantrel_*.deb
(cd "$build_dir" && cpack -G DEB --config CPackConfig.cmake >/dev/null)

mkdir -p "$output_dir"
for deb in "$build_dir"/package/vantrel_*.deb; do
  cp "$deb" "$output_dir/"
  echo "$output_dir/$(basename "$deb")"
done
