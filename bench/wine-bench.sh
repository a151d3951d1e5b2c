#!/usr/bin/env bash
# The scan's speed and memory under Wine, against the least a scan must do.
#   bash bench/wine-bench.sh [--check] [--sizes "10000 40000 120000 200000m"] [--runs 3]
#                            [--before OLD-corvanta-cli.exe]
# For each size a seeded generator writes a registry tree of about that many
# keys (a size ending in "m", such as 200000m, names missing files in 95% of
# its file references: a scan that reports over a hundred thousand problems), imported once into its own throwaway prefix (build/bench/<size>/
# wineprefix, kept for later runs). Then, every Wine process and the
# wineserver pinned to one CPU and one persistent wineserver per prefix, it
# times the minimal walk (bench/reg_walk.cpp), the deep scan, `scan --all
# --json` and `regedit /E` of the same branches, and prints the medians, the
# peak memory and the ratios to the walk: ratios of one run cancel the
# machine's speed. --before also runs an older corvanta-cli.exe and says
# whether its JSON is byte for byte the same. --check exits 1 when a deep scan
# needs more than 1.3 times the walk. --prepare-only makes the prefixes and
# stops (CORVANTA_WINE_CPU picks the CPU Wine is pinned to, 0 unless set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sizes="10000 40000 120000 200000m"
runs=3
check=0
before=""
prepare_only=0
build=build/win64
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=1 ;;
    --sizes) sizes=$2; shift ;;
    --runs) runs=$2; shift ;;
    --before) before=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift ;;
    --build) build=$2; shift ;;
    --prepare-only) prepare_only=1 ;;
    *) echo "usage: wine-bench.sh [--check] [--prepare-only] [--sizes LIST] [--runs N] [--before EXE]" >&2; exit 2 ;;
  esac
  shift
done
limit=1.3
seed=1

preset=$(basename "$build")
if [ "$prepare_only" = 0 ] && { [ ! -f "$build/cli/corvanta-cli.exe" ] || [ ! -f "$build/bench/corvanta_reg_walk.exe" ]; }; then
  cmake --preset "$preset" >/dev/null
fi
if [ "$prepare_only" = 0 ]; then
  cmake --build --preset "$preset" -j"${CORVANTA_JOBS:-2}" --target corvanta-cli corvanta_reg_walk \
    >/dev/null
fi
# Windows paths of the programs (drive Z: is the Linux root in every prefix).
winpath() { printf 'Z:%s' "${1//\//\\}"; }
cli=$(winpath "$root/$build/cli/corvanta-cli.exe")
walker=$(winpath "$root/$build/bench/corvanta_reg_walk.exe")
arch=win32
[ "$preset" = win64 ] && arch=win64
# The offline deep scan is timed on the Release build (its goal is for
# Release); the Debug native preset stands in when that is absent.
native="$root/build/native-release/cli/corvanta-cli"
[ -x "$native" ] || native="$root/build/native/cli/corvanta-cli"

source scripts/wine-env.sh
pin=(taskset -c "${CORVANTA_WINE_CPU:-0}")
bench="$root/build/bench"
mkdir -p "$bench"
trap wine_prefix_down EXIT

# A prefix per size, made from one freshly booted base prefix.
stamp_of() { echo "seed $seed keys $1 $(sha1sum bench/gen_registry_tree.py | cut -c1-12) $arch"; }
gen_args() {  # size -> the generator's options
  case "$1" in
    *m) echo "--keys ${1%m} --missing 0.95" ;;
    *) echo "--keys $1" ;;
  esac
}
prepare() {
  local size=$1 dir="$bench/$1"
  if [ -f "$dir/stamp" ] && [ "$(cat "$dir/stamp")" = "$(stamp_of "$size")" ]; then return; fi
  wine_prefix_from_base "$bench/base-$arch" "$dir" "$arch"
  echo "bench: generating and importing $size keys" >&2
  # shellcheck disable=SC2046
  python3 bench/gen_registry_tree.py $(gen_args "$size") --seed "$seed" "$dir/tree.reg" >&2
  wine_prefix_up "$dir" "$arch"
  "${pin[@]}" $WINE regedit /S "$(winpath "$dir/tree.reg")"
  wine_prefix_down
  stamp_of "$size" >"$dir/stamp"
}

# One timed run of a command that runs program: "seconds peak-KB" on stdout;
# the command's output to $out.
timed() {
  local out=$1 program=$2
  shift 2
  python3 bench/measure.py "$bench/time.txt" "$program" -- "$@" >"$out" 2>"$bench/stderr.txt" || {
    echo "bench: failed: $* (see $bench/stderr.txt)" >&2
    exit 1
  }
  cat "$bench/time.txt"
}

