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
#
#   bash bench/gui-bench.sh --results "2000 30000 133666" [--program EXE]
# instead times the results page: for each N a prefix seeded with N keys whose
# value names a missing file (build/bench/results-N/), scanned with /scan;
# bench/gui_results_bench.cpp clicks "Deep Registry Scan (N)" and prints the
# time to the first painted lines, the window's slowest answer meanwhile and
# End to the last line. --program times another corvanta.exe (an older one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

size=120000
runs=8
build=build/win64
results=""
program=""
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift ;;
    --runs) runs=$2; shift ;;
    --build) build=$2; shift ;;
    --results) results=$2; shift ;;
    --program) program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift ;;
    *) echo "usage: gui-bench.sh [--size KEYS] [--runs N] [--build DIR] [--results \"N ...\" [--program EXE]]" >&2; exit 2 ;;
  esac
  shift
done
preset=$(basename "$build")
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"${CORVANTA_JOBS:-2}" --target corvanta corvanta_gui_abort_bench \
  corvanta_gui_results_bench >/dev/null
[ -n "$program" ] || program="$root/$build/src/corvanta.exe"
arch=win32
[ "$preset" = win64 ] && arch=win64
bench="$root/build/bench"
source scripts/wine-env.sh
winpath() { printf 'Z:%s' "${1//\//\\}"; }
if [ -z "$results" ]; then
  bash bench/wine-bench.sh --prepare-only --sizes "$size" --build "$build"
  dir="$bench/gui-$size"
  if ! cmp -s "$bench/$size/stamp" "$dir/stamp" 2>/dev/null; then
    rm -rf "$dir"
    mkdir -p "$dir"
    cp -a "$bench/$size/wineprefix" "$dir/wineprefix"
    cp "$bench/$size/stamp" "$dir/stamp"
  fi
else
  # A prefix per N: N keys under HKLM\Software\CorvantaBench, each with a
  # value naming a missing program, which the deep scan reports.
  for n in $results; do
    dir="$bench/results-$n"
    [ "$(cat "$dir/stamp" 2>/dev/null)" = "$n $arch" ] && continue
    wine_prefix_from_base "$bench/base-$arch" "$dir" "$arch"
    python3 -c 'import sys
n = int(sys.argv[1])
out = ["REGEDIT4", ""]
for i in range(n):
    out += ["[HKEY_LOCAL_MACHINE\\Software\\CorvantaBench\\P%06d]" % i,
            "\"Exe\"=\"C:\\\\Gone\\\\p%06d.exe\"" % i, ""]
open(sys.argv[2], "w").write("\r\n".join(out))' "$n" "$dir/problems.reg"
    wine_prefix_up "$dir" "$arch"
    taskset -c "${CORVANTA_WINE_CPU:-0}" $WINE regedit /S "$(winpath "$dir/problems.reg")"
    wine_prefix_down
    echo "$n $arch" >"$dir/stamp"
  done
  dir="$bench/results-runs"
  mkdir -p "$dir"
fi

display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
cleanup() {
  wine_prefix_down
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1
# Defaults as at a first start, but no update check on the way in; a crash
# ends the program instead of waiting in the debugger.
first_start() {
  wine_reg delete 'HKLM\Software\Corvanta' /f >/dev/null 2>&1 || true
  wine_reg add 'HKLM\Software\Corvanta\Corvix' /v AutoUpdate /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine_reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1 || true
}

if [ -n "$results" ]; then
  : >"$dir/results.txt"
  for n in $results; do
    wine_prefix_up "$bench/results-$n" "$arch"
    first_start
    taskset -c "${CORVANTA_WINE_CPU:-0}" $WINE "$(winpath "$root/$build/bench/corvanta_gui_results_bench.exe")" \
      "$(winpath "$program")" "${CORVANTA_RESULTS_TIMEOUT:-60}" | tr -d '\r' | tee -a "$dir/results.txt" || true
    wine_prefix_down
  done
  exit 0
fi

wine_prefix_up "$dir" "$arch"
first_start
taskset -c "${CORVANTA_WINE_CPU:-0}" $WINE "$(winpath "$root/$build/bench/corvanta_gui_abort_bench.exe")" \
  "$(winpath "$root/$build/src/corvanta.exe")" "$runs" | tr -d '\r' | tee "$dir/results.txt"
