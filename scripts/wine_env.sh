# Wine for the Windows build, started once and reused: a private prefix, one Xvfb display and
# one persistent wineserver. Source it (it defines functions and exports variables; it does not
# change the shell's options):
#
#   source scripts/wine_env.sh [STATE_DIR]     # then: wine prog.exe ... ; wine_env_stop
#
# STATE_DIR (default $TABRIX_WINE_DIR, else <repository>/build/windows) holds the prefix
# (STATE_DIR/wineprefix) and the running display's number and pid (STATE_DIR/wine_env.display,
# STATE_DIR/wine_env.xvfb.pid). A later `source` with the same STATE_DIR finds the Xvfb still
# running and reuses it; otherwise it takes the first free display from $TABRIX_WINE_DISPLAY_MIN
# (default 150). The prefix is created once (wineboot) with Wine's X11 driver set to unmanaged
# windows (no 2-second stall when a top-level window closes without a window manager).
#
# Exports WINEPREFIX, WINEDEBUG=-all, WINEDLLOVERRIDES, DISPLAY. Returns non-zero when Xvfb or
# the prefix could not be started; `wine_env_stop` ends the wineserver and the Xvfb it started.

wine_env_log() { printf '== wine_env: %s\n' "$*" >&2; }

# The display recorded in the state dir, when its Xvfb still runs.
wine_env_running_display() {
  local dir=$1 n pid
  [ -f "$dir/wine_env.display" ] && [ -f "$dir/wine_env.xvfb.pid" ] || return 1
  n=$(cat "$dir/wine_env.display") pid=$(cat "$dir/wine_env.xvfb.pid")
  kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ] || return 1
  echo "$n"
}

wine_env_start_xvfb() {
  local dir=$1 n=${TABRIX_WINE_DISPLAY_MIN:-150} pid i
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  # setsid: the server belongs to no job of the calling shell and outlives it.
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
  pid=$!
  for ((i = 0; i < 200; i++)); do  # until its socket exists (at most 20 s)
    [ -S "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -S "/tmp/.X11-unix/X$n" ] || { wine_env_log "Xvfb :$n did not start"; return 1; }
  echo "$n" >"$dir/wine_env.display"
  echo "$pid" >"$dir/wine_env.xvfb.pid"
  echo "$n"
}

# Wine draws the caption buttons with its Marlett font, which Debian's Wine looks for only in the
# prefix's Fonts folder (and fontconfig's fonts, which have no Marlett): without a copy of Wine's
# own fonts there the buttons read "0 1 r". Copies them into the prefix of $WINEPREFIX once.
wine_env_add_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/*.ttf "$fonts/"
  fi
}

wine_env_start() {
  local root dir n
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  dir=${1:-${TABRIX_WINE_DIR:-$root/build/windows}}
  mkdir -p "$dir" || return 1
  dir=$(cd "$dir" && pwd)
  export TABRIX_WINE_DIR=$dir
  export WINEPREFIX=$dir/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  n=$(wine_env_running_display "$dir") || n=$(wine_env_start_xvfb "$dir") || return 1
  # The display must be set before the first Wine process: the desktop process keeps it.
  export DISPLAY=:$n
  mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1  # persistent; a second start finds the running one and ends
  # The registry files are written when the wineserver saves them, so the prefix is marked as
  # prepared by a file of its own once the setting reads back.
  if [ ! -f "$WINEPREFIX/wine_env.prepared2" ]; then
    wine_env_log "preparing the Wine prefix $WINEPREFIX"
    wine wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # A crashing program ends with its backtrace on standard error instead of waiting for
    # somebody to close Wine's crash dialog (a test would hang until its timeout).
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1
    if wine reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>/dev/null | grep -q 'REG_SZ *N'; then
      touch "$WINEPREFIX/wine_env.prepared2"
    else
      wine_env_log "the Wine prefix could not be prepared"
      return 1
    fi
  fi
  wine_env_add_fonts
  # Start the desktop and service processes once, before programs run side by side: two first
  # Wine processes racing to start them can hang.
  wine cmd.exe /c exit >/dev/null 2>&1
}

wine_env_stop() {
  local dir=${TABRIX_WINE_DIR:-} pid
  wineserver -k >/dev/null 2>&1
  [ -n "$dir" ] && [ -f "$dir/wine_env.xvfb.pid" ] || return 0
  pid=$(cat "$dir/wine_env.xvfb.pid")
  kill "$pid" >/dev/null 2>&1
  rm -f "$dir/wine_env.xvfb.pid" "$dir/wine_env.display"
}

# WINE_ENV_NO_START=1: only define the functions.
[ -n "${WINE_ENV_NO_START:-}" ] || wine_env_start "$@"
