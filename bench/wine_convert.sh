#!/bin/bash
# The conversion under Wine: the real tabrix.exe with its progress dialog, driven as a user would
# (tests/e2e/tabrix_timing_win_main.cpp), beside the native engine (bench/convert_bench.cpp) on
# the same source table and assignment, measured in one run.
#
#   bash bench/wine_convert.sh [SIZE]        default size: 100000 records
#
# Env: WORK (default /work/build-winbench/data; the source tables src<SIZE>.dbf/.fpt of
# bench/gen_customers.py, named as bench/convert.sh names them, and the installations),
# WIN_BUILD (default /work/build-winbench/windows; configured there with the MinGW toolchain when
# it is not yet), NATIVE_BUILD (default /work/build-winbench/native), RUNS (best of, default 3),
# POLL_MS (how often the driver looks at the program between the questions, default 10; after
# an answer it looks every millisecond for a quarter of a second), WINE_BENCH=0 (skip
# convert_bench cross-compiled as a Windows console program and run under Wine), JOBS (build
# jobs, default 2), WINE_STATE (default $WIN_BUILD/winebench: the Wine prefix, display and
# wineserver of scripts/wine_env.sh; stopped at the end when this script started them),
# WINE_CPU (a CPU number: the wineserver and every measured program run on that CPU alone).
#
# Every request of a Wine program is a round trip to the wineserver; when the two run on
# different CPUs each trip wakes the other CPU, which on a virtual machine costs far more than
# the request (the program's time under Wine can double, and it varies from run to run with
# what else the machine runs). WINE_CPU keeps them on one CPU: steadier figures, and the figure
# of a machine where that cost is low.
#
# Measured, each the best of RUNS:
#   native      convert_bench on a fresh copy of demo/program: CONVERTQZ alone (the engine, every
#               question answered at once by a window side without windows).
#   Wine bench  the same convert_bench.exe under Wine (the engine with Wine's file calls and C
#               runtime, no windows).
#   Wine GUI    tabrix.exe under Wine on a fresh installation (demo/program with tabrix.exe and
#               ZBRES32.DLL, the product folder with QZX.ini, QZ.ini in the prefix's Windows
#               folder): from the click on "Konvertieren" to the protocol dialog filled in,
#               less the time the program waited for the driver's answers (the wall time is
#               printed too). The assignment is convert_bench's, made in the converter dialog;
#               UMSATZ goes to the remark before BEMERK (the other way round the dialog refuses
#               UMSATZ: no room left), so the remark reads "UMSATZ; BEMERK" cut to its length.
# Records per second are of the records converted (the protocol's count). The ratio of the Wine
# GUI rate to the native rate is the figure to watch (the goal is 0.5 or more). The machine may
# be shared: the CPU seconds of the program, the wineserver and the X server during the Wine
# conversion are printed with it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
SIZE=${1:-100000}
WORK=${WORK:-/work/build-winbench/data}
WIN_BUILD=${WIN_BUILD:-/work/build-winbench/windows}
NATIVE_BUILD=${NATIVE_BUILD:-/work/build-winbench/native}
RUNS=${RUNS:-3}
POLL_MS=${POLL_MS:-10}
WINE_BENCH=${WINE_BENCH:-1}
JOBS=${JOBS:-2}
WINE_STATE=${WINE_STATE:-$WIN_BUILD/winebench}
PY=/usr/bin/python3
[ -x $PY ] || PY=python3

log() { printf '== %s\n' "$*" >&2; }
die() {
  printf 'wine_convert: %s\n' "$*" >&2
  exit 1
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }  # a Linux path as Wine's drive Z: shows it

mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)

# ---- the source table ----------------------------------------------------------------------
src=$WORK/src$SIZE.dbf
# shellcheck source=bench/workload.sh
source "$here/bench/workload.sh"
workload "$src" "$SIZE"

