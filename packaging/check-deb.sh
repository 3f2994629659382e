#!/bin/sh
# Builds the Debian package from BUILD, checks its contents, installs it
# with dpkg, runs the installed programs, and removes it again. Needs root.
#   packaging/check-deb.sh BUILD
set -eu
build=$(cd "${1:?usage: packaging/check-deb.sh BUILD}" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/tanglet_*.deb)
echo "built $(basename "$deb")"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/tanglet ./usr/bin/tanglet-dot ./usr/bin/tanglet-view \
    ./usr/share/man/man1/tanglet.1 ./usr/share/man/man1/tanglet-dot.1 \
    ./usr/share/man/man1/tanglet-view.1 ./usr/share/doc/tanglet/copyright; do
  echo "$contents" | grep -q " $f\$" || { echo "not in the package: $f"; exit 1; }
done
dpkg-deb -f "$deb" Package Version Architecture Depends
dpkg -i "$deb" > /dev/null
trap 'dpkg -r tanglet > /dev/null' EXIT
[ "$(/usr/bin/tanglet -v | head -1)" = "tanglet 0.5" ]
/usr/bin/tanglet-dot < "$source/examples/wordfreq.cflow" | cmp - "$source/examples/wordfreq.dot"
/usr/bin/tanglet-view -F main "$source/examples/wordfreq.cflow" | grep -q '"main"'
man -w tanglet-dot > /dev/null 2>&1 || [ -f /usr/share/man/man1/tanglet-dot.1 ]
echo "installed with dpkg; tanglet -v and tanglet-dot ran"
