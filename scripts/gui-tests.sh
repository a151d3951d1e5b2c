#!/usr/bin/env bash
# GUI tests: the real corvanta.exe under Wine on a private Xvfb display, in a
# throwaway prefix inside the build tree, driven by window messages from
# corvanta_gui_driver.exe. Screenshots of pages 0 to 4 and 6, both panes of
# the backup page, the update alert, the advanced tools' panes, a results
# line's drop-down with its three choices, the ignore list window and a
# results line and uninstall row in Chinese characters land in
# build/artifacts/*.png (build/artifacts/win64/ for a 64-bit build).
#   scripts/gui-tests.sh BUILD_DIR        (a win32 or win64 build)
# Ends with "gui: N passed, M failed"; exit status 0 only when all passed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: gui-tests.sh BUILD_DIR}" && pwd)
mkdir -p "$build/gui"

exe="$build/src/corvanta.exe"
driver="$build/tests/gui/corvanta_gui_driver.exe"
# Up to date with the sources (a no-op when the build is current).
cmake --build "$build" --target corvanta corvanta_gui_driver corvanta_record_args -j"${CORVANTA_JOBS:-2}" >"$build/gui/build.log" 2>&1
if [ ! -f "$exe" ] || [ ! -f "$driver" ]; then
  tail -20 "$build/gui/build.log"
  echo "gui: 0 passed, 1 failed"
  exit 1
fi
arch=win32
file "$exe" | grep -q 'x86-64' && arch=win64
artifacts="$root/build/artifacts"
[ "$arch" = win64 ] && artifacts="$artifacts/win64"
mkdir -p "$artifacts"

# A display of our own: the first free number from 99 up.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$build/gui/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
sleep 1

source "$root/scripts/wine-env.sh"
cleanup() {
  [ -n "${watcher_pid:-}" ] && kill "$watcher_pid" 2>/dev/null
  [ -n "${http_pid:-}" ] && kill "$http_pid" 2>/dev/null
  wine_prefix_down
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
wine_prefix_up "$build/gui" "$arch" || { echo "gui: 0 passed, 1 failed"; exit 1; }

# Every run starts as a first start: no settings, no Run value. Wine draws the
# window frames itself inside a virtual desktop, so the shots show captions.
wine_reg delete 'HKLM\Software\Corvanta' /f >/dev/null 2>&1
# The update check talks to local servers only (the start-up check finds our
# own version); proxies must not route it away.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
ports="$build/gui/http-ports.txt"
rm -f "$ports"
python3 "$root/tests/fixtures/http_server.py" "$ports" "$build/tests/corvanta_record_args.exe" &
http_pid=$!
for _ in $(seq 100); do [ -f "$ports" ] && break; sleep 0.1; done
CORVANTA_TEST_HTTP=$(cat "$ports" 2>/dev/null)
export CORVANTA_TEST_HTTP
current=$(tr ',' '\n' <<<"$CORVANTA_TEST_HTTP" | sed -n 's/^current=//p')
wine_reg add 'HKLM\Software\Corvanta\Corvix' /v UpdateServer /t REG_SZ \
  /d "http://127.0.0.1:${current:-1}" /f >/dev/null 2>&1
wine_reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v Corvanta /f >/dev/null 2>&1
# A crash ends the process at once instead of waiting in the debugger.
wine_reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
wine_reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
wine_reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1

# Two application paths to missing programs: the scan must find them, the
# review ignores one and the repair deletes the other. The repair's backups
# go beside the program; start without old ones.
for name in corvanta-gui-a.exe corvanta-gui-b.exe; do
  wine_reg add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\$name" /ve /t REG_SZ \
    /d "C:\\Program Files\\Gone\\$name" /f >/dev/null 2>&1
done
rm -rf "$build/src/Backup"
# Many deep-scan problems: keys whose value names a missing program.
python3 -c 'import sys
out = ["REGEDIT4", ""]
for i in range(1500):
    out += ["[HKEY_LOCAL_MACHINE\\Software\\CorvantaGuiDeep\\P%04d]" % i,
            "\"Exe\"=\"C:\\\\Gone\\\\deep%04d.exe\"" % i, ""]
open(sys.argv[1], "w").write("\r\n".join(out))' "$build/gui/deep.reg"
$WINE regedit /S "Z:${build//\//\\}\\gui\\deep.reg" >/dev/null 2>&1
# One entry for each list of the advanced tools page, files with version
# information behind the first two.
bho='{C0E7A1A0-0000-4000-8000-0000000000AA}'
wine_reg add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\$bho" /f >/dev/null 2>&1
wine_reg add "HKCR\\CLSID\\$bho\\ProgID" /ve /t REG_SZ /d Corvanta.GuiHelper /f >/dev/null 2>&1
wine_reg add "HKCR\\CLSID\\$bho\\InProcServer32" /ve /t REG_SZ /d 'C:\windows\system32\kernel32.dll' /f >/dev/null 2>&1
wine_reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v CorvantaGuiStartup /t REG_SZ \
  /d '"C:\windows\system32\kernel32.dll" /min' /f >/dev/null 2>&1
wine_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvantaGuiDemo' /v DisplayName \
  /t REG_SZ /d 'Corvanta GUI Demo' /f >/dev/null 2>&1
wine_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvantaGuiDemo' /v UninstallString \
  /t REG_SZ /d 'C:\Program Files\Demo\uninstall.exe' /f >/dev/null 2>&1

sync="$build/gui/sync"
rm -rf "$sync"
mkdir -p "$sync"
rm -f "$artifacts"/page-*.png "$artifacts"/tools-*.png "$artifacts"/update-alert.png \
  "$artifacts"/results-dropdown-always.png "$artifacts"/ignore-list.png \
  "$artifacts"/results-unicode.png "$artifacts"/tools-uninstall-unicode.png

# Takes a screenshot whenever the driver asks for one.
(
  while true; do
    for req in "$sync"/*.req; do
      [ -e "$req" ] || continue
      name=$(basename "$req" .req)
      import -window root "$artifacts/$name.png" >/dev/null 2>&1
      rm -f "$req"
      touch "$sync/$name.ack"
    done
    sleep 0.2
  done
) &
watcher_pid=$!

winpath() { printf 'Z:%s' "${1//\//\\}"; }
log="$build/gui/driver.log"
$WINE "$driver" "$(winpath "$sync")" "$(winpath "$exe")" >"$log" 2>&1
rc=$?
cat "$log"

passed=$(grep -c '^PASS' "$log")
failed=$(grep -c '^FAIL' "$log")
if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
  echo "driver ended with status $rc"
  failed=1
fi
for n in page-0 page-1 page-2 results-deep-scan page-3 page-4 page-5-restore page-5-full page-6 update-alert \
  tools-bho tools-startup tools-uninstall tools-iebackup results-dropdown-always ignore-list \
  results-unicode tools-uninstall-unicode; do
  [ -f "$artifacts/$n.png" ] || { echo "missing screenshot $n.png"; failed=$((failed + 1)); }
done
echo "gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