# ---- builds --------------------------------------------------------------------------------
if [ ! -f "$NATIVE_BUILD/CMakeCache.txt" ]; then
  log "configuring the native build in $NATIVE_BUILD"
  cmake -S "$here" -B "$NATIVE_BUILD" -G Ninja >"$WORK/native.configure.log" 2>&1 ||
    { cat "$WORK/native.configure.log"; die "configuring $NATIVE_BUILD failed"; }
fi
log "building convert_bench in $NATIVE_BUILD"
cmake --build "$NATIVE_BUILD" -j "$JOBS" --target convert_bench >"$WORK/native.build.log" 2>&1 ||
  { tail -30 "$WORK/native.build.log"; die "the native build failed"; }

if [ ! -f "$WIN_BUILD/CMakeCache.txt" ]; then
  log "configuring the Windows build in $WIN_BUILD"
  cmake -S "$here" -B "$WIN_BUILD" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" >"$WORK/windows.configure.log" 2>&1 ||
    { cat "$WORK/windows.configure.log"; die "configuring $WIN_BUILD failed"; }
fi
log "building tabrix.exe and tabrix_timing.exe in $WIN_BUILD"
cmake --build "$WIN_BUILD" -j "$JOBS" --target tabrix tabrix_timing >"$WORK/windows.build.log" 2>&1 ||
  { grep -E -B2 -A12 'error|Error' "$WORK/windows.build.log" | head -60; die "the Windows build failed"; }
exe=$WIN_BUILD/src/converter/tabrix.exe
timing=$WIN_BUILD/tests/e2e/tabrix_timing.exe
[ -f "$exe" ] && [ -f "$WIN_BUILD/src/converter/ZBRES32.DLL" ] && [ -f "$timing" ] ||
  die "tabrix.exe, ZBRES32.DLL or tabrix_timing.exe missing in $WIN_BUILD"

# convert_bench as a Windows console program: compiled with the flags of the Windows build's
# converter sources and linked as tabrix.exe is (without -mwindows). Its getrusage comes from a
# small header of this script's own (the peak working set).
wbench=""
if [ "$WINE_BENCH" = 1 ]; then
  out=$WIN_BUILD/winbench
  mkdir -p "$out/shim/sys"
  cat >"$out/shim/sys/resource.h" <<'EOF'
// getrusage for bench/convert_bench.cpp in the MinGW build (written by bench/wine_convert.sh).
#pragma once
#include <windows.h>
#include <psapi.h>
#define RUSAGE_SELF 0
struct rusage {
  long ru_maxrss;
};
static inline int getrusage(int, struct rusage* u) {
  PROCESS_MEMORY_COUNTERS c;
  c.cb = sizeof c;
  u->ru_maxrss = GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c)
                     ? static_cast<long>(c.PeakWorkingSetSize / 1024)
                     : 0;
  return 0;
}
EOF
  if ! (
    cd "$WIN_BUILD" &&
      compile=$($PY - "$WIN_BUILD/compile_commands.json" <<'EOF'
import json, shlex, sys
for e in json.load(open(sys.argv[1])):
    if e["file"].endswith("src/converter/converter_job.cpp"):
        args = shlex.split(e["command"])
        keep, skip = [], False
        for a in args:
            if skip:
                skip = False
            elif a in ("-o", "-c"):
                skip = True
            else:
                keep.append(a)
        print(shlex.join(keep))
        break
EOF
      ) &&
      [ -n "$compile" ] &&
      eval "$compile -I$out/shim -c $here/bench/convert_bench.cpp -o $out/convert_bench.obj" &&
      link=$(ninja -t commands src/converter/tabrix.exe | grep -- '-o src/converter/tabrix.exe' |
        tail -1 | sed -e 's/^: && //' -e 's/ && .*$//' -e 's/ -mwindows / /' \
          -e 's| [^ ]*tabrix\.rc\.res | |' -e 's| [^ ]*tabrix_win_main\.cpp\.obj | winbench/convert_bench.obj |' \
          -e 's|-o src/converter/tabrix.exe|-o winbench/convert_bench.exe|' \
          -e 's| -Wl,--out-implib,[^ ]*| |') &&
      [ -n "$link" ] && eval "$link -lpsapi"
  ) >"$WORK/winbench.build.log" 2>&1; then
    tail -20 "$WORK/winbench.build.log" >&2
    log "convert_bench.exe could not be built: skipped"
  else
    wbench=$out/convert_bench.exe
  fi
