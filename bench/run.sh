#!/usr/bin/env bash
# Times tanglet and tanglet-dot on generated listings against an I/O floor
# and against the plain stdio + sscanf design, on one set of inputs.
#
#   bench/run.sh [BUILD]    (RUNS=7 LINES=1000000 BENCH_CPU=last by default)
# BUILD is a Release build with -DTANGLET_BENCH=ON.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-7}
lines=${LINES:-1000000}
b=$build/bench
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$b/make-listing" sun "$lines" 1 > "$dir/sun.cflow"
"$b/make-listing" free "$lines" 1 > "$dir/free.cflow"
"$b/make-listing" sun $((4 * lines)) 1 > "$dir/sun4.cflow"
# The same lines as one listing and as 1,000: one graph either way.
mkdir "$dir/parts"
"$b/make-listing" sun "$lines" 1 --parts=1000 > "$dir/whole.cflow"
"$b/make-listing" sun "$lines" 1 --parts=1000 --dir="$dir/parts"
# The baseline must do the same work: the same graph, byte for byte.
cmp <("$build/tanglet-dot" < "$dir/sun.cflow") <("$b/sscanf-dot" < "$dir/sun.cflow")

# Every run on one processor: on a shared machine the processors may run at
# different speeds at the same time, and a run that moves times both.
cpu=${BENCH_CPU:-$(($(nproc) - 1))}
pin="" where="any processor"
if command -v taskset > /dev/null; then pin="taskset -c $cpu" where="processor $cpu"; fi

printf '%s, %s, %s runs each on %s, medians\n' "$(nproc) cores" \
  "$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)" "$runs" "$where"
printf '%-24s %9s %8s %8s %8s %8s %9s %8s %7s\n' "what" "input MB" "ms" "fastest" "slowest" \
  "MB/s" "Mlines/s" "RSS KiB" "faults"
# The rows are timed in turns, one run of each per round, so that the
# machine's drift touches them all alike and the ratios stay fair.
names=() inputs=() commands=()
add() {  # NAME INPUT COMMAND...
  names+=("$1")
  inputs+=("$2")
  shift 2
  commands+=("$(printf '%q ' "$@")")
}
out_bytes() { "$@" | wc -c; }

