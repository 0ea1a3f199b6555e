#!/bin/bash
# The conversion benchmark: the converter's engine (CONVERTQZ on a whole customer export, with
# the program's table and error setup) beside its peers, measured side by side in one run.
#
#   bash bench/convert.sh [SIZES...]        default sizes: 100000 1000000
#
# Env: BUILD (default /work/build-bench/native; configured there when it is not yet),
# WORK (default /work/build-bench/data), RUNS (best of, default 3), PEER_RUNS (best of, for
# ogr2ogr; default 1), PROGRAM (the program folder copied for each run; default demo/program),
# CHECK=1 (also compares mincopy's
# output with the source's live records through python3-dbfread, memo text included).
#
# For each size: the customer export (DBF + FPT) of bench/gen_customers.py, made once, then
#   ours      convert_bench: Open, InitDialog, the workload's fields assigned, CONVERTQZ, CLOSEALL,
#             on a fresh copy of the program folder (made, and Adrim1.* removed, before the
#             clock starts). The target is the template's record (854 bytes with the demo
#             template, about twice the source's 430) with its notes memo. CONVERTQZ ends with
#             CommitArea, which forces the data to the device.
#   mincopy   the least a record-by-record DBF+FPT copy does: each live record and its memo read,
#             written to a new DBF and FPT (plain stdio); "+ fsync" forces both outputs to the
#             device before closing, as the commit does
#   ogr2ogr   GDAL's DBF-to-DBF copy (C/N/D/L fields only, no memo; when installed)
# Every output is removed before its run, outside the timing.
# Prints wall times (best of the runs) with the CPU time (user + system) and the peak resident
# memory of that run, records/s of the source size, and the ratios of our time to each peer's
# (below 2 is the goal against mincopy). The machine may be shared: the CPU times are the
# steadier figure when it is busy.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-/work/build-bench/native}
WORK=${WORK:-/work/build-bench/data}
RUNS=${RUNS:-3}
PEER_RUNS=${PEER_RUNS:-1}
PROGRAM=${PROGRAM:-$here/demo/program}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$BUILD" -G Ninja >/dev/null
fi
mkdir -p "$WORK"
cmake --build "$BUILD" -j 2 --target convert_bench mincopy >"$WORK/build.log" 2>&1 || {
  tail -20 "$WORK/build.log"
  exit 1
}
PY=/usr/bin/python3
[ -x $PY ] || PY=python3
TIME=/usr/bin/time
[ -x $TIME ] || TIME=""

# shellcheck source=bench/workload.sh
source "$here/bench/workload.sh"

[ -f "$PROGRAM/LAND.qzf" ] && [ -f "$PROGRAM/Kndstneu.qzf" ] ||
  { echo "no program folder with LAND.qzf and Kndstneu.qzf: $PROGRAM" >&2; exit 1; }