fi

# ---- Wine ----------------------------------------------------------------------------------
reused=
if [ -f "$WINE_STATE/wine_env.xvfb.pid" ] && kill -0 "$(cat "$WINE_STATE/wine_env.xvfb.pid")" 2>/dev/null; then
  reused=1
fi
# shellcheck source=../scripts/wine_env.sh
source "$here/scripts/wine_env.sh" "$WINE_STATE" || die "Wine could not be started"
# The CPU time of this prefix's wineserver and of the display, read by the driver from /proc.
wineserver_pid=""
for p in $(pgrep wineserver || true); do
  if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
    wineserver_pid=$p
  fi
done
pin=()
if [ -n "${WINE_CPU:-}" ]; then
  [ -n "$wineserver_pid" ] || die "no wineserver of $WINEPREFIX to put on CPU $WINE_CPU"
  taskset -pc "$WINE_CPU" "$wineserver_pid" >/dev/null || die "cannot put the wineserver on CPU $WINE_CPU"
  pin=(taskset -c "$WINE_CPU")
fi
cleanup() {
  if [ -n "${WINE_CPU:-}" ] && [ -n "$reused" ]; then
    taskset -pc "0-$(($(nproc) - 1))" "$wineserver_pid" >/dev/null 2>&1 || true
  fi
  [ -n "$reused" ] || wine_env_stop
}
trap cleanup EXIT
export TABRIX_TIMING_UNIX_PIDS="${wineserver_pid:+wineserver=$wineserver_pid }xvfb=$(cat "$WINE_STATE/wine_env.xvfb.pid")"