add "tanglet-dot sun" "$dir/sun.cflow" "$build/tanglet-dot"
add "tanglet sun" "$dir/sun.cflow" "$build/tanglet"
add "io floor (dot output)" "$dir/sun.cflow" "$b/io-floor" "$(out_bytes "$build/tanglet-dot" < "$dir/sun.cflow")"
add "io floor (vcg output)" "$dir/sun.cflow" "$b/io-floor" "$(out_bytes "$build/tanglet" < "$dir/sun.cflow")"
add "stdio + sscanf, dot" "$dir/sun.cflow" "$b/sscanf-dot"
add "tanglet-dot free" "$dir/free.cflow" "$build/tanglet-dot"
add "tanglet-dot sun x4" "$dir/sun4.cflow" "$build/tanglet-dot"
add "tanglet sun x4" "$dir/sun4.cflow" "$build/tanglet"
# tanglet-view: the whole graph as JSON, its load alone, a focused view (on
# the first function of the listing, default depths), the summary, and the
# paths from the functions nobody calls to the last function listed.
focus=$(sed -n '1s/^ *[0-9]* *\t*\([^:]*\):.*/\1/p' "$dir/sun.cflow")
target=$(sed -n '$s/^ *[0-9]* *\t*\([^:]*\):.*/\1/p' "$dir/sun.cflow")
add "view json, whole" "$dir/sun.cflow" "$build/view/tanglet-view" -T json --max-nodes=0
add "view load alone" "$dir/sun.cflow" "$b/view-load"
add "view load, 1 listing" "$dir/whole.cflow" "$b/view-load" "$dir/whole.cflow"
add "view load, 1000 listings" "$dir/whole.cflow" "$b/view-load" "$dir"/parts/*.cflow
add "view focused, dot" "$dir/sun.cflow" "$build/view/tanglet-view" --focus="$focus"
add "view summary" "$dir/sun.cflow" "$build/view/tanglet-view" -T summary
add "view paths, --to" "$dir/sun.cflow" "$build/view/tanglet-view" --to="$target"

for ((round = 0; round < runs; round++)); do
  for i in "${!names[@]}"; do
    eval "$pin \"\$b/timeit\" 1 \"\${inputs[i]}\" /dev/null ${commands[i]}" >> "$dir/times.$i"
  done
done

declare -A ms
for i in "${!names[@]}"; do
  name=${names[i]} input=${inputs[i]}
  bytes=$(stat -c %s "$input")
  count=$(wc -l < "$input")
  # The median, fastest and slowest of the runs' seconds, the largest peak
  # memory and page-fault count.
  read -r median fastest slowest rss faults < <(sort -n "$dir/times.$i" | awk '
    { s[NR] = $1; if ($4 > r) r = $4; if ($5 > f) f = $5 }
    END { print s[int((NR + 1) / 2)], s[1], s[NR], r, f }')
  ms[$name]=$(awk -v s="$median" 'BEGIN { printf "%.1f", s * 1000 }')
  awk -v n="$name" -v b="$bytes" -v c="$count" -v s="$median" -v lo="$fastest" -v hi="$slowest" \
    -v r="$rss" -v f="$faults" 'BEGIN {
    printf "%-24s %9.1f %8.1f %8.1f %8.1f %8.0f %9.2f %8d %7d\n", n, b / 1e6, s * 1000, lo * 1000,
      hi * 1000, b / 1e6 / s, c / 1e6 / s, r, f }'
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
sun_mb=$(stat -c %s "$dir/sun.cflow")
free_mb=$(stat -c %s "$dir/free.cflow")
defined=$(grep -c '>$' "$dir/sun4.cflow" || true)
echo
echo "tanglet-dot / io floor:          $(ratio "${ms[tanglet-dot sun]}" "${ms[io floor (dot output)]}")  (target <= 8)"
echo "stdio + sscanf / tanglet-dot:    $(ratio "${ms[stdio + sscanf, dot]}" "${ms[tanglet-dot sun]}")  (target >= 8)"
echo "tanglet / tanglet-dot:           $(ratio "${ms[tanglet sun]}" "${ms[tanglet-dot sun]}")  (target <= 1.5)"
echo "4M / 1M lines, tanglet-dot:      $(ratio "${ms[tanglet-dot sun x4]}" "${ms[tanglet-dot sun]}")  (target 4 +- 15%)"
echo "free / sun per MB, tanglet-dot:  $(awk -v f="${ms[tanglet-dot free]}" -v s="${ms[tanglet-dot sun]}" -v fb="$free_mb" -v sb="$sun_mb" 'BEGIN { printf "%.2f", (f / fb) / (s / sb) }')  (target <= 1.3)"
echo "view json / tanglet-dot:         $(ratio "${ms[view json, whole]}" "${ms[tanglet-dot sun]}")  (target <= 4)"
echo "view focused / view load:        $(ratio "${ms[view focused, dot]}" "${ms[view load alone]}")  (target <= 1.5)"
echo "view summary / view load:        $(ratio "${ms[view summary]}" "${ms[view load alone]}")  (target <= 1.5)"
echo "view --to / view load:           $(ratio "${ms[view paths, --to]}" "${ms[view load alone]}")  (target <= 1.5)"
echo "1000 listings / 1 listing, load: $(ratio "${ms[view load, 1000 listings]}" "${ms[view load, 1 listing]}")  (target <= 1.2)"
view_rss=$(sort -n -k4 "$dir/times.$(for i in "${!names[@]}"; do [ "${names[i]}" = "view json, whole" ] && echo "$i"; done)" | awk '{ if ($4 > r) r = $4 } END { print r }')
echo "view peak RSS / listing size:    $(awk -v r="$view_rss" -v b="$sun_mb" 'BEGIN { printf "%.2f", r * 1024 / b }')  (target <= 2.5)"
echo "RSS bound for the 4M listing:    $(( 8192 + defined * 4 / 1024 )) KiB (8 MiB + 4 bytes x $defined definitions)"
