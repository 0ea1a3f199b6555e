#!/usr/bin/env bash
# Screenshot of the framework's test program (ZB_APP frame with its two-list dialog) inside
# Wine's virtual desktop, kept as the build artifact <windows build>/artifacts/zbdemo_dialog.png.
#   usage: zbdemo_screenshot.sh <windows build dir>
# Expects DISPLAY, WINEPREFIX and a running wineserver (scripts/test.sh sets them up). Waits on
# the program's ready event, never on the clock; exits non-zero when no screenshot was taken.
set -u
build=$1
exe=$build/src/framework/zbdemo.exe
out=$build/artifacts/zbdemo_dialog.png
ready=TabrixZbdemoShotReady
quit=TabrixZbdemoShotQuit
[ -f "$exe" ] || { echo "screenshot: $exe missing"; exit 1; }
mkdir -p "$build/artifacts"
rm -f "$out"

timeout 120 wine explorer /desktop=shot,1280x1024 "$exe" "/ready=$ready" "/quit=$quit" >/dev/null 2>&1 &
desktop=$!
status=0
if timeout 90 wine "$exe" --wait-ready "$ready" 60000 >/dev/null 2>&1; then
  import -window root "$out" || status=1
else
  echo "screenshot: the test program did not come up"
  status=1
fi
timeout 30 wine "$exe" --quit "$quit" >/dev/null 2>&1
wait "$desktop"
[ -s "$out" ] || status=1
[ "$status" = 0 ] && echo "screenshot: $out"
exit "$status"