# measure CMD...: one run; sets T (wall seconds), CPU (user + system seconds), RSS (peak
# resident KiB, "-" without /usr/bin/time) and keeps the command's output in $WORK/last.out.
measure() {
  local s e
  s=$(date +%s%N)
  if [ -n "$TIME" ]; then
    "$TIME" -f "%U %S %M" -o "$WORK/last.time" "$@" >"$WORK/last.out" 2>"$WORK/last.err" || {
      echo "failed: $*" >&2
      tail -5 "$WORK/last.err" >&2
      T=nan
      return
    }
  else
    "$@" >"$WORK/last.out" 2>"$WORK/last.err" || { echo "failed: $*" >&2; T=nan; return; }
  fi
  e=$(date +%s%N)
  T=$(awk -v a="$s" -v b="$e" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
  if [ -n "$TIME" ]; then
    read -r u sy RSS < <(tail -1 "$WORK/last.time")
    CPU=$(awk -v u="$u" -v s="$sy" 'BEGIN { printf "%.2f", u + s }')
  else
    CPU=-
    RSS=-
  fi
}

# best_of N CMD...: the run with the shortest wall time; sets BT, BCPU, BRSS and keeps its
# output in $WORK/best.out. $prepare (a function name, or "") runs before each run, outside
# the timing.
prepare=""
best_of() {
  local n=$1 i
  shift
  BT=nan BCPU=- BRSS=-
  for ((i = 0; i < n; i++)); do
    [ -z "$prepare" ] || $prepare
    measure "$@"
    [ "$T" != nan ] || continue
    if [ "$BT" = nan ] || awk -v t="$T" -v b="$BT" 'BEGIN { exit !(t < b) }'; then
      BT=$T BCPU=$CPU BRSS=$RSS
      cp "$WORK/last.out" "$WORK/best.out"
    fi
  done
}

fresh_program() {
  rm -rf "$WORK/prog"
  cp -r "$PROGRAM" "$WORK/prog"
  rm -f "$WORK"/prog/Adrim1.*
}
fresh_copy() { rm -f "$WORK"/mincopy.dbf "$WORK"/mincopy.fpt; }
fresh_ogr() { rm -f "$WORK"/ogr.*; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "nan" || b == "nan") print "-"; else printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { if (k == "-") print "-"; else printf "%.1f", k / 1024 }'; }
row() {  # name seconds cpu rss records [ours-seconds]
  local name=$1 t=$2 cpu=$3 rss=$4 n=$5 ours=${6:-} rate r=""
  if [ "$t" = nan ]; then
    printf '  %-28s %10s\n' "$name" failed
    return
  fi
  rate=$(awk -v t="$t" -v n="$n" 'BEGIN { printf "%.0f", n / t }')
  [ -z "$ours" ] || r="ours = $(ratio "$ours" "$t")x its time"
  printf '  %-28s %8.3f s  cpu %6s s  %9s rec/s  peak %7s MiB   %s\n' "$name" "$t" "$cpu" "$rate" \
    "$(mib "$rss")" "$r"
}

have_ogr=0
command -v ogr2ogr >/dev/null && have_ogr=1

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
  "load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "program folder: $PROGRAM"
echo "best of $RUNS runs (ogr2ogr: best of $PEER_RUNS)"
summary=()
first_rss="" last_rss="" first_n="" last_n=""
for n in "${sizes[@]}"; do
  src=$WORK/src$n.dbf
  workload "$src" "$n"
  bytes=$(($(stat -c %s "$src") + $(stat -c %s "${src%.dbf}.fpt")))
  echo
  echo "== $n records, DBF+FPT $((bytes / 1048576)) MiB"

  prepare=fresh_program
  best_of "$RUNS" "$BUILD/bench/convert_bench" "$WORK/prog" "$src"
  ours=$BT ours_cpu=$BCPU ours_rss=$BRSS
  line=$(cat "$WORK/best.out" 2>/dev/null || true)
  field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$line"; }
  converted=$(field records) engine=$(field seconds) texts=$(field progress_texts)
  pumps=$(field pumps) choosers=$(field choosers) selfrss=$(field peak_rss_kb)
  [ "$ours_rss" != - ] || ours_rss=${selfrss:--}
  du=$(du -sk "$WORK/prog" | cut -f1)
  row "tabrix convert (process)" "$ours" "$ours_cpu" "$ours_rss" "$n"
  echo "    converted ${converted:-?} records; CONVERTQZ alone ${engine:-?} s;" \
    "progress renewals ${texts:-?}, pumps ${pumps:-?}, choosers ${choosers:-?};" \
    "program folder after the run $((du / 1024)) MiB"

  prepare=fresh_copy
  best_of "$RUNS" "$BUILD/bench/mincopy" "$src" "${src%.dbf}.fpt" "$WORK/mincopy.dbf" "$WORK/mincopy.fpt"
  copy=$BT copy_rss=$BRSS
  row "mincopy DBF+FPT" "$BT" "$BCPU" "$BRSS" "$n" "$ours"
  echo "    $(cat "$WORK/best.out" 2>/dev/null || true)"
  if [ "${CHECK:-0}" = 1 ]; then
    $PY -c '
import sys, dbfread
live = [r for r in dbfread.DBF(sys.argv[1], encoding="cp850")]
copy = list(dbfread.DBF(sys.argv[2], encoding="cp850"))
print("    check: mincopy output", "reads back equal to the live records" if live == copy
      else "DIFFERS from the live records", "(%d records)" % len(copy))' "$src" "$WORK/mincopy.dbf"
  fi
  best_of "$RUNS" "$BUILD/bench/mincopy" -s "$src" "${src%.dbf}.fpt" "$WORK/mincopy.dbf" \
    "$WORK/mincopy.fpt"
  durable=$BT
  row "mincopy DBF+FPT + fsync" "$BT" "$BCPU" "$BRSS" "$n" "$ours"

  ogr=nan ogr_rss=-
  if [ $have_ogr = 1 ]; then
    prepare=fresh_ogr
    best_of "$PEER_RUNS" ogr2ogr -overwrite --config SHAPE_ENCODING "" -f "ESRI Shapefile" \
      "$WORK/ogr.dbf" "$src"
    ogr=$BT ogr_rss=$BRSS
    row "GDAL ogr2ogr DBF copy" "$BT" "$BCPU" "$BRSS" "$n" "$ours"
  fi
  prepare=""
  summary+=("$(printf '%9s %8s %7s %9s %9s %6s %8s %6s %9s %6s %8s %8s %8s' "$n" "$ours" \
    "$ours_cpu" \
    "$(awk -v t="$ours" -v n="$n" 'BEGIN { if (t == "nan") print "-"; else printf "%.0f", n / t }')" \
    "$copy" "$(ratio "$ours" "$copy")" "$durable" "$(ratio "$ours" "$durable")" "$ogr" \
    "$(ratio "$ours" "$ogr")" "$(mib "$ours_rss")" "$(mib "$copy_rss")" "$(mib "$ogr_rss")")")
  [ -n "$first_rss" ] || first_rss=$ours_rss first_n=$n
  last_rss=$ours_rss last_n=$n
  rm -rf "$WORK/prog" "$WORK"/mincopy.* "$WORK"/ogr.*
done

echo
echo "summary (s: best wall time; cpu: its user + system seconds; ratio: our time / the peer's;"
echo "RSS: peak MiB)"
printf '%9s %8s %7s %9s %9s %6s %8s %6s %9s %6s %8s %8s %8s\n' size "ours s" "cpu s" "rec/s" \
  "mincopy s" ratio "+fsync s" ratio "ogr2ogr s" ratio "RSS ours" "RSS min" "RSS ogr"
for s in "${summary[@]}"; do echo "$s"; done
if [ "$first_n" != "$last_n" ] && [ "$first_rss" != - ] && [ "$last_rss" != - ]; then
  echo "peak RSS of ours, $last_n / $first_n records: $(ratio "$last_rss" "$first_rss")"
fi
