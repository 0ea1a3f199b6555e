#!/bin/bash
# CDX index benchmark: build, seek and walk of 1,000,000 generated customer keys beside sort(1).
#
#   bash bench/index.sh [RECORDS...]        default: 1000000
#
# Env: BUILD (default build/native), WORK (default build/bench-data). Each size runs twice: with
# the default 64 MiB sort buffer and with 8 MiB (the sorter spills runs), so the peak memory of
# both shows what grows with the record count and what with the buffer.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$here/build/native}
WORK=${WORK:-$here/build/bench-data}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000000)
cmake --build "$BUILD" --target index_bench >/dev/null
mkdir -p "$WORK"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
for n in "${sizes[@]}"; do
  for mib in 64 8; do
    echo
    "$BUILD/bench/index_bench" "$WORK" "$n" "$mib"
  done
done
