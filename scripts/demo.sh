#!/usr/bin/env bash
# The demo: builds the Windows programs, makes a throwaway Wine prefix inside
# the build tree, seeds it with leftovers of uninstalled programs, and runs the
# console program's scan, repair and restore on it.
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
echo
# The repair covers the sections ticked in the stored settings (all but
# "Windows Fonts" and "Invalid Shortcuts" on a first start), as the GUI does.
echo "== corvanta-cli repair"
repair_log="$demo/repair.txt"
$WINE "$cli" repair | tee "$repair_log" || true
backup=$(sed -n 's/^Backup file: //p' "$repair_log" | tr -d '\r')
if [ -n "$backup" ] && [ "$backup" != "(none)" ]; then
  unix_backup=$(winepath -u "$backup" 2>/dev/null)
  echo
  echo "== the automatic backup ($(basename "$unix_backup")), first lines:"
  head -n 24 "$unix_backup" | tr -d '\r'
  echo "   ... ($(wc -l <"$unix_backup") lines)"
fi
echo
echo "== corvanta-cli scan (after the repair)"
$WINE "$cli" scan || true
echo
echo "== corvanta-cli backups list"
$WINE "$cli" backups list
if [ -n "$backup" ] && [ "$backup" != "(none)" ]; then
  name=$(basename "$unix_backup")
  echo
  echo "== corvanta-cli backups restore \"$name\" (puts back what the repair deleted)"
  $WINE "$cli" backups restore "$name"
  echo
  echo "== corvanta-cli scan (after the restore: the leftovers are back)"
  $WINE "$cli" scan || true
fi
