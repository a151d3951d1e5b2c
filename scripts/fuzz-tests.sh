#!/usr/bin/env bash
# Runs every libFuzzer harness of a fuzz build: first over its corpus
# (tests/fuzz/corpus/<harness>/, the seeds and every crash once found), then
# fuzzing from it for a bounded time. New inputs go to a scratch corpus in the
# build tree, never into the source tree; a crash leaves its input in
# BUILD/artifacts/ to be added to the corpus once mended.
#   bash scripts/fuzz-tests.sh [BUILD] [SECONDS-PER-HARNESS]
# Prints one line per harness and "fuzz: N passed, M failed"; exit status 0
# only when none failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/fuzz}" && pwd) || exit 1
seconds=${2:-${CORVANTA_FUZZ_SECONDS:-12}}
corpus="$root/tests/fuzz/corpus"
artifacts="$build/artifacts"
mkdir -p "$artifacts"
# The scratch files of the harnesses that read files stay in the build tree.
export TMPDIR="$build/tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
pass=0
fail=0
for seeds in "$corpus"/*/; do
  name=$(basename "$seeds")
  harness="$build/tests/fuzz/$name"
  if [ ! -x "$harness" ]; then
    echo "$name: not built"; fail=$((fail + 1)); continue
  fi
  scratch="$build/fuzz-corpus/$name"
  mkdir -p "$scratch"
  log="$build/fuzz-$name.log"
  common=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts/$name-" -print_final_stats=1)
  # The corpus once, every input: the regressions must stay mended.
  if ! "$harness" "${common[@]}" -runs=0 "$seeds" >"$log" 2>&1 ||
    ! "$harness" "${common[@]}" -max_total_time="$seconds" "$scratch" "$seeds" >>"$log" 2>&1; then
    echo "$name: FAILED (see $log)"
    grep -E '^==[0-9]+==ERROR|runtime error|SUMMARY|Test unit written' "$log" | head -5
    fail=$((fail + 1))
    continue
  fi
  runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+$')
  echo "$name: ${runs:-?} executions in ${seconds}s, no fault"
  pass=$((pass + 1))
done
echo "fuzz: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
