#!/usr/bin/env bash
# Runs the Windows test binary of one Windows build under Wine, in a throwaway
# prefix inside that build tree.
#   scripts/wine-tests.sh BUILD_DIR [gtest arguments...]
# The architecture comes from the build's toolchain (x86_64 -> win64 prefix).
set -uo pipefail
# Some tests create real windows: give them a virtual display when there is none.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:?usage: wine-tests.sh BUILD_DIR [gtest args]}" && pwd)
shift
exe="$build_dir/tests/corvanta_wine_tests.exe"
[ -f "$exe" ] || { echo "wine-tests: $exe not built" >&2; exit 1; }
arch=win32
grep -q 'x86_64' "$build_dir/CMakeCache.txt" 2>/dev/null && grep -q 'CMAKE_TOOLCHAIN_FILE.*x86_64' "$build_dir/CMakeCache.txt" && arch=win64
source "$here/wine-env.sh"
wine_prefix_up "$build_dir" "$arch" || exit 1
# The update tests talk to local servers only: no proxy may route them away.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
http_pid=""
recorder="$build_dir/tests/corvanta_record_args.exe"
ports="$build_dir/http-ports.txt"
rm -f "$ports"
if [ -f "$recorder" ]; then
  python3 "$here/../tests/fixtures/http_server.py" "$ports" "$recorder" &
  http_pid=$!
  for _ in $(seq 100); do [ -f "$ports" ] && break; sleep 0.1; done
  CORVANTA_TEST_HTTP=$(cat "$ports" 2>/dev/null)
  CORVANTA_TEST_RECORDER="Z:${recorder//\//\\}"
  export CORVANTA_TEST_HTTP CORVANTA_TEST_RECORDER
fi
stop_all() {
  [ -n "$http_pid" ] && kill "$http_pid" 2>/dev/null
  wine_prefix_down
}
trap stop_all EXIT
cd "$build_dir"
pin=()
command -v taskset >/dev/null && pin=(taskset -c 0)
"${pin[@]}" $WINE "$exe" "$@"
