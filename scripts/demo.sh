#!/usr/bin/env bash
# The demo: builds the Windows programs, makes a throwaway Wine prefix inside
# the build tree, seeds it with leftovers of uninstalled programs, and runs the
# console program's scan on it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

cmake --preset win32 >/dev/null
targets=(corvanta-cli)
grep -q 'corvanta_demo_seed' build/win32/Makefile 2>/dev/null && targets+=(corvanta_demo_seed)
cmake --build --preset win32 -j"${CORVANTA_JOBS:-2}" --target "${targets[@]}" >/dev/null

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
source scripts/wine-env.sh
wine_prefix_up "$demo" win32
trap wine_prefix_down EXIT

cli="$root/build/win32/cli/corvanta-cli.exe"
seed="$root/build/win32/demo/corvanta_demo_seed.exe"
if [ -f "$seed" ]; then
  echo "== seeding the demo prefix with leftovers of uninstalled programs"
  $WINE "$seed"
fi
echo "== corvanta-cli --version"
$WINE "$cli" --version
echo
echo "== corvanta-cli scan --all"
$WINE "$cli" scan --all
