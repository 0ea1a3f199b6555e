#!/usr/bin/env bash
# Screenshots of the source data viewer over a source of 1,000,000 records: as it opens, with the
# thumb dragged to the middle, to the end and to the top.
#
#   bash scripts/viewer_shots.sh [RECORDS]        default 1000000
#
# Prepares the demo installation with scripts/demo.sh (which also converts the demo export once),
# writes the source with bench/gen_customers.py into build/viewer-shots/ (kept for the next run),
# gives it a CDX tag on the upper-cased name and lets build/windows/tests/e2e/tabrix_viewer_shots.exe
# drive the real tabrix.exe. The pictures land in build/windows/artifacts/viewer/*.png.
set -u -o pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TABRIX_BUILD_DIR:-$root/build}
win=$build/windows
records=${1:-1000000}
data=$build/viewer-shots
out=$win/artifacts/viewer
install=${TABRIX_DEMO_OUT:-$root/demo/out}

log() { printf '== %s\n' "$*"; }
die() { printf 'viewer shots: %s\n' "$*" >&2; exit 1; }

TABRIX_DEMO_AUTOPILOT=1 bash "$root/scripts/demo.sh" >"$build/viewer-shots.demo.log" 2>&1 ||
  { tail -20 "$build/viewer-shots.demo.log"; die "the demo installation could not be prepared"; }
cmake --build "$win" --target tabrix_viewer_shots >"$build/viewer-shots.build.log" 2>&1 ||
  { tail -40 "$build/viewer-shots.build.log"; die "the build failed"; }

mkdir -p "$data"
source_table=$data/KUNDEN$records.DBF
if [ ! -f "$source_table" ]; then
  log "writing $source_table"
  python3 "$root/bench/gen_customers.py" "$source_table" -n "$records" || die "no source table"
fi

# shellcheck source=wine_env.sh
source "$root/scripts/wine_env.sh" "$win" || die "Wine could not be started"
trap wine_env_stop EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
rm -rf "$out"
mkdir -p "$out"
log "the viewer over $records records (display $DISPLAY)"
wine "$win/tests/e2e/tabrix_viewer_shots.exe" "$(winpath "$install")" "$(winpath "$source_table")" \
  "$(winpath "$out")" 2>/dev/null | tr -d '\r'
status=$?
for bmp in "$out"/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$out"
exit "$status"
