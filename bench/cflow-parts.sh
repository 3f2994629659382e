#!/usr/bin/env bash
# tanglet-view -p against one cflow run over the same files with the same
# options: the time of each (median of RUNS, in turns) and whether the two
# give the same graph. Not a test.
#
#   bench/cflow-parts.sh TANGLET_VIEW TREE   (TREE holds compile_commands.json)
set -euo pipefail
view=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tree=$2
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$tree"
# The one run: the command tanglet-view says it runs, over all the files.
"$view" -p . -j1 -v -T json --max-nodes=0 > "$work/parts1.json" 2> "$work/said"
one=$(sed -n 's/^tanglet-view: running //p' "$work/said")
[ -n "$one" ] || { echo "no cflow command in tanglet-view -v" >&2; exit 1; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
seconds() { /usr/bin/time -f %e "$@" 2>&1 > /dev/null | tail -1; }
: > "$work/one" ; : > "$work/view"
for _ in $(seq "$runs"); do
  seconds sh -c "$one | head -c 4G" >> "$work/one"
  seconds "$view" -p . -T html >> "$work/view"
done
t1=$(median < "$work/one") tv=$(median < "$work/view")
echo "one cflow run: ${t1} s   tanglet-view -p -T html: ${tv} s   ratio $(awk -v a="$tv" -v b="$t1" 'BEGIN { printf "%.2f", a / b }')"
# The same graph: the one run's listing read by tanglet-view, and the parts.
sh -c "$one" 2> /dev/null | "$view" -T json --max-nodes=0 > "$work/one.json" 2> /dev/null
"$view" -p . -T json --max-nodes=0 > "$work/parts.json" 2> /dev/null
edges() {
  python3 -c '
import json, sys
g = json.load(open(sys.argv[1]))
n = [(x["name"], x.get("file", "")) for x in g["nodes"]]
print(len(n), len(g["edges"]))
for e in sorted(set((n[e["source"]], n[e["target"]]) for e in g["edges"])): print(e)' "$1"
}
if cmp -s <(edges "$work/one.json") <(edges "$work/parts.json"); then
  echo "same graph: $(edges "$work/parts.json" | head -1) functions and calls"
else
  echo "graphs differ:"; diff <(edges "$work/one.json") <(edges "$work/parts.json") | head -20
fi
