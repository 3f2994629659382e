#!/bin/sh
# Installs the build into a temporary prefix, checks what lands where, and
# converts the example with the installed programs.
#   install_test.sh CMAKE BUILD SOURCE
set -eu
cmake=$1 build=$2 source=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" > /dev/null
for f in bin/tanglet bin/tanglet-dot bin/tanglet-view share/man/man1/tanglet.1 \
    share/man/man1/tanglet-dot.1 share/man/man1/tanglet-view.1; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
"$prefix/bin/tanglet" < "$source/examples/wordfreq.cflow" | cmp - "$source/examples/wordfreq.vcg"
"$prefix/bin/tanglet-dot" < "$source/examples/wordfreq.cflow" | cmp - "$source/examples/wordfreq.dot"
[ "$("$prefix/bin/tanglet-dot" -v | head -1)" = "tanglet 0.5" ]
"$prefix/bin/tanglet-view" -F main "$source/examples/wordfreq.cflow" | grep -q '"main"'
echo "installed and ran from $prefix"
