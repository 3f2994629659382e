#!/bin/sh
# Installs the build into a temporary prefix, checks what lands where, and
# converts the example with the installed programs.
#   install_test.sh CMAKE BUILD SOURCE VERSION
set -eu
cmake=$1 build=$2 source=$3 version=$4
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" > /dev/null
man1=$prefix/share/man/man1
for f in bin/tanglet bin/tanglet-dot bin/tanglet-view share/man/man1/tanglet.1.gz \
    share/man/man1/tanglet-view.1.gz share/doc/tanglet/copyright; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
# The page must be the source's, and tanglet-dot's must lead to it, not copy it.
gzip -dc "$man1/tanglet.1.gz" | cmp - "$source/man/tanglet.1"
[ "$(readlink "$man1/tanglet-dot.1.gz")" = tanglet.1.gz ] ||
  { echo "tanglet-dot.1.gz is no link to tanglet.1.gz"; exit 1; }
if command -v man > /dev/null; then
  [ "$(man -M "$prefix/share/man" -w tanglet-dot)" = "$man1/tanglet.1.gz" ] ||
    { echo "man finds no page for tanglet-dot"; exit 1; }
fi
"$prefix/bin/tanglet" < "$source/examples/wordfreq.cflow" | cmp - "$source/examples/wordfreq.vcg"
"$prefix/bin/tanglet-dot" < "$source/examples/wordfreq.cflow" | cmp - "$source/examples/wordfreq.dot"
[ "$("$prefix/bin/tanglet-dot" -v | head -1)" = "tanglet $version" ]
[ "$("$prefix/bin/tanglet-view" --version)" = "tanglet-view $version" ]
gzip -dc "$man1/tanglet-view.1.gz" | cmp - "$source/man/tanglet-view.1"
echo "installed and ran from $prefix"
