# Sourced by the scripts that run Windows programs: makes (once) and selects a
# throwaway Wine prefix inside a build tree, and starts its wineserver.
#   wine_prefix_up BUILD_DIR ARCH     (ARCH = win32 | win64)
#   wine_prefix_down
# Everything the tests change in HKLM and HKCU stays in that prefix.

wine_prefix_up() {
  local build_dir arch
  mkdir -p "$1" || return 1
  build_dir=$(cd "$1" && pwd) || return 1
  case "$build_dir" in */build/*) ;; *) echo "wine: $build_dir is not inside a build tree" >&2; return 1 ;; esac
  arch=$2
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEARCH="$arch"
  export WINEDEBUG=-all
  # winemenubuilder would mirror every Start Menu shortcut the tests make into
  # the Linux desktop menus of the user running them.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  WINE=wine  # the distribution's wrapper picks the loader that fits the program
  export WINE
  if [ ! -f "$WINEPREFIX/.corvanta-ready" ]; then
    rm -rf "$WINEPREFIX"
    echo "wine: creating $arch prefix in the build tree"
    $WINE wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine: prefix creation failed" >&2; return 1; }
    touch "$WINEPREFIX/.corvanta-ready"
  fi
  # A fresh token per run: the Windows test binary runs only when the prefix's
  # C:\ holds the token it was handed, so it can never run against a registry
  # this script did not make.
  CORVANTA_TEST_TOKEN="corvanta-$$-$RANDOM$RANDOM"
  export CORVANTA_TEST_TOKEN
  printf '%s' "$CORVANTA_TEST_TOKEN" >"$WINEPREFIX/drive_c/corvanta-test-prefix.token"
  local pin=(); command -v taskset >/dev/null && pin=(taskset -c "${CORVANTA_WINE_CPU:-0}")
  "${pin[@]}" wineserver -p >/dev/null 2>&1 || true
}

wine_prefix_down() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  rm -f "$WINEPREFIX/drive_c/corvanta-test-prefix.token"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# DIR/wineprefix as a copy of a freshly booted prefix, which is made once in
# BASE_DIR (inside a build tree).
#   wine_prefix_from_base BASE_DIR DIR ARCH
wine_prefix_from_base() {
  if [ ! -f "$1/wineprefix/.corvanta-ready" ]; then
    wine_prefix_up "$1" "$3" || return 1
    wine_prefix_down
  fi
  rm -rf "$2"
  mkdir -p "$2"
  cp -a "$1/wineprefix" "$2/wineprefix"
}

# reg.exe of the prefix's own width: the wrapper starts Wine's own programs
# as 32-bit ones, whose HKLM\Software is Wow6432Node in a 64-bit prefix.
wine_reg() {
  if [ "${WINEARCH:-}" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
    /usr/lib/wine/wine64 reg "$@"
  else
    $WINE reg "$@"
  fi
}

# regedit.exe of the prefix's own width, for the same reason.
wine_regedit() {
  if [ "${WINEARCH:-}" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
    /usr/lib/wine/wine64 regedit "$@"
  else
    $WINE regedit "$@"
  fi
}

# Set the Windows version the prefix reports (win95 win98 winme win2k winxp ...).
wine_set_version() {
  $WINE reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
