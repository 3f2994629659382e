#!/bin/sh
# Lists the C corpus (tests/corpus/*.c) with GNU cflow in the three layouts
# that tanglet-view reads, forwards and reversed (-r), into DIR (default:
# here). All three of a direction must give tanglet-view the same graph.
set -eu
out=$(cd "${1:-$(dirname "$0")}" && pwd)
cd "$(dirname "$0")/../corpus"
for reverse in "" -r; do
  name=corpus${reverse:+_reverse}
  cflow $reverse --format=posix --level-indent='0=\t' --level-indent='start=\t' *.c > "$out/$name.tab.cflow"
  cflow $reverse --format=posix *.c > "$out/$name.posix.cflow"
  cflow $reverse *.c > "$out/$name.gnu.cflow"
done
