#!/usr/bin/env bash
# The native corvanta-cli on a stopped Wine prefix, checked against the
# Windows one running in it:
#   scripts/offline-tests.sh WIN_BUILD_DIR NATIVE_BUILD_DIR [WIN64_BUILD_DIR]
# 1. a seeded prefix scanned online under Wine and offline with --prefix after
#    its wineserver stopped: the same problems in the same order, all sections
#    (a 32-bit prefix, and a 64-bit one when WIN64_BUILD_DIR is given);
# 2. changes refused while the prefix's wineserver runs and on a read-only
#    mount, nothing written;
# 3. an offline repair, read back by Wine (nothing left to find), then the
#    backup restored offline (the first scan's problems are back);
# 4. the prefix's own registry files round-trip byte for byte;
# 5. --prefix all over a stopped prefix and a running one: one scanned, one
#    skipped;
# 6. with WIN64_BUILD_DIR: a full backup of the stopped 64-bit prefix, restored
#    offline after a repair, brings the first scan back; and the version 5
#    full backup Wine's registry editor writes, restored offline, reads back
#    under Wine with the same texts;
# 7. each stopped prefix as a Windows volume (its registry written as hives):
#    the same problems as online when --drive maps its D:, none on D:
#    without; and the 32-bit volume's hives and menu folders on an NTFS image
#    mounted with ntfs-3g (skipped without FUSE): the shortcuts in folders
#    whose hidden or system attribute is set are not judged;
# 8. nothing in src/platform includes a layer above it.
# The seeded prefixes also hold a folder with a non-ASCII name (present and
# missing help files), non-Latin program and profile folders (a present and a
# missing program each) and hidden and system folders with broken shortcuts.
# Prints "offline: N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
win=$(cd "${1:?usage: offline-tests.sh WIN_BUILD_DIR NATIVE_BUILD_DIR}" && pwd)
native=$(cd "${2:?usage: offline-tests.sh WIN_BUILD_DIR NATIVE_BUILD_DIR}" && pwd)
win64=
if [ -n "${3:-}" ]; then win64=$(cd "$3" && pwd) || exit 1; fi
ncli="$native/cli/corvanta-cli"
need=("$ncli")
for b in "$win" ${win64:+"$win64"}; do need+=("$b/cli/corvanta-cli.exe" "$b/demo/corvanta_demo_seed.exe"); done
for f in "${need[@]}"; do [ -f "$f" ] || { echo "offline-tests: $f not built" >&2; exit 1; }; done
work="$native/offline-tests"
rm -rf "$work"
mkdir -p "$work"
# Each system's backups go below the data folder: this run's own.
export XDG_DATA_HOME="$work/data"
source "$here/wine-env.sh"
passed=0
failed=0
check() {  # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
same_scan() {  # a.json b.json: equal but for the offline "system" object
  python3 - "$1" "$2" <<'PY'
import json, sys
a, b = (json.load(open(p, encoding="utf-8")) for p in sys.argv[1:3])
for d in (a, b): d.pop("system", None)
if a != b:
    for key in a:
        if a[key] != b.get(key): print("differs:", key, json.dumps(a[key])[:400], "|", json.dumps(b.get(key))[:400])
    sys.exit(1)
PY
}
# What the seeder does not make, in the running prefix: help files in a
# folder with a non-ASCII name (two present, one missing), programs in
# Chinese and Cyrillic folders (one present, one missing each), values of
# every text form for the version 5 round trip, a file on D: present and one
# missing, and broken shortcuts in a hidden and in a system folder.
extra_seed() {
  local c="$WINEPREFIX/drive_c" reg="$WINEPREFIX/drive_c/extra-seed.reg"
  mkdir -p "$c/Program Files/Café" "$WINEPREFIX/drive-d/Data"
  mkdir -p "$c/Program Files/张三" "$c/users/Иван/Programs"
  echo x >"$c/Program Files/张三/here.exe"
  echo x >"$c/users/Иван/Programs/here.exe"
  echo x >"$c/Program Files/Café/Accé.hlp"
  echo x >"$c/Program Files/Café/AccPlain.hlp"
  echo x >"$WINEPREFIX/drive-d/Data/here.hlp"
  ln -sfn ../drive-d "$WINEPREFIX/dosdevices/d:"
  python3 - "$reg" <<'PY'
import sys
text = r'''Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Help]
"Accé.hlp"="C:\\Program Files\\Café"
"AccPlain.hlp"="C:\\Program Files\\Café"
"Gonè.hlp"="C:\\Program Files\\Café"
"here.hlp"="D:\\Data"
"away.hlp"="D:\\Data"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\zhang-here.exe]
@="C:\\Program Files\\张三\\here.exe"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\zhang-gone.exe]
@="C:\\Program Files\\张三\\gone.exe"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\ivan-here.exe]
@="C:\\users\\Иван\\Programs\\here.exe"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\ivan-gone.exe]
@="C:\\users\\Иван\\Programs\\gone.exe"

[HKEY_CURRENT_USER\Software\Corvanta Round Trip]
"Text"="Café \"quoted\""
"Exp"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,5c,00,e9,00,00,00
"Multi"=hex(7):61,00,e9,00,00,00,62,00,00,00,00,00

'''
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))
PY
  # The prefix's own width: a 32-bit editor would seed HKLM\Software's
  # Wow6432Node, which the 64-bit program does not see.
  wine_regedit /S 'C:\extra-seed.reg' >/dev/null 2>&1
  local lnk menu
  lnk=$(find "$c/users" -name 'Photo Studio.lnk' | head -1)
  menu=$(dirname "$(dirname "$lnk")")
  for f in "Hidden Tools:0x12" "System Tools X:0x14"; do
    mkdir -p "$menu/${f%%:*}"
    cp "$lnk" "$menu/${f%%:*}/One.lnk"; cp "$lnk" "$menu/${f%%:*}/Two.lnk"
    python3 -c "import os,sys; os.setxattr(sys.argv[1], 'user.DOSATTRIB', sys.argv[2].encode())" "$menu/${f%%:*}" "${f##*:}"
  done
}
online_scan() {  # win_build_dir out.json: the Windows program's scan of the running prefix
  $WINE "$1/cli/corvanta-cli.exe" scan --all --json 2>/dev/null | tr -d '\r' >"$2"
}
found_problems() {  # scan.json: problems found, all sections reported
  python3 -c "
import json,sys; d=json.load(open('$1')); sys.exit(not (d['total']>0 and len(d['sections'])==13))"
}
# A prefix in DIR seeded and scanned online (DIR/online.json), then stopped
# and scanned offline (DIR/offline.json); leaves $prefix set to it.
differential() {  # arch win_build_dir dir
  local arch=$1 build=$2 dir=$3
  wine_prefix_up "$dir" "$arch" || exit 1
  prefix="$WINEPREFIX"
  $WINE "$build/demo/corvanta_demo_seed.exe" >/dev/null 2>&1
  extra_seed
  online_scan "$build" "$dir/online.json"
  wine_prefix_down
  "$ncli" --prefix "$prefix" scan --all --json >"$dir/offline.json" 2>"$dir/offline.err"
  check "the offline scan equals the online one ($arch)" same_scan "$dir/online.json" "$dir/offline.json"
  check "the online scan found problems in its sections ($arch)" found_problems "$dir/online.json"
  check "the non-ASCII folder's missing file alone is found, nothing in hidden or system folders ($arch)" python3 -c "
import json,sys; d=json.load(open('$dir/online.json', encoding='utf-8'))
help=[p['valueName'] for p in d['problems'] if p['section']==d['sections'][8]['name']]
links=[p for p in d['problems'] if 'Tools' in p['keyPath']]
sys.exit(not ('Gonè.hlp' in help and 'Accé.hlp' not in help and 'AccPlain.hlp' not in help and 'away.hlp' in help and not links))"
  for scan in online offline; do
    check "the missing programs in Chinese and Cyrillic folders alone are found ($scan, $arch)" python3 -c "
import json,sys; d=json.load(open('$dir/$scan.json', encoding='utf-8'))
apps=[p['keyPath'].rsplit('\\\\',1)[-1] for p in d['problems'] if p['section']==d['sections'][0]['name']]
sys.exit(not ('zhang-gone.exe' in apps and 'ivan-gone.exe' in apps and 'zhang-here.exe' not in apps and 'ivan-here.exe' not in apps))"
  done
}

