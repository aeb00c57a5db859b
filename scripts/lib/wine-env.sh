# Sourced by scripts/test, run, bench and dist: a display, a throw-away Wine prefix with a
# persistent wineserver and the font replacements for the Chinese faces, and cleanup of all of it.
# After wine_env_start: DISPLAY, WINEPREFIX and WINE_ENV_TMP are set; wine_env_stop ends everything.

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${WINE_ENV_XVFB_PID:-}" ]; then
    kill "$WINE_ENV_XVFB_PID" >/dev/null 2>&1 || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
  fi
  if [ -n "${WINE_ENV_TMP:-}" ] && [ "${KEEP_PREFIX:-0}" != 1 ]; then
    rm -rf "$WINE_ENV_TMP"
  fi
}

# Starts Xvfb on a free display unless USE_DISPLAY=1 and DISPLAY is set.
wine_env_display() {
  if [ "${USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  local fdfile="$WINE_ENV_TMP/display"
  # -displayfd lets the server pick a free display itself, so parallel runs never collide.
  Xvfb -displayfd 3 -screen 0 "${SCREEN:-1920x1080x24}" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  WINE_ENV_XVFB_PID=$!
  local n="" i
  for i in $(seq 1 100); do
    n=$(cat "$fdfile" 2>/dev/null)
    [ -n "$n" ] && break
    sleep 0.1
  done
  [ -n "$n" ] || { echo "wine-env: Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$n"
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "wine-env: display :$n does not answer" >&2
  return 1
}

# The Wine launcher of this project (see scripts/wine) and whether this kernel runs 32-bit programs.
WINE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/wine"
wine_env_can_run_32() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
# Runs a program as on a Chinese Windows: Wine takes the user's locale (and with it the fallback
# fonts for CJK text in faces such as "MS Sans Serif") from LC_ALL. Given to Wine only, so that
# the shell does not need the locale installed.
wine_zh() { env LC_ALL=zh_CN.UTF-8 "$WINE" "$@"; }

wine_env_start() {
  WINE_ENV_TMP=$(mktemp -d /tmp/schulte-wine.XXXXXX)
  export WINEPREFIX="$WINE_ENV_TMP/prefix"
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono/Gecko installers: the prefix needs neither, and there is no network for them. No
  # debugger either: a program that crashes ends at once instead of waiting for one.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
  wine_env_display
  wine_env_can_run_32 || export WINELOADER=/usr/lib/wine/wine64
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  wine_env_fonts
}

# Maps the two Chinese faces of the user interface onto the installed AR PL fonts. Windows are
# left unmanaged: Xvfb runs no window manager, and Wine otherwise waits two seconds for one
# whenever an active top-level window is destroyed.
wine_env_fonts() {
  local reg="$WINE_ENV_TMP/fonts.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="AR PL UMing CN"' '"楷体_GB2312"="AR PL UKai CN"' \
    '"SimSun"="AR PL UMing CN"' '"KaiTi_GB2312"="AR PL UKai CN"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
  "$WINE" regedit /S "$("$WINE" winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 || true
}
