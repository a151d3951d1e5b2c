#!/usr/bin/env bash
# Runs the OS-name test of a Windows build once per Windows version Wine can
# report (win95 win98 winme win2k winxp), in the build tree's prefix.
#   scripts/wine-os-names.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: wine-os-names.sh BUILD_DIR}" && pwd)
source "$here/wine-env.sh"
status=0
for v in win95 win98 winme win2k winxp; do
  wine_prefix_up "$build_dir" win32 || exit 1
  wine_set_version "$v"
  wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
  echo "== $v"
  bash "$here/wine-tests.sh" "$build_dir" --gtest_filter='WineAppOsName.*' --gtest_brief=1 || status=1
done
wine_prefix_up "$build_dir" win32 && $WINE reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
wine_prefix_down
exit $status
