#!/usr/bin/env bash
# Runs the converter on the bundled demo installation (demo/) under Wine.
#
#   bash scripts/demo.sh
#
# Installs the Debian packages it needs (as root; as another user it prints the apt-get line and
# stops), builds tabrix.exe and the demo autopilot in the Windows build tree when needed, and makes
# a fresh working copy of the demo installation in demo/out/ (demo/program and demo/product stay
# as they are): out/program (reference tables, tabrix.exe, ZBRES32.DLL), out/product (the product
# folder), out/exports (the customer exports), out/appdata, out/work.
#
# With a usable display ($DISPLAY) it starts tabrix.exe there for you (its own Wine prefix with
# window-manager frames). Without one it starts its own Xvfb and lets the autopilot convert
# out/exports/KUNDEN.DBF as a user would, keeps a screenshot of every window on the way as
# out/screenshots/*.png, and prints where the delivered table is and its first records.
#
# Environment: TABRIX_BUILD_DIR (default build/; the Windows tree is its windows/ folder),
# TABRIX_DEMO_OUT (default demo/out), TABRIX_JOBS (build jobs, default: number of CPUs),
# TABRIX_DEMO_AUTOPILOT=1 (use the autopilot even with a display).
set -u -o pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TABRIX_BUILD_DIR:-$root/build}
win=$build/windows
out=${TABRIX_DEMO_OUT:-$root/demo/out}
jobs=${TABRIX_JOBS:-$(nproc 2>/dev/null || echo 2)}

log() { printf '== %s\n' "$*"; }
die() { printf 'demo: %s\n' "$*" >&2; exit 1; }

# ---- 1. packages (scripts/packages.sh) ----------------------------------------------------------
# shellcheck source=scripts/packages.sh
source "$root/scripts/packages.sh"
install_packages || exit 1

# The platform's own dialogs (file choosers, Yes/No buttons) in the program's language: Wine
# takes it from the locale, which must exist on the machine.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && [ "$(id -u)" = 0 ] &&
  [ -f /etc/locale.gen ]; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen && locale-gen >/dev/null 2>&1
fi
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then export LC_ALL=de_DE.UTF-8; fi

# The Python that has dbfread: Debian's, also when another python3 comes first in PATH.
py=python3
python3 -c 'import dbfread' 2>/dev/null || py=/usr/bin/python3

# ---- 2. build tabrix.exe and the autopilot -------------------------------------------------------
mkdir -p "$build"
if [ ! -f "$win/CMakeCache.txt" ]; then
  log "configuring the Windows build in $win"
  cmake -S "$root" -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    >"$win.configure.log" 2>&1 || { cat "$win.configure.log"; die "configuring failed"; }
fi
log "building tabrix.exe and the demo autopilot"
cmake --build "$win" --target tabrix tabrix_autopilot -j "$jobs" >"$win.demo-build.log" 2>&1 || {
  grep -E -B2 -A12 'error|Error' "$win.demo-build.log" | head -60; die "the build failed"; }
exe=$win/src/converter/tabrix.exe
autopilot=$win/tests/e2e/tabrix_autopilot.exe
[ -f "$exe" ] && [ -f "$win/src/converter/ZBRES32.DLL" ] || die "tabrix.exe or ZBRES32.DLL missing in $win"

