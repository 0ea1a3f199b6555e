#!/usr/bin/env bash
# Builds everything and runs every test:
#   native    portable core, g++                         build/native
#   asan      the same tests under ASan+UBSan            build/asan
#   windows   MinGW-w64 cross build, run under Wine      build/windows
#   fuzz      libFuzzer targets, short runs (clang)      build/fuzz
# Installs missing Debian packages first (as root). Builds are incremental on a second run.
# Ends with one line "N passed, N failed"; exits non-zero when anything failed.
set -u -o pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TABRIX_BUILD_DIR:-$root/build}
fuzz_seconds=${TABRIX_FUZZ_SECONDS:-5}
jobs=$(nproc 2>/dev/null || echo 2)

log() { printf '== %s\n' "$*"; }

# ---- 1. packages -------------------------------------------------------------------------
# shellcheck source=scripts/packages.sh
source "$root/scripts/packages.sh"
install_packages || exit 1

# ---- 2. configure and build --------------------------------------------------------------
build_failed=()
configure_and_build() {  # name, extra cmake arguments...
  local name=$1; shift
  local dir=$build/$name
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || {
      mkdir -p "$dir"; cat "$dir.configure.log"; build_failed+=("$name"); return 1; }
  fi
  log "building $name"
  cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1 || {
    grep -E -B2 -A12 'error|Error' "$dir.build.log" | head -80; build_failed+=("$name"); return 1; }
}
mkdir -p "$build"
configure_and_build native
configure_and_build asan -DTABRIX_SANITIZE=ON
configure_and_build windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake"
configure_and_build fuzz -DTABRIX_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
[ -f "$build/native/compile_commands.json" ] && ln -sf "$build/native/compile_commands.json" "$root/compile_commands.json"

# ---- 3. Wine: one Xvfb, one persistent wineserver, a private prefix (scripts/wine_env.sh) ----
start_wine() {
  # shellcheck source=scripts/wine_env.sh
  source "$root/scripts/wine_env.sh" "$build/windows" && wine_started=1
}
wine_started=
cleanup() { [ -n "$wine_started" ] && wine_env_stop; }
trap cleanup EXIT

# ---- 4. run the tests ------------------------------------------------------------------------
results=$build/results
rm -rf "$results"; mkdir -p "$results"
run_ctest() {  # name, gtest output dir as the test programs see it
  local name=$1 xmldir=$2
  [ -f "$build/$name/CTestTestfile.cmake" ] || return 0
  mkdir -p "$results/$name"
  log "running $name tests"
  GTEST_OUTPUT="xml:$xmldir" ctest --test-dir "$build/$name" -j "$jobs" --timeout 600 \
    --output-on-failure --output-junit "$results/$name.junit.xml" >"$results/$name.log" 2>&1
  grep -E '^[0-9]+% tests passed|tests? failed|\*\*\*|Failed|FAILED' "$results/$name.log" | head -40
}
run_ctest native "$results/native/"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest asan "$results/asan/"
if [ -d "$build/windows" ] && start_wine; then
  rm -rf "$build/windows/tests/e2e/cases"  # only this run's deliveries are checked
  run_ctest windows "Z:${results//\//\\}\\windows\\"
  # The tables the end-to-end tests delivered, read by an independent reader (dbfread).
  if [ -d "$build/windows/tests/e2e/cases" ]; then
    log "checking the delivered tables"
    python3 "$root/scripts/check_delivered.py" "$build/windows/tests/e2e/cases" \
      >"$results/check_delivered.log" 2>&1 || build_failed+=("delivered tables")
    tail -n 5 "$results/check_delivered.log"
  fi
  # Screenshot of the test program's two-list dialog, kept as build/windows/artifacts/zbdemo_dialog.png.
  if [ -f "$build/windows/src/framework/zbdemo.exe" ]; then
    log "screenshot of the test program"
    bash "$root/scripts/zbdemo_screenshot.sh" "$build/windows" || build_failed+=("screenshot")
  fi
else
  build_failed+=("wine")
fi
TABRIX_FUZZ_SECONDS=$fuzz_seconds run_ctest fuzz "$results/fuzz/"

# ---- 5. one line: N passed, N failed -----------------------------------------------------------
python3 "$root/scripts/summarize_tests.py" "$results" "${build_failed[@]}"
