#!/usr/bin/env bash
# Builds everything and runs every test tier:
#   asan       the native unit tests over the in-memory platform and headless
#              widgets, under AddressSanitizer and UndefinedBehaviorSanitizer
#   wine32     the i686 build's Windows tests under Wine in a 32-bit prefix
#   wine64     the x86_64 build's Windows tests under Wine in a 64-bit prefix
#   imports    the shipped Windows programs import only what Windows XP exports
#   offline    the native corvanta-cli on a stopped prefix against the online scan
#   package    the Debian package of the native corvanta-cli, unpacked and run
#              (the release build also compiles the benchmarks)
#   gui        the real window of the i686 build under Wine and Xvfb (screenshots
#              in build/artifacts)
#   gui64      the same for the x86_64 build (screenshots in build/artifacts/win64)
#   fuzz       every libFuzzer harness of the clang build over its corpus, then
#              fuzzing for a bounded time (CORVANTA_FUZZ_SECONDS each, 12 unless set)
#   native     the unit tests without sanitizers (the native preset); not run
#              unless named, since asan runs the same tests
# CORVANTA_TIERS="asan wine32 ..." runs only those (in this order). A tier's
# tests run while the next tier builds (the Wine tests use one core), and the
# CI presets compile in batches (CORVANTA_UNITY). Ends with one summary line
# per tier with its time, and a total. Exit status 0 only when every tier
# built and passed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || exit 1

jobs=${CORVANTA_JOBS:-2}
logs="$root/build/logs"
mkdir -p "$logs"
results="$logs/results.txt"
: >"$results"
started=$(date +%s)

record() {  # tier passed failed note
  printf '%s\t%d\t%d\t%s\n' "$1" "$2" "$3" "${4:-}" >>"$results"
}

build_preset() {  # preset -> 0 when configured and built
  local p=$1 t0
  t0=$(date +%s)
  echo "== build $p"
  if ! cmake --preset "$p" >"$logs/$p-configure.log" 2>&1; then
    tail -30 "$logs/$p-configure.log"; return 1
  fi
  if ! cmake --build --preset "$p" -j"$jobs" >"$logs/$p-build.log" 2>&1; then
    grep -E 'error|Error' "$logs/$p-build.log" | head -40; return 1
  fi
  echo "   built $p in $(($(date +%s) - t0)) s"
}

native_tier() {  # tier preset
  local tier=$1 p=$2
  echo "== test $tier"
  ctest --test-dir "build/$p" -j"$jobs" --output-on-failure --timeout 600 >"$logs/$tier.log" 2>&1
  local line n f
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$tier.log" | tail -1)
  n=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line"); f=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  if [ -z "$line" ]; then n=0; f=1; fi
  [ "$f" -gt 0 ] && grep -E '^\s*[0-9]+ - |Failed|FAILED' "$logs/$tier.log" | head -40
  record "$tier" $((n - f)) "$f"
}

gtest_counts() {  # xml -> "passed failed"
  local xml=$1
  [ -f "$xml" ] || { echo "0 1"; return; }
  local t f e
  t=$(grep -m1 -o '<testsuites tests="[0-9]*"' "$xml" | grep -o '[0-9]*')
  f=$(grep -m1 -o '<testsuites[^>]* failures="[0-9]*"' "$xml" | grep -o 'failures="[0-9]*"' | grep -o '[0-9]*')
  e=$(grep -m1 -o '<testsuites[^>]* errors="[0-9]*"' "$xml" | grep -o 'errors="[0-9]*"' | grep -o '[0-9]*')
  echo "$((t - f - e)) $((f + e))"
}

wine_tier() {  # tier preset
  local tier=$1 p=$2
  echo "== test $tier"
  local xml="$root/build/$p/wine-tests.xml"
  rm -f "$xml"
  bash scripts/wine-tests.sh "build/$p" --gtest_output="xml:$(winepath_of "$xml")" >"$logs/$tier.log" 2>&1
  local rc=$?
  read -r pass fail < <(gtest_counts "$xml")
  if [ "$rc" -ne 0 ] && [ "$fail" -eq 0 ]; then fail=1; fi
  [ "$fail" -gt 0 ] && grep -E '\[  FAILED  \]|Failure|error' "$logs/$tier.log" | head -40
  # The binary must refuse a prefix that the scripts did not hand it.
  local refused=0
  ( source scripts/wine-env.sh; export WINEPREFIX="$root/build/$p/wineprefix" WINEDEBUG=-all
    CORVANTA_TEST_TOKEN=wrong-token wine "build/$p/tests/corvanta_wine_tests.exe" >"$logs/$tier-refusal.log" 2>&1
    echo $? >"$logs/$tier-refusal.rc"; wineserver -k >/dev/null 2>&1 )
  if [ "$(cat "$logs/$tier-refusal.rc")" = 3 ] && grep -q 'refusing to run' "$logs/$tier-refusal.log"; then
    pass=$((pass + 1))
  else
    echo "$tier: the test binary did not refuse a foreign prefix"; fail=$((fail + 1)); refused=1
  fi
  record "$tier" "$pass" "$fail"
  return $refused
}

# Wine sees the Unix file system as drive Z:.
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

gui_tier() {  # tier preset
  if [ ! -f scripts/gui-tests.sh ]; then return; fi
  local tier=$1 p=$2
  echo "== test $tier"
  bash scripts/gui-tests.sh "build/$p" >"$logs/$tier.log" 2>&1
  local line
  line=$(grep -E '^gui: [0-9]+ passed, [0-9]+ failed' "$logs/$tier.log" | tail -1)
  if [ -z "$line" ]; then tail -30 "$logs/$tier.log"; record "$tier" 0 1 "(no result, see build/logs/$tier.log)"; return; fi
  local pass fail
  pass=$(sed -E 's/gui: ([0-9]+) passed.*/\1/' <<<"$line"); fail=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$line")
  [ "$fail" -gt 0 ] && tail -30 "$logs/$tier.log"
  record "$tier" "$pass" "$fail" "(screenshots in build/artifacts/)"
}

