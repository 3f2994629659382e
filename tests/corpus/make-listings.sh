#!/bin/sh
# Writes GNU cflow's listings of the C files here into DIR, one per variant:
# plain, without arguments, reversed (callers of each function), and all
# functions as roots. TAB-indented with roots at depth 1, as tanglet reads.
set -eu
out=${1:?usage: make-listings.sh DIR}
cd "$(dirname "$0")"
tabs() { cflow --format=posix --level-indent='0=\t' --level-indent='start=\t' "$@" *.c; }
tabs > "$out/cflow_plain.cflow"
tabs --omit-arguments > "$out/cflow_omit_arguments.cflow"
tabs -r > "$out/cflow_reverse.cflow"
tabs -A > "$out/cflow_all.cflow"
