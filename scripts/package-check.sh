#!/usr/bin/env bash
# The Debian package of corvanta-cli, as a user gets it: built with the
# release presets, unpacked with dpkg -x into a fresh root, and the program
# installed there run: its version, its manual page, its package
# dependencies, a --prefix scan and a --prefix all scan of a made-up home.
# Prints "package: N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${CORVANTA_JOBS:-2}
passed=0
failed=0
check() {  # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
version=$(sed -nE 's/^project\(corvanta VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
deb="build/release/package/corvanta-cli_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
cmake --preset release >/dev/null && cmake --build --preset release -j"$jobs" >/dev/null &&
  cpack --preset release >/dev/null
check "the package $(basename "$deb") was built" test -f "$deb"
[ -f "$deb" ] || { echo "package: $passed passed, $((failed + 1)) failed"; exit 1; }

fresh=$(cd build/release && pwd)/fresh-root
rm -rf "$fresh"
mkdir -p "$fresh"
dpkg -x "$deb" "$fresh"
cli="$fresh/usr/bin/corvanta-cli"
check "the installed program says its version" \
  bash -c "[ \"\$('$cli' --version)\" = 'corvanta-cli $version' ]"
check "the manual page is installed" \
  bash -c "zcat '$fresh/usr/share/man/man1/corvanta-cli.1.gz' | grep -q '^\.TH CORVANTA-CLI 1'"
depends=$(dpkg-deb -f "$deb" Depends)
check "the dependencies come from the shared libraries ($depends)" \
  bash -c "grep -q 'libc6' <<<'$depends' && grep -q 'libhivex' <<<'$depends' && grep -q 'libyaml-cpp' <<<'$depends'"

# A made-up home with one stopped prefix, found as ~/.wine.
home="$fresh/home"
prefix="$home/.wine"
mkdir -p "$prefix/drive_c/windows"
printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"CurrentVersion"="5.1"\n"SystemRoot"="C:\\\\windows"\n\n' \
  >"$prefix/system.reg"
"$cli" --prefix "$prefix" scan --all --json >"$fresh/scan.json" 2>"$fresh/scan.err"
rc=$?
check "the installed program scans a prefix" python3 -c "
import json,sys; d=json.load(open('$fresh/scan.json')); sys.exit(not ($rc == 0 and 'total' in d))"
env -u WINEPREFIX -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" \
  "$cli" --prefix all scan --all --json >"$fresh/all.json" 2>"$fresh/all.err"
rc=$?
check "the installed program finds and scans the home's prefix" python3 -c "
import json,sys; d=json.load(open('$fresh/all.json'))['prefixes']
sys.exit(not ($rc == 0 and len(d) == 1 and d[0]['path'] == '$prefix' and 'total' in d[0]['result']))"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