differential win32 "$win" "$work"

# --prefix all over a made-up home: the seeded prefix as $WINEPREFIX, and a
# copy of its registry as ~/.wine with a wineserver running: the one scanned
# as on its own, the other skipped.
home="$work/home"
mkdir -p "$home/.wine/drive_c"
cp "$prefix"/*.reg "$home/.wine/"
WINEPREFIX="$home/.wine" wineserver -p >/dev/null 2>&1
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" WINEPREFIX="$prefix" \
  "$ncli" --prefix all scan --all --json >"$work/all.json" 2>"$work/all.err"
rc=$?
WINEPREFIX="$home/.wine" wineserver -k >/dev/null 2>&1
check "--prefix all scans the stopped prefix and skips the running one" python3 - \
  "$work/all.json" "$work/offline.json" "$work/all.err" "$rc" "$prefix" "$home/.wine" <<'PY'
import json, sys
found, alone, err, rc, stopped, running = sys.argv[1:]
d = json.load(open(found, encoding="utf-8"))["prefixes"]
sys.exit(not (rc == "0" and [p["path"] for p in d] == [stopped, running]
              and d[0]["result"] == json.load(open(alone, encoding="utf-8"))
              and d[1].get("skipped") == "running" and "result" not in d[1]
              and "1/2" in open(err).read() and "2/2" in open(err).read()))
PY
rm -rf "$home"

sum_before=$(md5sum "$prefix"/*.reg)
wineserver -p >/dev/null 2>&1
"$ncli" --prefix "$prefix" repair --all --no-restore-point >"$work/refused.txt" 2>&1
rc=$?
wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
check "a repair is refused while the wineserver runs" bash -c "[ $rc = 1 ] && grep -q 'wineserver' '$work/refused.txt' && [ \"\$(md5sum '$prefix'/*.reg)\" = '$sum_before' ]"

# A read-only mount, as a hibernated Windows volume is mounted (needs root).
ro="$work/read-only-prefix"
mkdir -p "$ro"
if mount --bind -o ro "$prefix" "$ro" 2>/dev/null; then
  "$ncli" --prefix "$ro" repair --all --no-restore-point >"$work/read-only.txt" 2>&1
  rc=$?
  umount "$ro"
  check "a repair is refused on a read-only mount" bash -c "[ $rc = 1 ] && grep -q 'read-only' '$work/read-only.txt' && [ \"\$(md5sum '$prefix'/*.reg)\" = '$sum_before' ]"
else
  echo "skipped: a read-only mount (mount --bind needs root)"
fi

"$ncli" --prefix "$prefix" repair --all --no-restore-point >"$work/repair.txt" 2>&1
check "the offline repair ran" grep -q '^Backup file: ' "$work/repair.txt"
backup=$(sed -n 's/^Backup file: //p' "$work/repair.txt" | tr -d '\r')
name=${backup##*/}
names_system() {  # backup: in the system's own folder, naming it (either format)
  case "$1" in "$XDG_DATA_HOME"/corvanta/*/Backup/*) ;; *) return 1 ;; esac
  python3 - "$1" <<'PY'
import sys
b = open(sys.argv[1], "rb").read()
t = b[2:].decode("utf-16-le") if b[:2] == b"\xff\xfe" else b.decode("cp1252", "replace")
sys.exit(not t.splitlines()[1].startswith("; System: "))
PY
}
check "the backup is kept in the system's own folder and names it" names_system "$backup"
check "the repair reported after its commit" grep -q '^Committed: yes' "$work/repair.txt"
wine_prefix_up "$work" win32 || exit 1
online_scan "$win" "$work/after-repair.json"
wine_prefix_down
check "Wine sees the repair: nothing left to find" python3 -c "
import json,sys; d=json.load(open('$work/after-repair.json')); sys.exit(d['total']!=0)"

"$ncli" --prefix "$prefix" backups restore "$name" >"$work/restore.txt" 2>&1
check "the offline restore of \"$name\" succeeded" test $? = 0
wine_prefix_up "$work" win32 || exit 1
online_scan "$win" "$work/after-restore.json"
wine_prefix_down
check "Wine sees the restore: every entry is back" same_scan "$work/online.json" "$work/after-restore.json"

check "the prefix's registry files round-trip byte for byte" \
  env CORVANTA_WINE_PREFIX="$prefix" "$native/tests/unit_offline" --gtest_filter='*RoundTrip*' --gtest_brief=1

# The stopped prefix as a Windows volume (its registry as hives in its C:
# drive) against the prefix's online scan in DIR, with and without --drive D=.
volume_differential() {  # arch dir
  local arch=$1 dir=$2 wine_data f added=()
  check "the prefix's registry was written as hives ($arch)" env CORVANTA_VOLUME_FROM_PREFIX="$prefix" \
    "$native/tests/unit_hives" --gtest_filter='VolumeFromPrefix.*' --gtest_brief=1
  # Running, Wine finds some registered fonts in its own font folder, which a
  # Windows volume does not have: the volume gets them in its Fonts folder, as
  # Windows would hold them, for its scans only.
  for wine_data in /usr/share/wine /usr/local/share/wine /opt/wine-stable/share/wine; do
    [ -d "$wine_data/fonts" ] || continue
    for f in "$wine_data"/fonts/*; do
      [ -e "$prefix/drive_c/windows/Fonts/${f##*/}" ] && continue
      cp "$f" "$prefix/drive_c/windows/Fonts/" 2>/dev/null && added+=("$prefix/drive_c/windows/Fonts/${f##*/}")
    done
    break
  done
  "$ncli" --offline "$prefix/drive_c" --drive "D=$prefix/drive-d" scan --all --json \
    >"$dir/volume.json" 2>"$dir/volume.err"
  check "the volume with --drive D= gives the online scan ($arch)" same_scan "$dir/online.json" "$dir/volume.json"
  "$ncli" --offline "$prefix/drive_c" scan --all --json >"$dir/volume-no-d.json" 2>/dev/null
  check "without --drive nothing on D: is judged ($arch)" python3 -c "