# ---- 3. a fresh working copy of the demo installation ---------------------------------------------
log "preparing a fresh demo installation in $out"
rm -rf "$out/program" "$out/product" "$out/exports" "$out/appdata" "$out/work" "$out/screenshots"
mkdir -p "$out/program" "$out/product" "$out/exports" "$out/appdata" "$out/work" "$out/screenshots"
cp "$root"/demo/program/* "$out/program/"
cp "$exe" "$win/src/converter/ZBRES32.DLL" "$out/program/"
cp "$root/demo/product/QZX.ini" "$out/product/"
cp "$root"/demo/exports/* "$out/exports/"

winpath() { printf 'Z:%s' "${1//\//\\}"; }  # a Linux path as Wine's drive Z: shows it

# The user's settings: the choosers start in the exports (source tables) and in work (the files
# the converter saves).
mkdir -p "$out/appdata/Velarto"
printf '[Tabrix]\r\nLASTPATH=%s\r\nLASTPATH2=%s\r\nLASTPATH3=%s\r\n' "$(winpath "$out/exports")" \
  "$(winpath "$out/work")" "$(winpath "$out/work")" >"$out/appdata/Velarto/qz.ini"

# The product's QZ.ini in the prefix's Windows folder: the template with the product folder
# (its Windows path, ending in a backslash) for @PRODUKTPFAD@, CR LF line ends kept.
write_product_ini() {
  local target=$WINEPREFIX/drive_c/windows/QZ.ini
  "$py" "$root/scripts/qz_ini.py" "$root/demo/product/QZ.ini" "$target" \
    "$(winpath "$out/product")\\" || die "cannot write QZ.ini"
  log "QZ.ini in the prefix: PATH=$(winpath "$out/product")\\"
}

# The delivered table and its first records, read with dbfread (code page 850).
show_delivered() {
  local table=$out/product/Adrim1.dbf
  if [ ! -f "$table" ]; then
    echo "No table was delivered into $out/product."
    return 1
  fi
  echo
  echo "Delivered into the product folder $out/product:"
  ls -l "$out/product" | sed 1d
  echo
  PYTHONIOENCODING=utf-8 "$py" - "$table" <<'EOF'
import sys
from dbfread import DBF
table = DBF(sys.argv[1], encoding="cp850", char_decode_errors="strict", load=True)
print("%s: %d records, %d fields" % (sys.argv[1], len(table.records), len(table.fields)))
columns = ["KUNDEN_NR", "FIRMA", "PLZ", "ORT", "LAND", "FSORT"]
widths = [9, 34, 8, 20, 16, 28]
print("  ".join(c.ljust(w) for c, w in zip(columns, widths)))
for record in table.records[:8]:
    cells = ["" if record[c] is None else str(record[c]) for c in columns]
    print("  ".join(v[:w].ljust(w) for v, w in zip(cells, widths)))
first = table.records[0]
print("\nFirst record, every field that is filled:")
for name in table.field_names:
    value = first[name]
    if value not in (None, ""):
        print("  %-10s %r" % (name, value))
EOF
}

# ---- 4a. with a display: the program for the user --------------------------------------------
if [ -n "${DISPLAY:-}" ] && [ -z "${TABRIX_DEMO_AUTOPILOT:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX=$win/wineprefix-display WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "preparing the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wine wineboot --init >/dev/null 2>&1
  fi
  # The user's display and a prefix of its own: only the font step of the test setup.
  # shellcheck source=wine_env.sh
  WINE_ENV_NO_START=1 source "$root/scripts/wine_env.sh"
  wine_env_add_fonts
  write_product_ini
  log "starting tabrix.exe on $DISPLAY"
  echo "In the file chooser, pick $(winpath "$out/exports/KUNDEN.DBF") (or another export there);"
  echo "the converted table goes to $(winpath "$out/product")."
  (cd "$out/program" && APPDATA=$(winpath "$out/appdata") wine tabrix.exe) >/dev/null 2>&1
  show_delivered
  exit 0
fi

# ---- 4b. without one: the autopilot on a private Xvfb ------------------------------------------------
state=$win
reused=
if [ -f "$state/wine_env.xvfb.pid" ] && kill -0 "$(cat "$state/wine_env.xvfb.pid")" 2>/dev/null; then
  reused=1  # a test run's display: leave it running
fi
# shellcheck source=wine_env.sh
source "$root/scripts/wine_env.sh" "$state" || die "Wine could not be started"
[ -n "$reused" ] || trap wine_env_stop EXIT
write_product_ini
log "the autopilot converts exports/KUNDEN.DBF (display $DISPLAY)"
(cd "$out/work" && wine "$autopilot" "$(winpath "$out")" "$(winpath "$out/exports/KUNDEN.DBF")" \
  "$(winpath "$out/screenshots")") 2>/dev/null | tr -d '\r'
status=$?
shopt -s nullglob
for bmp in "$out"/screenshots/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
pngs=("$out"/screenshots/*.png)
echo
echo "Screenshots (${#pngs[@]}) in $out/screenshots:"
for png in "${pngs[@]}"; do echo "  $(basename "$png")"; done
show_delivered || status=1
exit "$status"
