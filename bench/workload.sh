# The benchmarks' source table, sourced by bench/run.sh, convert.sh and wine_convert.sh.
# Expects `here` (the repository) and `PY` (a Python 3) to be set.
#
# workload SRC N: the customer export of bench/gen_customers.py with N records as SRC (+ .fpt),
# made again when it is missing or was made by another generator or another version of it
# (the stamp SRC without .dbf + .gen names the generator's content and the size).
workload() {
  local src=$1 n=$2 stamp want
  stamp=${1%.dbf}.gen
  want="gen_customers.py $(sha1sum <"$here/bench/gen_customers.py" | cut -c1-16) -n $n"
  if [ ! -f "$src" ] || [ ! -f "${src%.dbf}.fpt" ] ||
    [ "$(cat "$stamp" 2>/dev/null)" != "$want" ]; then
    $PY "$here/bench/gen_customers.py" "$src" -n "$n" >/dev/null
    echo "$want" >"$stamp"
  fi
}
