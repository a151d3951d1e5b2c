#!/usr/bin/env bash
# How the real GUI answers during a long scan under Wine, and how soon Abort
# stops it.
#   bash bench/gui-bench.sh [--size 120000] [--runs 8] [--build build/win64]
# Scans the generated prefix of that size (made by bench/wine-bench.sh, then
# copied to build/bench/gui-<size>/ so the benchmark's own prefixes stay as
# generated) with corvanta.exe /scan on a private Xvfb display, every Wine
# process pinned to one CPU. bench/gui_abort_bench.cpp reads the status line
# over and over and clicks Abort at a different moment in each run; the
# table gives the time from the click to the "Scan Complete" dialog, the
# slowest answer of the window and how often the status line changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

size=120000
runs=8
build=build/win64
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift ;;
    --runs) runs=$2; shift ;;
    --build) build=$2; shift ;;
    *) echo "usage: gui-bench.sh [--size KEYS] [--runs N] [--build DIR]" >&2; exit 2 ;;
  esac
  shift
done
preset=$(basename "$build")
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"${CORVANTA_JOBS:-2}" --target corvanta corvanta_gui_abort_bench \
  >/dev/null
bash bench/wine-bench.sh --prepare-only --sizes "$size" --build "$build"

bench="$root/build/bench"
dir="$bench/gui-$size"
if ! cmp -s "$bench/$size/stamp" "$dir/stamp" 2>/dev/null; then
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -a "$bench/$size/wineprefix" "$dir/wineprefix"
  cp "$bench/$size/stamp" "$dir/stamp"
fi

display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
source scripts/wine-env.sh
cleanup() {
  wine_prefix_down
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1
arch=win32
[ "$preset" = win64 ] && arch=win64
wine_prefix_up "$dir" "$arch"

# Defaults as at a first start, but no update check on the way in; a crash
# ends the program instead of waiting in the debugger.
wine_reg delete 'HKLM\Software\Corvanta' /f >/dev/null 2>&1 || true
wine_reg add 'HKLM\Software\Corvanta\Corvix' /v AutoUpdate /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine_reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
  >/dev/null 2>&1 || true

winpath() { printf 'Z:%s' "${1//\//\\}"; }
taskset -c "${CORVANTA_WINE_CPU:-0}" $WINE "$(winpath "$root/$build/bench/corvanta_gui_abort_bench.exe")" \
  "$(winpath "$root/$build/src/corvanta.exe")" "$runs" | tr -d '\r' | tee "$dir/results.txt"