# A tier whose script ends with "TIER: N passed, M failed".
script_tier() {  # tier script [args]
  local tier=$1; shift
  echo "== test $tier"
  bash "$@" >"$logs/$tier.log" 2>&1
  local line p f
  line=$(grep -E "^$tier: [0-9]+ passed, [0-9]+ failed" "$logs/$tier.log" | tail -1)
  if [ -z "$line" ]; then tail -20 "$logs/$tier.log"; record "$tier" 0 1 "(no result, see build/logs/$tier.log)"; return; fi
  p=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$line"); f=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$line")
  [ "$f" -gt 0 ] && grep -E '^FAILED|^MISSING|^  [a-z0-9_]+\.dll |differs' "$logs/$tier.log" | head -30
  record "$tier" "$p" "$f"
}

# The native program on stopped prefixes against the Windows ones under Wine
# (after both Windows builds).
offline_tier() { script_tier offline scripts/offline-tests.sh build/win32 build/native-asan build/win64; }
# What the shipped programs of both Windows builds import (after both builds).
imports_tier() { script_tier imports scripts/check-imports.sh build/win32 build/win64; }
# The Linux package, built with the release presets and run from a fresh root.
package_tier() { script_tier package scripts/package-check.sh; }

# The libFuzzer harnesses (clang build, only the libraries they read through).
fuzz_tier() {
  echo "== test fuzz"
  bash scripts/fuzz-tests.sh build/fuzz >"$logs/fuzz.log" 2>&1
  local line p f
  line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' "$logs/fuzz.log" | tail -1)
  if [ -z "$line" ]; then tail -20 "$logs/fuzz.log"; record fuzz 0 1 "(no result, see build/logs/fuzz.log)"; return; fi
  p=$(sed -E 's/fuzz: ([0-9]+) passed.*/\1/' <<<"$line"); f=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$line")
  [ "$f" -gt 0 ] && grep -A5 FAILED "$logs/fuzz.log" | head -30
  record fuzz "$p" "$f"
}

# What each tier builds before its tests (built once, in this order) and runs.
declare -A needs=(
  [native]="native" [asan]="native-asan" [wine32]="win32" [wine64]="win64"
  [imports]="win32 win64" [offline]="native-asan win32 win64" [package]="release"
  [gui]="win32" [gui64]="win64" [fuzz]="fuzz")
declare -A run=(
  [native]="native_tier native native" [asan]="native_tier asan native-asan"
  [wine32]="wine_tier wine32 win32" [wine64]="wine_tier wine64 win64"
  [imports]="imports_tier" [offline]="offline_tier" [package]="package_tier"
  [gui]="gui_tier gui win32" [gui64]="gui_tier gui64 win64" [fuzz]="fuzz_tier")
read -r -a tiers <<<"${CORVANTA_TIERS:-asan fuzz wine32 wine64 package offline gui gui64 imports}"
# Tiers of a few seconds: run in the foreground, never holding the slot.
declare -A quick=([package]=1 [imports]=1)
declare -A built=()

timed() {  # tier: runs it, its output to build/logs/TIER.out, then shown
  local tier=$1 t0
  t0=$(date +%s)
  ${run[$tier]} >"$logs/$tier.out" 2>&1
  echo "$tier $(($(date +%s) - t0))" >>"$logs/times.txt"
}

# Two at a time: a tier's tests run in the background while the next tier
# builds; once all is built, one tier's tests run in the background while the
# next tiers' run in the foreground.
: >"$logs/times.txt"
background=""
slot_built=0
finish_background() {
  [ -n "$background" ] || return 0
  wait "${background#* }"
  cat "$logs/${background% *}.out"
  background=""
}
for tier in "${tiers[@]}"; do
  [ -n "${run[$tier]:-}" ] || { echo "unknown tier: $tier"; record "$tier" 0 1 "(unknown tier)"; continue; }
  broken="" builds=0
  for p in ${needs[$tier]}; do
    if [ -z "${built[$p]:-}" ]; then
      builds=1
      if build_preset "$p"; then built[$p]=ok; else built[$p]=failed; fi
    fi
    [ "${built[$p]}" = ok ] || broken=$p
  done
  if [ -n "$broken" ]; then
    record "$tier" 0 1 "(build failed, see build/logs/$broken-build.log)"
    continue
  fi
  # The slot goes to a tier that built, and to the first tier after those
  # that builds nothing; the tiers after it run beside it.
  if [ -z "${quick[$tier]:-}" ] && { [ "$builds" = 1 ] || [ "$slot_built" = 1 ] || [ -z "$background" ]; }; then
    finish_background
    timed "$tier" &
    background="$tier $!"
    slot_built=$builds
  else
    timed "$tier"
    cat "$logs/$tier.out"
  fi
done
finish_background

echo
echo "== summary"
total_pass=0
total_fail=0
for tier in "${tiers[@]}"; do
  while IFS=$'\t' read -r name pass fail note; do
    [ "$name" = "$tier" ] || continue
    secs=$(awk -v t="$tier" '$1 == t { print $2 }' "$logs/times.txt")
    printf '%-8s %4d passed, %d failed %s%s\n' "$tier:" "$pass" "$fail" "${secs:+(${secs} s) }" "$note"
    total_pass=$((total_pass + pass))
    total_fail=$((total_fail + fail))
  done <"$results"
done
echo "total: $total_pass passed, $total_fail failed in $(($(date +%s) - started)) s"
[ "$total_fail" -eq 0 ]
