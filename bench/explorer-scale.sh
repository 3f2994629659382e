#!/usr/bin/env bash
# The explorer on generated code bases from 50,000 functions to the size of
# the Linux kernel (2,831 listings, 3.08M lines, some 700,000 functions and
# 2.7M calls), with bench/explorer.mjs, for each build given: an older one
# first to compare, same machine, same run. Not a test.
#
#   bench/explorer-scale.sh BUILD [BUILD...]
#
# SIZES="50k kernel" picks the code bases. Needs make-listing from a build
# with -DTANGLET_BENCH=ON (the last BUILD), node, chromium and the browser
# tests' packages (npm ci --prefix tests/browser).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
builds=()
for b in "$@"; do builds+=("$(cd "$b" && pwd)"); done
[ ${#builds[@]} -gt 0 ] || { echo "usage: bench/explorer-scale.sh BUILD [BUILD...]" >&2; exit 2; }
make_listing=${builds[-1]}/bench/make-listing
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for size in ${SIZES:-50k kernel}; do
  mkdir "$work/$size"
  case $size in
    50k) "$make_listing" sun 225000 3 --pool=5000 --parts=200 --dir="$work/$size" ;;
    kernel) "$make_listing" sun 3080000 7 --pool=80000 --parts=2831 --dir="$work/$size" ;;
    *) echo "unknown size $size (50k, kernel)" >&2; exit 2 ;;
  esac
  for b in "${builds[@]}"; do
    echo "== $size, $b"
    node "$here/explorer.mjs" "$b/view/tanglet-view" "$work/$size"/*.cflow 2> /dev/null
  done
done
