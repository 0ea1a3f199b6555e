#!/bin/bash
# Browse benchmark: ns per browse move at 10,000, 100,000 and 1,000,000 records, in record order
# and in a CDX order, the 1,000,000 / 10,000 ratio of each figure (flat: at most 1.2) and the
# peak resident memory of each run.
#
#   bash bench/browse.sh [RECORDS...]        default: 10000 100000 1000000
#
# Env: BUILD (default build/native), WORK (default build/bench-data), REPEATS (default 2000).
# Tables are generated once into WORK (BR<RECORDS>.DBF/.CDX) and reused.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$here/build/native}
WORK=${WORK:-$here/build/bench-data}
REPEATS=${REPEATS:-2000}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
cmake --build "$BUILD" --target browse_bench >/dev/null
mkdir -p "$WORK"
for n in "${sizes[@]}"; do
  [ -f "$WORK/BR$n.DBF" ] && ls "$WORK/BR$n".[cC][dD][xX] >/dev/null 2>&1 || "$BUILD/bench/browse_bench" create "$WORK" "$n"
done
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
printf '%9s %-6s %10s %10s %10s %10s %12s %10s %10s\n' records order linedown pagedown end home \
  thumb-mid type floor
for n in "${sizes[@]}"; do
  "$BUILD/bench/browse_bench" run "$WORK" "$n" "$REPEATS" | tee -a "$out"
done
first=${sizes[0]}
last=${sizes[${#sizes[@]}-1]}
echo
echo "ratio $last / $first (ns per operation):"
awk -v a="$first" -v b="$last" '
  $3 == "RSS" { next }
  { for (i = 3; i <= 9; i++) v[$1, $2, i] = $i; orders[$2] = 1 }
  END {
    split("linedown pagedown end home thumb-mid type floor", names, " ")
    for (o in orders) {
      line = sprintf("%-6s", o)
      for (i = 3; i <= 9; i++) {
        x = v[a, o, i]; y = v[b, o, i]
        line = line sprintf(" %s %s", names[i - 2], (x > 0 ? sprintf("%.2f", y / x) : "-"))
      }
      print line
    }
  }' "$out"
