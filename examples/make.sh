#!/bin/sh
# Remakes the example outputs: GNU cflow's listing of wordfreq/, both graphs,
# and the picture Graphviz draws of the dot graph.
#   examples/make.sh [BUILD]     (BUILD holds tanglet and tanglet-dot; default build)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
cd "$here/wordfreq"
cflow --format=posix --level-indent='0=\t' --level-indent='1=\t' --level-indent='start=\t' \
  main.c count.c table.c > ../wordfreq.cflow
cd "$here"
"$build/tanglet" < wordfreq.cflow > wordfreq.vcg
"$build/tanglet-dot" < wordfreq.cflow > wordfreq.dot
dot -Tsvg wordfreq.dot > wordfreq.svg
"$build/tanglet" < hello.cflow > hello.vcg
"$build/tanglet-dot" < hello.cflow > hello.dot
