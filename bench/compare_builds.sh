#!/bin/bash
# Two builds of the table layer against each other, run by turns in one run, so that a busy
# machine slows both alike: the before/after figure of a change.
#
#   bash bench/compare_builds.sh BUILD_BEFORE BUILD_AFTER [SIZES...]   default sizes: 100000
#
# Each build folder must hold bench/table_bench (and bench/convert_bench for the conversion
# row). Env: WORK (default build/bench-data), RUNS (turns per build, default 7), PROGRAM (the
# program folder for the conversion, default demo/program).
# For each size and each operation of bench/run.sh (read, read format level, append, append
# format level) and the conversion of bench/convert.sh: the best time of each build over the
# turns and the ratio after/before (below 1: the change made it faster).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] || { sed -n '2,12p' "$0"; exit 2; }
before=$1 after=$2
shift 2
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000)
WORK=${WORK:-$here/build/bench-data}
RUNS=${RUNS:-7}
PROGRAM=${PROGRAM:-$here/demo/program}
mkdir -p "$WORK"
PY=/usr/bin/python3
[ -x $PY ] || PY=python3
# shellcheck source=bench/workload.sh
source "$here/bench/workload.sh"

# seconds BUILD OP SRC N: one run's own time (the seconds= the benchmark prints).
seconds() {
  local build=$1 op=$2 src=$3 n=$4 out
  rm -f "$WORK"/ab.dbf "$WORK"/ab.fpt
  case $op in
    read | read-direct) out=$("$build/bench/table_bench" "$op" "$src") ;;
    append | append-direct) out=$("$build/bench/table_bench" "$op" "$WORK/ab.dbf" "$n") ;;
    convert)
      rm -rf "$WORK/ab-prog"
      cp -r "$PROGRAM" "$WORK/ab-prog"
      rm -f "$WORK"/ab-prog/Adrim1.*
      out=$("$build/bench/convert_bench" "$WORK/ab-prog" "$src" 2>/dev/null)
      ;;
  esac
  sed -n 's/.* seconds=\([0-9.]*\).*/\1/p' <<<" $out"
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); best of $RUNS turns"
echo "before: $before"
echo "after:  $after"
for n in "${sizes[@]}"; do
  src=$WORK/src$n.dbf
  workload "$src" "$n"
  echo
  echo "== $n records"
  printf '  %-22s %10s %10s %8s\n' operation before after ratio
  for op in read read-direct append append-direct convert; do
    if [ $op = convert ] && ! [ -x "$before/bench/convert_bench" -a -x "$after/bench/convert_bench" ]; then
      continue
    fi
    b="" a=""
    for ((i = 0; i < RUNS; i++)); do
      t=$(seconds "$before" $op "$src" "$n")
      if [ -z "$b" ] || awk -v t="$t" -v b="$b" 'BEGIN { exit !(t < b) }'; then b=$t; fi
      t=$(seconds "$after" $op "$src" "$n")
      if [ -z "$a" ] || awk -v t="$t" -v b="$a" 'BEGIN { exit !(t < b) }'; then a=$t; fi
    done
    printf '  %-22s %9.4fs %9.4fs %8s\n' "$op" "$b" "$a" \
      "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')"
  done
done
