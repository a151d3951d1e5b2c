#!/usr/bin/env bash
# Checks that the shipped Windows programs import only functions that the
# oldest Windows they claim exports: every DLL and function that the
# programs and the installer (whose stub is also the uninstaller) import must
# stand on the allow-list scripts/xp-imports.allow, where each line was checked
# against the function's documented minimum supported client.
#   scripts/check-imports.sh BUILD_DIR...
# Ends with "imports: N passed, M failed" (one count per program checked).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
allow="$here/xp-imports.allow"
[ $# -gt 0 ] || { echo "usage: check-imports.sh BUILD_DIR..." >&2; exit 2; }

# "dll function" per import, the DLL in lower case; ordinals as "#N".
imports_of() {  # file
  objdump -p "$1" | awk '
    /^\tDLL Name: / { dll = tolower($3); inblock = 1; next }
    inblock && /^\tvma:/ { next }
    inblock && /^\t[0-9a-f]+\t/ {
      name = $NF
      if ($(NF - 1) == "<none>" || name ~ /^[0-9]+$/) name = "#" $(NF - 1)
      print dll, name; next }
    inblock && /^$/ { inblock = 0 }'
}

# The allow-list for one architecture: "x64" lines only for the 64-bit build.
allowed_for() {  # i386|x86-64
  awk -v arch="$1" '
    /^[ \t]*(#|$)/ { next }
    { if ($3 == "x64" && arch != "x86-64") next; print tolower($1), $2 }' "$allow" | sort -u
}

command -v objdump >/dev/null || { echo "check-imports: objdump not found" >&2; exit 1; }
pass=0
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for build in "$@"; do
  for f in src/corvanta.exe cli/corvanta-cli.exe Corvanta_setup.exe; do
    file="$build/$f"
    if [ ! -f "$file" ]; then
      echo "MISSING $file"; fail=$((fail + 1)); continue
    fi
    arch=$(objdump -f "$file" | sed -n 's/.*file format pei-\(.*\)/\1/p')
    case "$arch" in i386|x86-64) ;; *) echo "UNKNOWN $file: format '$arch'"; fail=$((fail + 1)); continue ;; esac
    # The loader refuses a program whose header asks for a newer subsystem
    # than the system's own (XP is 5.1, XP x64 5.2).
    max=5.1; [ "$arch" = x86-64 ] && max=5.2
    sub=$(objdump -p "$file" | awk '/^MajorSubsystemVersion/{maj=$2} /^MinorSubsystemVersion/{min=$2} END{print maj "." min}')
    if ! awk -v s="$sub" -v m="$max" 'BEGIN{split(s,a,"."); split(m,b,"."); exit !(a[1] < b[1] || (a[1] == b[1] && a[2] <= b[2]))}'; then
      echo "FAILED $file ($arch): subsystem version $sub is newer than $max"; fail=$((fail + 1)); continue
    fi
    allowed_for "$arch" >"$tmp/allowed"
    imports_of "$file" | sort -u >"$tmp/imports"
    if [ ! -s "$tmp/imports" ]; then
      echo "FAILED $file: no imports read"; fail=$((fail + 1)); continue
    fi
    comm -23 "$tmp/imports" "$tmp/allowed" >"$tmp/new"
    if [ -s "$tmp/new" ]; then
      echo "FAILED $file ($arch): imports not on the allow-list (check each one's minimum supported client, then add it to scripts/xp-imports.allow):"
      sed 's/^/  /' "$tmp/new"
      fail=$((fail + 1))
    else
      echo "ok $file ($arch): $(wc -l <"$tmp/imports") imports"
      pass=$((pass + 1))
    fi
  done
done
echo "imports: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
