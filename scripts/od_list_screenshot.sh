#!/usr/bin/env bash
# Screenshot of the owner-drawn list demo inside Wine's virtual desktop, kept as the build
# artifact <windows build>/artifacts/od_list_dialog.png.
#   usage: od_list_screenshot.sh <windows build dir>
# Expects DISPLAY, WINEPREFIX and a running wineserver (scripts/test.sh sets them up). Waits on
# the demo's ready event, never on the clock; exits non-zero when no screenshot was taken.
set -u
build=$1
exe=$build/tests/framework/od_list_demo.exe
out=$build/artifacts/od_list_dialog.png
[ -f "$exe" ] || { echo "screenshot: $exe missing"; exit 1; }
mkdir -p "$build/artifacts"
rm -f "$out"

timeout 120 wine explorer /desktop=shot,1280x1024 "$exe" >/dev/null 2>&1 &
desktop=$!
status=0
if timeout 90 wine "$exe" --wait-ready 60000 >/dev/null 2>&1; then
  import -window root "$out" || status=1
else
  echo "screenshot: the list demo did not come up"
  status=1
fi
timeout 30 wine "$exe" --quit >/dev/null 2>&1
wait "$desktop"
[ -s "$out" ] || status=1
[ "$status" = 0 ] && echo "screenshot: $out"
exit "$status"
