#!/usr/bin/env bash
# roundtrip.sh BIN ARCH: builds the release from BIN as scripts/dist does, installs it silently in
# a fresh prefix, checks the installed files, keys and shortcut, starts the installed program from
# a far-away folder and waits for its window, uninstalls silently, and checks that the registry
# and the file tree are as before the install.
set -uo pipefail
bin=$1 arch=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lib/installer.sh"
# A prefix of its own: the suite's prefix must not see the installed servers' registration.
export USE_DISPLAY=1
. "$root/scripts/lib/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start || exit 1
work="$WINE_ENV_TMP/work"
mkdir -p "$work"

fail=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi
}
winpath() { "$WINE" winepath -u "$1" 2>/dev/null; }
has_key() { "$WINE" reg query "$1" >/dev/null 2>&1; }
no_key() { ! has_key "$1"; }

# Registry and files of the user's world, as a sorted text that can be compared.
snapshot() {  # snapshot NAME
  local hive
  : >"$work/$1.reg"
  for hive in HKCU 'HKLM\Software'; do
    "$WINE" reg export "$hive" 'C:\snapshot.reg' /y >/dev/null 2>&1 || return 1
    # Key lines and value lines. Wine keeps the system parameters of the running session under
    # a key of its own, which grows when a program first asks for one; it is not the program's.
    iconv -f UTF-16LE -t UTF-8 "$WINEPREFIX/drive_c/snapshot.reg" | tr -d '\r' |
      grep -v -e '^Windows Registry Editor' -e '^$' -e '^\[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters' \
      >>"$work/$1.reg"
  done
  rm -f "$WINEPREFIX/drive_c/snapshot.reg"
  # Temp holds the uninstaller's own copy, which Windows removes at the next start as well.
  (cd "$WINEPREFIX/drive_c" && find . -path './users/*/Temp' -prune -o -path ./windows -prune -o -print |
    sort) >"$work/$1.files"
}

release=$(release_name "$arch")
make_release "$bin" "$arch" "$work/dist" >/dev/null || { echo "FAILED: building the release"; exit 1; }
setup="$work/dist/$release-setup.exe"

# The user's folders, asked before the first snapshot: cmd leaves its console settings behind.
appdata=$("$WINE" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
instdir_w="$appdata\\Programs\\Lernova\\Schulte"
instdir=$(winpath "$instdir_w")
startmenu=$(winpath "$("$WINE" cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs")
[ -n "$appdata" ] && [ -n "$instdir" ] || { echo "FAILED: the user's folders"; exit 1; }

snapshot before || { echo "FAILED: registry export"; exit 1; }

"$WINE" "$setup" /S
check "the silent install succeeds" test $? -eq 0

for f in Marvane.exe Ambrel.dll Quorvel.dll Uninstall.exe Sound/right.wav Sound/wrong.wav Sound/pop.wav Help/m07.html; do
  check "installed $f" test -s "$instdir/$f"
done
for f in Marvane.exe Ambrel.dll Quorvel.dll Sound/right.wav Help/m07.html; do
  check "$f is the built one" cmp -s "$bin/$f" "$instdir/$f"
done
check "Start-menu shortcut" test -s "$startmenu/舒尔特表.lnk"
uninst='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\LernovaSchulte'
check "uninstall entry" has_key "$uninst"
# Both servers registered, each from the installed folder.
for clsid in $(awk '/uuid\(/ { u = $0 } /coclass/ { print u }' "$root/contract/Ambrel.idl" "$root/module/Quorvel.idl" |
               sed 's/.*uuid(\([^)]*\)).*/\1/'); do
  served=$( { "$WINE" reg query "HKCU\\Software\\Classes\\CLSID\\{$clsid}\\InprocServer32" /ve 2>/dev/null
              "$WINE" reg query "HKLM\\Software\\Classes\\CLSID\\{$clsid}\\InprocServer32" /ve 2>/dev/null; } |
            tr -d '\r' | sed -n 's/.*REG_SZ *//p' | head -1)
  check "class {$clsid} served from the installed folder ($served)" test "${served%\\*}" = "$instdir_w"
done

# The installed program, started from a folder that has nothing of the build, shows its window.
before_start=$(date +%s)
(cd "$work" && "$WINE" "$instdir_w\\Marvane.exe" >/dev/null 2>&1 &)
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --onlyvisible --classname marvane.exe 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.2
done
check "the installed program shows its window" test -n "$window"
if [ -n "$window" ]; then
  check "its caption" test "$(xdotool getwindowname "$window")" = "舒尔特表"
fi
# Closing it as a user does: WM_CLOSE to its window, then it must end by itself.
"$WINE" taskkill /IM Marvane.exe >/dev/null 2>&1
running() { pgrep -f "Lernova.Schulte.$1" >/dev/null; }
ended=1
for _ in $(seq 1 100); do
  running Marvane.exe || { ended=0; break; }
  sleep 0.2
done
check "the program ends on WM_CLOSE" test $ended -eq 0
echo "started and closed in $(( $(date +%s) - before_start )) s"

# The uninstaller copies itself to Temp and runs from there; wait for that copy to finish.
"$WINE" "$instdir_w\\Uninstall.exe" /S
for _ in $(seq 1 150); do
  [ -e "$instdir" ] || has_key "$uninst" || break
  sleep 0.2
done
for _ in $(seq 1 150); do
  pgrep -if 'au_\.exe' >/dev/null || break
  sleep 0.2
done
check "the uninstaller removed the program folder" test ! -e "$instdir"
check "the uninstaller removed the uninstall entry" no_key "$uninst"

snapshot after || { echo "FAILED: registry export"; exit 1; }
if ! diff -u "$work/before.reg" "$work/after.reg" >"$work/reg.diff"; then
  echo "FAILED: the registry differs after the uninstall:"; head -60 "$work/reg.diff"; fail=1
else
  echo "ok: the registry is as before the install"
fi
if ! diff -u "$work/before.files" "$work/after.files" >"$work/files.diff"; then
  echo "FAILED: files differ after the uninstall:"; head -60 "$work/files.diff"; fail=1
else
  echo "ok: the file tree is as before the install"
fi
exit $fail
