#!/bin/bash
# Benchmarks of the table layer against its peers, measured side by side in one run.
#
#   bash bench/run.sh [SIZES...]        default sizes: 100000 1000000
#
# Env: BUILD (default build/native), WORK (default build/bench-data), RUNS (best of, default 3),
# PEER_RUNS (best of, for the slow peers dbfread and ogr2ogr; default 1).
#
# For each size: the customer-export table (DBF + FPT) from bench/gen_customers.py, then
#   read    ours: every field of every live record with memo text, through the table areas
#                 (OpenTable, GoTop/Skip, GetFieldInto with one value per field kept across
#                 records, as a reader of whole tables uses it: table_bench read)
#           ours, format level: the same with the format decoders alone (table_bench
#                 read-direct), to show what the area layer costs
#           dbfread: the same through python3-dbfread (when installed)
#           ogr2ogr: a DBF-to-DBF copy by GDAL (C/N/D/L only; when installed)
#           bytecopy: copying the DBF and FPT bytes, nothing else (the floor)
#   append  ours: a new FoxPro-2 table with FPT and the same number of records, each with a memo,
#                 through the areas (CreateTable, AppendRecord, PutField, CommitArea, CloseArea;
#                 each record's values built once into reused strings, as a converter fills them);
#                 format level: the encoders alone (table_bench append-direct)
#           bytecopy + fsync: the same copy forced to the device before closing, the floor of a
#                 durable write (CommitArea and CloseArea leave the data on the device when they
#                 return; the plain copy, like the format level, only hands it to the system)
# Every timed run that writes starts without its output files (removed before the clock
# starts), so no run pays for emptying the previous run's files.
# Prints wall times (best of the runs), records/s and the ratios to each peer (peer time / our
# time: above 1 means we are faster; for bytecopy, our time / its time: how far above the floor).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$here/build/native}
WORK=${WORK:-$here/build/bench-data}
RUNS=${RUNS:-3}
PEER_RUNS=${PEER_RUNS:-1}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)

cmake --build "$BUILD" --target table_bench bytecopy >/dev/null
mkdir -p "$WORK"
PY=/usr/bin/python3
[ -x $PY ] || PY=python3

# shellcheck source=bench/workload.sh
source "$here/bench/workload.sh"

# best_of N CMD...: runs CMD N times, prints the shortest wall time in seconds. The files named
# by $fresh are removed before each run, outside the timing.
fresh=""
best_of() {
  local n=$1 best="" s e t
  shift
  for ((i = 0; i < n; i++)); do
    # shellcheck disable=SC2086
    [ -z "$fresh" ] || rm -f $fresh
    s=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; echo "nan"; return; }
    e=$(date +%s%N)
    t=$(awk -v a="$s" -v b="$e" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

row() {  # name seconds records [ours-seconds mode]
  local name=$1 t=$2 n=$3 ours=${4:-} mode=${5:-}
  if [ "$t" = "nan" ]; then
    printf '  %-30s %10s\n' "$name" "failed"
    return
  fi
  local rate ratio=""
  rate=$(awk -v t="$t" -v n="$n" 'BEGIN { printf "%.0f", n / t }')
  if [ -n "$ours" ] && [ "$ours" != "nan" ]; then
    if [ "$mode" = floor ]; then
      ratio=$(awk -v t="$t" -v o="$ours" 'BEGIN { printf "ours = %.2fx its time", o / t }')
    else
      ratio=$(awk -v t="$t" -v o="$ours" 'BEGIN { printf "ours %.2fx as fast", t / o }')
    fi
  fi
  printf '  %-30s %9.3f s %12s rec/s   %s\n' "$name" "$t" "$rate" "$ratio"
}

dbfread_all() {
  $PY -c '
import sys, dbfread
n = 0
for r in dbfread.DBF(sys.argv[1], encoding="cp850"):
    for v in r.values():
        n += 1
print(n)' "$1"
}

have_dbfread=0
$PY -c 'import dbfread' 2>/dev/null && have_dbfread=1
have_ogr=0
command -v ogr2ogr >/dev/null && have_ogr=1

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "best of $RUNS runs (peers dbfread and ogr2ogr: best of $PEER_RUNS)"
for n in "${sizes[@]}"; do
  src=$WORK/src$n.dbf
  workload "$src" "$n"
  live=$("$BUILD/bench/table_bench" read "$src" | sed 's/.*records=\([0-9]*\).*/\1/')
  bytes=$(($(stat -c %s "$src") + $(stat -c %s "${src%.dbf}.fpt")))
  echo
  echo "== $n records ($live live), DBF+FPT $((bytes / 1048576)) MiB"
  echo " read every field of every record"
  ours=$(best_of "$RUNS" "$BUILD/bench/table_bench" read "$src")
  row "tabrix read" "$ours" "$n"
  row "tabrix read, format level" "$(best_of "$RUNS" "$BUILD/bench/table_bench" read-direct "$src")" \
    "$n"
  if [ $have_dbfread = 1 ]; then
    row "python3-dbfread read" "$(best_of "$PEER_RUNS" dbfread_all "$src")" "$n" "$ours"
  fi
  if [ $have_ogr = 1 ]; then
    rm -f "$WORK/ogr$n.dbf"
    t=$(best_of "$PEER_RUNS" ogr2ogr -overwrite --config SHAPE_ENCODING "" \
      -f "ESRI Shapefile" "$WORK/ogr$n.dbf" "$src")
    row "GDAL ogr2ogr DBF copy" "$t" "$n" "$ours"
  fi
  fresh="$WORK/copy$n.dbf $WORK/copy$n.fpt"
  copy=$(best_of "$RUNS" "$BUILD/bench/bytecopy" "$src" "$WORK/copy$n.dbf" \
    "${src%.dbf}.fpt" "$WORK/copy$n.fpt")
  durable=$(best_of "$RUNS" "$BUILD/bench/bytecopy" -s "$src" "$WORK/copy$n.dbf" \
    "${src%.dbf}.fpt" "$WORK/copy$n.fpt")
  fresh=""
  row "bytecopy DBF+FPT" "$copy" "$n" "$ours" floor

  echo " append records with a memo (new FoxPro-2 table with FPT)"
  fresh="$WORK/append$n.dbf $WORK/append$n.fpt"
  ours=$(best_of "$RUNS" "$BUILD/bench/table_bench" append "$WORK/append$n.dbf" "$n")
  row "tabrix append" "$ours" "$n"
  row "tabrix append, format level" \
    "$(best_of "$RUNS" "$BUILD/bench/table_bench" append-direct "$WORK/append$n.dbf" "$n")" "$n"
  fresh=""
  if [ $have_ogr = 1 ] && [ -n "${t:-}" ]; then
    row "GDAL ogr2ogr DBF copy" "$t" "$n" "$ours"
  fi
  row "bytecopy DBF+FPT" "$copy" "$n" "$ours" floor
  row "bytecopy DBF+FPT + fsync" "$durable" "$n" "$ours" floor
  rm -f "$WORK"/copy$n.* "$WORK"/ogr$n.* "$WORK"/append$n.*
done
