#!/usr/bin/env bash
# Builds the Debian package from the build tree with scripts/package.sh,
# unpacks it into a temporary root and checks it as a user and the
# distribution's tools would: the control fields, every file in its place,
# the programs running from there, the menu entry, the metainfo, the manual
# pages, lintian, and the monitor service logging a simulated line.
#
# usage: PackageTest.sh SOURCE_DIR BUILD_DIR VERSION APP_ID
set -uo pipefail
source_dir=$1
build_dir=$2
version=$3
app_id=$4
source "$(dirname "$0")/TestSupport.sh"

need dpkg-deb lintian desktop-file-validate appstreamcli man

# ---------------------------------------------------------------- the package
if ! deb=$("$source_dir/scripts/package.sh" --build-dir "$build_dir" --output "$work" | tail -n 1); then
  fail "scripts/package.sh builds the package"
  finish
fi
arch=$(dpkg --print-architecture)
check "the package is named vantrel_${version}_${arch}.deb" [ "$deb" = "$work/vantrel_${version}_${arch}.deb" ]
[ -f "$deb" ] || finish

field() { dpkg-deb -f "$deb" "$1"; }
check "Package: vantrel" [ "$(field Package)" = vantrel ]
check "Version: $version" [ "$(field Version)" = "$version" ]
check "Architecture: $arch" [ "$(field Architecture)" = "$arch" ]
depends=$(field Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
  check "Depends names $library (from the shared libraries)" grep -q "\b$library\b" <<<"$depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
expected_files=(
  usr/bin/vantrel
  usr/bin/vantrel-cli
  "usr/share/applications/$app_id.desktop"
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  "usr/share/metainfo/$app_id.metainfo.xml"
  usr/share/man/man1/vantrel.1.gz
  usr/share/man/man1/vantrel-cli.1.gz
  "usr/lib/systemd/user/vantrel-monitor@.service"
  usr/share/doc/vantrel/copyright
  usr/share/doc/vantrel/changelog.gz
)
for file in "${expected_files[@]}"; do
  check "/$file is in the package" [ -s "$root/$file" ]
done
for program in vantrel vantrel-cli; do
  check "/usr/bin/$program is executable" [ -x "$root/usr/bin/$program" ]
done

# ---------------------------------------------------------------- the programs, run from the package
export XDG_CONFIG_HOME="$work/config"
check "vantrel-cli --version" [ "$("$root/usr/bin/vantrel-cli" --version)" = "vantrel-cli $version" ]
check "vantrel --version, without a display" \
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/vantrel" --version)" = "vantrel $version" ]
printf '$PSIMSSB,143027.50,C12,A,,C,H,M,12.30,-45.60,310.40,0.50,I,2.1,-1.5*60\r\n' >"$work/ssb.telegram"
decoded=$("$root/usr/bin/vantrel-cli" decode --type 4 --json "$work/ssb.telegram")
check "vantrel-cli decode gives an OK telegram" grep -q '"telegram":"NMEA $PSIMSSB".*"status":"OK"' <<<"$decoded"

# ---------------------------------------------------------------- the validators
check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
check "the desktop entry starts vantrel with its icon" \
  grep -qx "Icon=$app_id" "$root/usr/share/applications/$app_id.desktop"
check "appstreamcli validate --no-net" \
  appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
check "the metainfo names this release" \
  grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml"
for page in vantrel vantrel-cli; do
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/$page.warnings")
  check "man -l $page.1 renders without warnings" [ ! -s "$work/$page.warnings" ]
  check "$page(1) names the version" grep -q "Vantrel $version" <<<"$rendered"
done
cli_page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/usr/share/man/man1/vantrel-cli.1.gz" 2>/dev/null)
# Every command and option the tool takes has its place in the manual page.
for command in decode monitor replay simulate; do
  check "vantrel-cli(1) has a section for $command" grep -q "^$(tr a-z A-Z <<<"$command")\$" <<<"$cli_page"
  for option in $("$root/usr/bin/vantrel-cli" "$command" --help | grep -o '^  --[a-z-]*'); do
    check "vantrel-cli(1) tells $command $option" grep -q -- "^ *$option\b" <<<"$cli_page"
  done
done
for section in "EXIT STATUS" FILES ENVIRONMENT; do
  check "vantrel-cli(1) has $section" grep -q "^$section\$" <<<"$cli_page"
done
for word in VANTREL_PORTS XDG_CONFIG_HOME Vantrel-ports.conf Vantrel.conf; do
  check "vantrel-cli(1) tells $word" grep -q "$word" <<<"$cli_page"
done
lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1
lintian_status=$?
cat "$work/lintian.txt"
check "lintian reports no errors" [ "$lintian_status" -eq 0 ]
if command -v systemd-analyze >/dev/null 2>&1; then
  mkdir -p "$work/units"
  cp "$root/usr/lib/systemd/user/vantrel-monitor@.service" "$work/units/vantrel-monitor@COM7.service"
  check "systemd-analyze verify accepts the service" \
    systemd-analyze verify --man=no "$work/units/vantrel-monitor@COM7.service"
else
  echo "skipped: systemd-analyze is not on this machine"
fi

# ---------------------------------------------------------------- the service, run by hand on a simulated line
# systemd would run the unit's ExecStart line for vantrel-monitor@COM7 with the
# user's environment: here it is run as systemd would hand it to the shell.
exec_start=$(sed -n 's/^ExecStart=//p' "$root/usr/lib/systemd/user/vantrel-monitor@.service")
exec_start=${exec_start//%i/COM7}
exec_start=${exec_start//\$\$/\$}
export HOME="$work/home"
unset XDG_DATA_HOME
mkdir -p "$HOME"
"$root/usr/bin/vantrel-cli" simulate --pty --rate 10 >"$work/simulate.out" 2>&1 &
pids+=($!)
if eventually 10 grep -q "VANTREL_PORTS=" "$work/simulate.out"; then
  pty=$(sed -n "s/.*VANTREL_PORTS='COM[0-9]*=\(.*\)'.*/\1/p" "$work/simulate.out")
  (export PATH="$root/usr/bin:$PATH" VANTREL_PORTS="COM7=$pty"; eval "exec $exec_start" >/dev/null 2>"$work/service.err") &
  service=$!
  pids+=($service)
  logs="$HOME/.local/share/vantrel"
  rows() { grep -c '^[0-9][0-9]:' "$logs/COM7.csv" 2>/dev/null; }
  at_least_five_rows() { [ "$(rows)" -ge 5 ]; }
  check "the service logs the line to ~/.local/share/vantrel/COM7.csv" eventually 20 at_least_five_rows
  check "and its raw bytes to COM7.raw" [ -s "$logs/COM7.raw" ]
  kill -TERM "$service"
  wait "$service"
  check "the service's monitor stops cleanly on SIGTERM" [ $? -eq 0 ]
  cat "$work/service.err"
else
  fail "vantrel-cli simulate --pty starts"
  cat "$work/simulate.out"
fi

finish
