#!/usr/bin/env bash
# Whether the default views of real programs are pictures: for each program
# built with a compile_commands.json, the 20 most-called and the 20
# most-calling functions, `tanglet-view --focus=F | dot -Tpng`, and how many
# boxes and pixels each holds. Prints a table per program; not a test.
#
#   bench/picture-sizes.sh BUILD PROGRAM_DIR...
#
# TOP=20 functions of each kind; OPTIONS='--fold=0 -u 2' for other than the
# default view; BOXES=50 and PIXELS=2500 the bounds counted; VERBOSE=1 a line
# per view. cflow runs once per program: its listings are kept in CACHE
# (default ${TMPDIR:-/tmp}/picture-sizes) under the program's name.
set -euo pipefail
build=$(cd "${1:?usage: bench/picture-sizes.sh BUILD PROGRAM_DIR...}" && pwd)
shift
view=$build/view/tanglet-view
top=${TOP:-20}
max_boxes=${BOXES:-50}
max_pixels=${PIXELS:-2500}
cache=${CACHE:-${TMPDIR:-/tmp}/picture-sizes}
read -r -a options <<< "${OPTIONS:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The listings of a program: tanglet-view runs cflow as it would, through a
# cflow that keeps a copy of what it writes.
listings() {
  local dir=$1 keep=$2
  [ -n "$(ls "$keep" 2> /dev/null)" ] && return
  mkdir -p "$keep"
  cat > "$work/cflow" << EOF
#!/bin/sh
cflow "\$@" | tee "\$(mktemp "$keep/part.XXXXXX")"
EOF
  chmod +x "$work/cflow"
  (cd "$dir" && "$view" -p . --cflow="$work/cflow" -T json --max-nodes=0 > /dev/null)
}

# "callers NAME" and "callees NAME" lines: the top of each, from the whole
# graph's JSON.
ranked() {
  "$view" -T json --max-nodes=0 --fold=0 "$@" 2> /dev/null | sed 's/}, {/}\n{/g' | awk -v top="$top" '
    match($0, /"id":[0-9]+,"name":"[^"]*"/) {
      s = substr($0, RSTART, RLENGTH); split(s, f, /[:,]/); id = f[2]
      sub(/.*"name":"/, "", s); sub(/"$/, "", s); name[id] = s
    }
    match($0, /"source":[0-9]+,"target":[0-9]+/) {
      split(substr($0, RSTART, RLENGTH), f, /[:,]/); outs[f[2]]++; ins[f[4]]++
    }
    END {
      for (id in ins) print ins[id], "callers", name[id] | "sort -k1,1nr -k3 | head -" top
      close("sort -k1,1nr -k3 | head -" top)
      for (id in outs) print outs[id], "callees", name[id] | "sort -k1,1nr -k3 | head -" top
    }' | awk '!seen[$3]++ { print $2, $3 }'
}

# PNG width and height from its header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4,
                                            $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

printf '%-8s %5s %6s %-28s %11s %-28s %6s %7s\n' program views boxes "(worst)" pixels "(worst)" \
  ">$max_boxes" ">${max_pixels}px"
for dir in "$@"; do
  program=$(basename "$dir")
  program=${program%%-[0-9]*}
  listings "$dir" "$cache/$program"
  parts=("$cache/$program"/part.*)
  views=0 worst_size=- worst_boxes=0 worst_pixels=0 over_boxes=0 over_pixels=0 boxes_at=- pixels_at=-
  while read -r kind name; do
    "$view" "${options[@]}" --focus="$name" "${parts[@]}" > "$work/view.dot" 2> /dev/null
    dot -Tpng "$work/view.dot" > "$work/view.png" 2> /dev/null
    boxes=$(grep -cE '^ *(n|fold)[0-9]+ \[' "$work/view.dot" || true)
    read -r width height < <(png_size "$work/view.png")
    pixels=$((width > height ? width : height))
    views=$((views + 1))
    if [ "$boxes" -gt "$max_boxes" ]; then over_boxes=$((over_boxes + 1)); fi
    if [ "$pixels" -gt "$max_pixels" ]; then over_pixels=$((over_pixels + 1)); fi
    if [ "$boxes" -gt "$worst_boxes" ]; then worst_boxes=$boxes boxes_at=$name; fi
    if [ "$pixels" -gt "$worst_pixels" ]; then
      worst_pixels=$pixels pixels_at=$name worst_size=${width}x$height
    fi
    if [ -n "${VERBOSE:-}" ]; then
      printf '  %-8s %-28s %5d %11s\n' "$kind" "${name:0:28}" "$boxes" "${width}x$height"
    fi
  done < <(ranked "${parts[@]}")
  printf '%-8s %5d %6d %-28s %11s %-28s %6d %7d\n' "$program" "$views" "$worst_boxes" \
    "${boxes_at:0:28}" "$worst_size" "${pixels_at:0:28}" "$over_boxes" "$over_pixels"
done
