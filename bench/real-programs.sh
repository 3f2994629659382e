#!/usr/bin/env bash
# For each listing of a real program in DIR, the 20 functions with the most
# callers: how long `tanglet-view --focus=F LISTING | dot -Tsvg` takes, and
# how big the picture is. Prints a table; not a test.
#
#   bench/real-programs.sh [BUILD] DIR    (GLOB='*.posix', TOP=20 by default)
set -euo pipefail
build=$(cd "${1:?usage: bench/real-programs.sh BUILD DIR}" && pwd)
dir=${2:?usage: bench/real-programs.sh BUILD DIR}
view=$build/view/tanglet-view
top=${TOP:-20}
now() { date +%s%N; }

printf '%-10s %-34s %7s %6s %6s %9s %9s\n' program function callers nodes edges "view ms" "+dot ms"
worst=0
for listing in "$dir"/${GLOB:-*.posix}; do
  program=$(basename "$listing")
  program=${program%%.*}
  reversed=()
  case $listing in *.r.*) reversed=(-r) ;; esac
  # Callers of each function from the whole graph's JSON: one object a line.
  "$view" "${reversed[@]}" -T json --max-nodes=0 "$listing" | sed 's/}, {/}\n{/g' | awk '
    match($0, /"id":[0-9]+,"name":"[^"]*"/) {
      s = substr($0, RSTART, RLENGTH); split(s, f, /[:,]/); id = f[2]
      sub(/.*"name":"/, "", s); sub(/"$/, "", s); name[id] = s
    }
    match($0, /"target":[0-9]+/) { callers[substr($0, RSTART + 9, RLENGTH - 9)]++ }
    END { for (id in callers) print callers[id], name[id] }' | sort -k1,1nr -k2 | awk -v top="$top" 'NR <= top' |
  while read -r count name; do
    start=$(now)
    "$view" "${reversed[@]}" --focus="$name" "$listing" > "$dir/.view.dot" 2> /dev/null
    middle=$(now)
    dot -Tsvg "$dir/.view.dot" > /dev/null
    end=$(now)
    nodes=$(grep -c '^ *n[0-9]* \[' "$dir/.view.dot" || true)
    edges=$(grep -c -- '->' "$dir/.view.dot" || true)
    printf '%-10s %-34s %7d %6d %6d %9.1f %9.1f\n' "$program" "${name:0:34}" "$count" "$nodes" \
      "$edges" "$(((middle - start) / 1000))e-3" "$(((end - start) / 1000))e-3"
  done
done
rm -f "$dir/.view.dot"