install=$WORK/wine-install
fresh_installation() {
  rm -rf "$install"
  mkdir -p "$install/program" "$install/product" "$install/appdata/Velarto" "$install/work"
  cp "$here"/demo/program/* "$install/program/"
  cp "$exe" "$WIN_BUILD/src/converter/ZBRES32.DLL" "$install/program/"
  cp "$here/demo/product/QZX.ini" "$install/product/"
  # The choosers start in the source's folder and the work folder.
  printf '[Tabrix]\r\nLASTPATH=%s\r\nLASTPATH2=%s\r\nLASTPATH3=%s\r\n' "$(winpath "$WORK")" \
    "$(winpath "$install/work")" "$(winpath "$install/work")" >"$install/appdata/Velarto/qz.ini"
  # The product's QZ.ini in the prefix's Windows folder, PATH the product folder (CR LF kept).
  $PY "$here/scripts/qz_ini.py" "$here/demo/product/QZ.ini" "$WINEPREFIX/drive_c/windows/QZ.ini" \
    "$(winpath "$install/product")\\" || die "cannot write QZ.ini"
}
fresh_program() {
  rm -rf "$WORK/prog"
  cp -r "$here/demo/program" "$WORK/prog"
  rm -f "$WORK"/prog/Adrim1.*
}

# field NAME LINE: the value of NAME=... in a "key=value ..." line.
field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2"; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(b == "" || a < b) }'; }
rate() { awk -v n="$1" -v t="$2" 'BEGIN { if (t == "" || t <= 0) print "-"; else printf "%.0f", n / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }

# bench_runs CMD...: convert_bench RUNS times on fresh program folders; sets BEST (its output
# line with the shortest CONVERTQZ time) and WALLS (the process wall times).
bench_runs() {
  local i line s e secs best_s=""
  BEST="" WALLS=""
  for ((i = 0; i < RUNS; i++)); do
    fresh_program
    s=$(date +%s%N)
    if ! line=$("$@" 2>"$WORK/bench.err" | tr -d '\r' | grep 'records='); then
      tail -5 "$WORK/bench.err" >&2
      continue
    fi
    e=$(date +%s%N)
    WALLS+="$(awk -v a="$s" -v b="$e" 'BEGIN { printf "%.3f", (b - a) / 1e9 }') "
    secs=$(field seconds "$line")
    if smaller "$secs" "$best_s"; then best_s=$secs BEST=$line; fi
  done
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
  "load $(cut -d' ' -f1-3 /proc/loadavg); $(wine --version 2>/dev/null)"
bytes=$(($(stat -c %s "$src") + $(stat -c %s "${src%.dbf}.fpt")))
placement="no CPU pinning (WINE_CPU)"
[ -z "${WINE_CPU:-}" ] || placement="the measured programs and the wineserver on CPU $WINE_CPU"
echo "source: $src, $SIZE records, DBF+FPT $((bytes / 1048576)) MiB; best of $RUNS runs; $placement"

log "native convert_bench"
bench_runs "${pin[@]}" "$NATIVE_BUILD/bench/convert_bench" "$WORK/prog" "$src"
native=$BEST
[ -n "$native" ] || die "convert_bench failed"
n_records=$(field records "$native") n_secs=$(field seconds "$native") n_walls=$WALLS
n_rate=$(rate "$n_records" "$n_secs")

w_line="" w_rate="-"
if [ -n "$wbench" ]; then
  log "convert_bench.exe under Wine"
  bench_runs "${pin[@]}" wine "$wbench" "$WORK/prog" "$src"
  w_line=$BEST w_walls=$WALLS
  [ -z "$w_line" ] || w_rate=$(rate "$(field records "$w_line")" "$(field seconds "$w_line")")
fi

# The country links of the workload, as a technician saves them after the first conversion: every
# designation of the source (its LAND values, 30 wide as the target's LAND holds them) linked to
# the first country. Loaded with "aus Datei" at the first question of the repeat runs.
links=$WORK/links$SIZE.LVK
$PY - "$src" "$links" <<'EOF' || die "cannot write the country links"
import struct, sys
src, out = sys.argv[1:3]
data = open(src, "rb").read()
count, header, length = struct.unpack_from("<IHH", data, 4)
offset, land = 1, None
for pos in range(32, header - 1, 32):
    if data[pos] == 0x0D:
        break
    name = data[pos:pos + 11].split(b"\0")[0]
    width = data[pos + 16]
    if name == b"LAND":
        land = (offset, width)
    offset += width
designations = []
for n in range(count):
    rec = data[header + n * length: header + (n + 1) * length]
    if len(rec) < length or rec[:1] == b"*":
        continue
    value = rec[land[0]:land[0] + land[1]].ljust(30)[:30]
    if value not in designations:
        designations.append(value)
with open(out, "wb") as f:
    f.write(b"Tabrix-LVK")
    for d in designations:
        f.write(b"%3d" % len(d) + d + b"%4d\r\n" % 1)
EOF

# gui_runs LABEL ARGS...: tabrix_timing RUNS times on fresh installations; sets G_BEST (the
# timing line with the shortest net time) and G_LOG.
gui_runs() {
  local label=$1 i runlog line net best_net=""
  shift
  log "tabrix.exe under Wine (display $DISPLAY), $label, $RUNS runs"
  G_BEST="" G_LOG=""
  for ((i = 1; i <= RUNS; i++)); do
    fresh_installation
    runlog=$WORK/wine_gui_${label// /_}_run$i.log
    (cd "$install/work" && timeout 2400 "${pin[@]}" wine "$timing" "$(winpath "$install")" \
      "$(winpath "$src")" --poll-ms "$POLL_MS" "$@") 2>"$runlog.err" | tr -d '\r' >"$runlog" ||
      true
    line=$(grep '^timing: records=' "$runlog" || true)
    if [ -z "$line" ]; then
      echo "  run $i failed:" >&2
      grep -v '^timing: \(assigned\|box\|chooser\)' "$runlog" | tail -5 >&2
      continue
    fi
    net=$(field net_seconds "$line")
    log "run $i: $(field seconds "$line") s wall, $net s without the driver's answers"
    if smaller "$net" "$best_net"; then best_net=$net G_BEST=$line G_LOG=$runlog; fi
  done
}
gui_runs "first conversion"
g_best=$G_BEST g_log=$G_LOG g_net=$(field net_seconds "$G_BEST")
gui_runs "repeat with saved links" --links "$(winpath "$links")"
r_best=$G_BEST r_log=$G_LOG

echo
printf '  %-44s %9s %12s\n' "" seconds "records/s"
printf '  %-44s %9.3f %12s   (%s records converted; processes %s s)\n' \
  "native convert_bench, CONVERTQZ" "$n_secs" "$n_rate" "$n_records" "${n_walls% }"
if [ -n "$wbench" ]; then
  if [ -n "$w_line" ]; then
    printf '  %-44s %9.3f %12s   (convert_bench.exe; processes %s s)\n' \
      "Wine convert_bench.exe, CONVERTQZ" "$(field seconds "$w_line")" "$w_rate" "${w_walls% }"
  else
    printf '  %-44s %9s\n' "Wine convert_bench.exe, CONVERTQZ" failed
  fi
fi
g_rate="-" g_wall_rate="-"
if [ -n "$g_best" ]; then
  g_records=$(field records "$g_best")
  g_rate=$(rate "$g_records" "$g_net")
  g_wall_rate=$(rate "$g_records" "$(field seconds "$g_best")")
  printf '  %-44s %9.3f %12s   (%s records converted)\n' \
    "Wine tabrix.exe, click to protocol, net" "$g_net" "$g_rate" "$g_records"
  printf '  %-44s %9.3f %12s   (the driver answered %s questions in %s s)\n' \
    "Wine tabrix.exe, click to protocol, wall" "$(field seconds "$g_best")" "$g_wall_rate" \
    "$(field questions "$g_best")" "$(field driver_seconds "$g_best")"
  echo "    of the net time: $(field before_boxes_s "$g_best") s converting up to the message" \
    "boxes, $(field before_choosers_s "$g_best") s until the $(field choosers "$g_best")" \
    "choosers were filled in, $(field tail_s "$g_best") s from the last answer to the protocol"
  echo "    progress dialog: counter changed $(field progress_changes "$g_best") times in" \
    "$(field progress_samples "$g_best") samples ($(field looks "$g_best") looks, every" \
    "$(field poll_ms "$g_best") ms at most)"
  echo "    CPU seconds meanwhile: program $(field program_cpu_s "$g_best")," \
    "wineserver $(field wineserver_cpu_s "$g_best"), Xvfb $(field xvfb_cpu_s "$g_best")," \
    "driver $(field driver_cpu_s "$g_best")  (log: $g_log)"
else
  printf '  %-44s %9s\n' "Wine tabrix.exe" failed
fi
r_rate="-"
if [ -n "$r_best" ]; then
  r_rate=$(rate "$(field records "$r_best")" "$(field net_seconds "$r_best")")
  printf '  %-44s %9.3f %12s   (%s questions; log: %s)\n' \
    "Wine tabrix.exe, repeat with saved links, net" "$(field net_seconds "$r_best")" "$r_rate" \
    "$(field questions "$r_best")" "$r_log"
else
  printf '  %-44s %9s\n' "Wine tabrix.exe, repeat with saved links" failed
fi
echo
echo "ratio Wine tabrix.exe rate / native rate: first conversion $(ratio "$g_rate" "$n_rate")," \
  "repeat with saved links $(ratio "$r_rate" "$n_rate") (goal >= 0.5; first conversion with the" \
  "driver's answers: $(ratio "$g_wall_rate" "$n_rate"))"
[ -z "$wbench" ] ||
  echo "ratio Wine convert_bench.exe rate / native rate: $(ratio "$w_rate" "$n_rate")"