# Median of N runs: "seconds peak-MB".
median() {
  local out=$1 program=$2 i
  shift 2
  for i in $(seq "$runs"); do timed "$out" "$program" "$@"; done |
    python3 -c 'import sys,statistics as s
rows=[l.split() for l in sys.stdin if l.strip()]
print("%.2f %.0f" % (s.median(float(r[0]) for r in rows), s.median(int(r[1]) for r in rows)/1024))'
}

table="$bench/results.txt"
{
  printf '%-8s %-22s %8s %8s %9s\n' keys run seconds peak-MB x-walk
} >"$table"
if [ "$prepare_only" = 1 ]; then
  for size in $sizes; do prepare "$size"; done
  exit 0
fi
worst=0
for size in $sizes; do
  prepare "$size"
  dir="$bench/$size"
  wine_prefix_up "$dir" "$arch"
  run=("${pin[@]}" "$WINE")
  "${run[@]}" "$walker" >"$dir/walk.txt"  # warm caches before anything is timed
  read -r keys _ values _ <<<"$(sed 's/^keys //' "$dir/walk.txt")"
  read -r walk walk_mb <<<"$(median "$dir/walk.txt" corvanta_reg_walk.exe "${run[@]}" "$walker")"
  exports="${run[*]} regedit /E '$(winpath "$dir/hklm.reg")' 'HKEY_LOCAL_MACHINE\SOFTWARE' &&
    ${run[*]} regedit /E '$(winpath "$dir/hkcu.reg")' 'HKEY_CURRENT_USER\Software'"
  read -r export _ <<<"$(median /dev/null regedit.exe bash -c "$exports")"
  read -r deep deep_mb <<<"$(median "$dir/deep.json" corvanta-cli.exe "${run[@]}" "$cli" scan --sections 13 --json)"
  read -r all all_mb <<<"$(median "$dir/all.json" corvanta-cli.exe "${run[@]}" "$cli" scan --all --json)"
  row() { printf '%-8s %-22s %8s %8s %9s\n' "$keys" "$1" "$2" "$3" \
    "$(python3 -c "print('%.2f' % ($2 / $walk))")"; }
  {
    row "minimal walk" "$walk" "$walk_mb"
    row "regedit /E" "$export" ""
    row "deep scan" "$deep" "$deep_mb"
    row "scan --all --json" "$all" "$all_mb"
    if [ -n "$before" ]; then
      read -r bdeep bdeep_mb <<<"$(median "$dir/before-deep.json" corvanta-cli.exe "${run[@]}" "$(winpath "$before")" scan --sections 13 --json)"
      read -r ball ball_mb <<<"$(median "$dir/before-all.json" corvanta-cli.exe "${run[@]}" "$(winpath "$before")" scan --all --json)"
      row "before: deep scan" "$bdeep" "$bdeep_mb"
      row "before: --all --json" "$ball" "$ball_mb"
    fi
    if [ -x "$native" ] && "$native" scan --help 2>&1 | grep -q -- '--prefix'; then
      # Offline means the prefix's wineserver has stopped: its files are
      # settled and it takes no CPU from the timed run.
      wine_prefix_down
      read -r off off_mb <<<"$(median "$dir/offline.json" corvanta-cli "${pin[@]}" "$native" scan --prefix \
        "$dir/wineprefix" --sections 13 --json)"
      row "offline deep (native)" "$off" "$off_mb"
    fi
  } >>"$table"
  if [ -n "$before" ]; then
    for j in deep all; do
      if cmp -s "$dir/$j.json" "$dir/before-$j.json"; then same=identical; else same=DIFFERENT; fi
      echo "$keys keys: JSON of $j scan $same to the one before" >>"$table"
    done
  fi
  wine_prefix_down
  worst=$(python3 -c "print(max($worst, $deep / $walk))")
  problems=$(python3 -c "import json, sys; print(json.load(open(sys.argv[1]))['total'])" "$dir/all.json")
  echo "$keys keys, $values values, $problems problems: deep scan $(python3 -c "print('%.2f' % ($deep / $walk))")x" \
    "the walk, regedit /E $(python3 -c "print('%.2f' % ($export / $walk))")x," \
    "per key: walk $(python3 -c "print('%.0f' % ($walk * 1e6 / $keys))") us," \
    "deep scan $(python3 -c "print('%.0f' % ($deep * 1e6 / $keys))") us" >>"$table"
done
cat "$table"
if [ "$check" = 1 ] && python3 -c "import sys; sys.exit(0 if $worst > $limit else 1)"; then
  echo "bench: the deep scan needs more than ${limit}x the walk" >&2
  exit 1
fi