import json,sys; a=json.load(open('$dir/online.json')); b=json.load(open('$dir/volume-no-d.json'))
d=[p for p in a['problems'] if p['valueData'].startswith('D:')]
sys.exit(not d or any(p['valueData'].startswith('D:') for p in b['problems']) or b['total']!=a['total']-len(d))"
  [ ${#added[@]} -eq 0 ] || rm -f "${added[@]}"
}
volume_differential win32 "$work"

# The volume's hives and its hidden and system menu folders on NTFS mounted
# with ntfs-3g, which keeps the attributes as system.ntfs_attrib_be: the
# shortcuts in those folders are not judged, as the running system does not
# walk them, while those in a plain folder are. Needs FUSE and ntfs-3g.
ntfs_attributes() {
  local img="$work/ntfs.img" mnt="$work/ntfs" c="$prefix/drive_c" why= lnk menu rel
  command -v mkntfs >/dev/null && command -v ntfs-3g >/dev/null || why="no mkntfs or ntfs-3g"
  [ -n "$why" ] || [ -c /dev/fuse ] || why="no /dev/fuse"
  if [ -z "$why" ]; then
    mkdir -p "$mnt"
    truncate -s 64M "$img"
    if ! mkntfs -F -f -q "$img" >/dev/null 2>&1; then
      why="mkntfs failed"
    elif ! ntfs-3g "$img" "$mnt" 2>"$work/ntfs.err"; then
      why="ntfs-3g could not mount it: $(head -1 "$work/ntfs.err")"
    fi
  fi
  if [ -n "$why" ]; then
    rm -f "$img"
    echo "skipped: shortcuts in hidden and system folders on NTFS ($why)"
    return 0
  fi
  trap 'umount "$mnt" 2>/dev/null' EXIT
  lnk=$(find "$c/users" -name 'Photo Studio.lnk' | head -1)
  menu=$(dirname "$(dirname "$lnk")")
  rel=${menu#"$c"/}
  mkdir -p "$mnt/windows/system32/config" "$mnt/$rel/Plain Tools"
  cp "$c/windows/system32/config/SOFTWARE" "$mnt/windows/system32/config/"
  (cd "$c" && find users -name NTUSER.DAT -exec cp --parents {} "$mnt" \;)
  # Plain copies: the attributes Wine keeps do not come along.
  cp -r "$menu/Hidden Tools" "$menu/System Tools X" "$mnt/$rel/"
  cp "$menu/Hidden Tools/"*.lnk "$mnt/$rel/Plain Tools/"
  "$ncli" --offline "$mnt" scan --all --json >"$work/ntfs-plain.json" 2>"$work/ntfs.err"
  python3 - "$mnt/$rel" <<'PY'
import os, sys
for name, bit in (("Hidden Tools", 0x2), ("System Tools X", 0x4)):
    p = os.path.join(sys.argv[1], name)
    a = int.from_bytes(os.getxattr(p, "system.ntfs_attrib_be"), "big")
    os.setxattr(p, "system.ntfs_attrib_be", (a | bit).to_bytes(4, "big"))
PY
  "$ncli" --offline "$mnt" scan --all --json >"$work/ntfs-kept.json" 2>>"$work/ntfs.err"
  umount "$mnt"
  trap - EXIT
  check "on NTFS, shortcuts in hidden and system folders are skipped, a plain folder's judged" \
    python3 - "$work/ntfs-plain.json" "$work/ntfs-kept.json" <<'PY'
import json, sys
def links(path):
    found = [p["keyPath"] for p in json.load(open(path, encoding="utf-8"))["problems"] if p["kind"] == 1]
    return [sum(f"\\{d}\\" in k for k in found) for d in ("Plain Tools", "Hidden Tools", "System Tools X")]
# Before the attributes are set every folder is walked; after, the plain one alone.
plain, kept = links(sys.argv[1]), links(sys.argv[2])
sys.exit(not (plain[0] > 0 and plain == [plain[0]] * 3 and kept == [plain[0], 0, 0]))
PY
  rm -f "$img"
}
ntfs_attributes

if [ -n "$win64" ]; then
  differential win64 "$win64" "$work/win64"
  volume_differential win64 "$work/win64"
  "$ncli" --prefix "$prefix" backups full >"$work/win64/full.txt" 2>&1
  check "a full backup of the stopped prefix was written" test $? = 0
  full=$(tr -d '\r' <"$work/win64/full.txt" | tail -1)
  # The change: a repair of the registry sections (the shortcut sections
  # delete files, which a registry backup does not hold).
  "$ncli" --prefix "$prefix" repair --sections 1,2,3,4,5,6,7,9,10,11,13 --no-backup \
    --no-restore-point >"$work/win64/repair.txt" 2>&1
  "$ncli" --prefix "$prefix" scan --all --json >"$work/win64/after-repair.json" 2>/dev/null
  check "the repair left only the shortcut files" python3 -c "
import json,sys; d=json.load(open('$work/win64/after-repair.json')); sys.exit(not d['problems'] or any(p['kind']!=1 for p in d['problems']))"
  "$ncli" --prefix "$prefix" backups restore "${full##*/}" >"$work/win64/restore.txt" 2>&1
  check "the full backup restored offline" test $? = 0
  "$ncli" --prefix "$prefix" scan --all --json >"$work/win64/after-restore.json" 2>/dev/null
  check "the full backup brings the first scan back" same_scan "$work/win64/offline.json" "$work/win64/after-restore.json"

  # The version 5 full backup Wine's own editor writes, restored offline over
  # a key the prefix lost: Wine reads the same texts back.
  round='HKCU\Software\Corvanta Round Trip'
  wine_prefix_up "$work/win64" win64 || exit 1
  $WINE reg query "$round" 2>/dev/null | tr -d '\r' >"$work/win64/texts-before.txt"
  $WINE "$WINEPREFIX/drive_c/windows/regedit.exe" /E 'C:\full5.reg' >/dev/null 2>&1
  $WINE reg delete "$round" /f >/dev/null 2>&1
  wine_prefix_down
  folder=$("$ncli" --prefix "$prefix" backups list --json | python3 -c "import json,sys; print(json.load(sys.stdin)['folder'])")
  v5="Full Registry Backup_01-01-2026_00-00-00.reg"
  mkdir -p "$folder" && mv "$prefix/drive_c/full5.reg" "$folder/$v5"
  "$ncli" --prefix "$prefix" backups restore "$v5" --json >"$work/win64/restore5.json" 2>"$work/win64/restore5.err"
  check "the version 5 full backup restored offline" grep -q '"restored":true' "$work/win64/restore5.json"
  wine_prefix_up "$work/win64" win64 || exit 1
  $WINE reg query "$round" 2>/dev/null | tr -d '\r' >"$work/win64/texts-after.txt"
  wine_prefix_down
  check "Wine reads the same texts back" bash -c "grep -q 'Exp' '$work/win64/texts-before.txt' && cmp -s '$work/win64/texts-before.txt' '$work/win64/texts-after.txt'"
fi

# The adapters stay below the layers that use them.
check "nothing in src/platform includes a higher layer" bash -c "
  ! grep -rnE '#include \"(backup|results|scan|app|ui|offline)/' '$here/../src/platform'"
echo "offline: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
