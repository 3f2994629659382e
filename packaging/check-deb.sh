#!/bin/sh
# Builds the Debian package from BUILD, checks its contents and lintian's
# verdict, installs it with dpkg, runs the installed programs, and removes
# it again. Needs root, dpkg-dev and lintian.
#   packaging/check-deb.sh BUILD
set -eu
build=$(cd "${1:?usage: packaging/check-deb.sh BUILD}" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/tanglet_*.deb)
echo "built $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Depends
# The version is project()'s; the changelog's newest entry must say the same.
version=$(dpkg-deb -f "$deb" Version)
logged=$(dpkg-parsechangelog -l "$source/packaging/changelog" -S Version)
[ "$logged" = "$version" ] ||
  { echo "packaging/changelog is at $logged, the package at $version"; exit 1; }
if dpkg-deb -f "$deb" Description | grep -q '^ ;'; then
  echo "a description line begins with ';'"; exit 1
fi

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/tanglet ./usr/bin/tanglet-dot ./usr/bin/tanglet-view \
    ./usr/share/man/man1/tanglet.1.gz ./usr/share/man/man1/tanglet-view.1.gz \
    './usr/share/man/man1/tanglet-dot.1.gz -> tanglet.1.gz' \
    ./usr/share/doc/tanglet/copyright ./usr/share/doc/tanglet/changelog.gz; do
  echo "$contents" | grep -qF " $f" || { echo "not in the package: $f"; exit 1; }
done

# Errors fail the check; warnings are printed, for a person to weigh.
status=0
verdict=$(lintian --fail-on error "$deb") || status=$?
[ -z "$verdict" ] || echo "$verdict"
[ $status -eq 0 ] || { echo "lintian failed or reports errors"; exit 1; }
echo "lintian: no errors, $(echo "$verdict" | grep -c '^W:') warnings"

dpkg -i "$deb" > /dev/null
trap 'dpkg -r tanglet > /dev/null' EXIT
[ "$(/usr/bin/tanglet -v | head -1)" = "tanglet $version" ]
/usr/bin/tanglet-dot < "$source/examples/wordfreq.cflow" | cmp - "$source/examples/wordfreq.dot"
/usr/bin/tanglet-view -F main "$source/examples/wordfreq.cflow" | grep -q '"main"'
[ "$(man -M /usr/share/man -w tanglet-dot)" = /usr/share/man/man1/tanglet.1.gz ] ||
  { echo "man finds no page for tanglet-dot"; exit 1; }
echo "installed with dpkg; tanglet -v, tanglet-dot and man tanglet-dot ran"
