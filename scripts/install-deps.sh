#!/usr/bin/env bash
# Installs what the build and every test tier need from the distribution's
# packages. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev
  nlohmann-json3-dev libcli11-dev libhivex-dev clang-format liblnk-dev libbfio-dev
  libyaml-cpp-dev dpkg-dev file ntfs-3g
  clang libclang-rt-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# With recommends: Wine's X11 driver needs libraries it only recommends.
apt-get install -y -qq "${missing[@]}" >/dev/null
