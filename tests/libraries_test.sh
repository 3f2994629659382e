#!/bin/sh
# The programs need the C library alone: loading the C++ library as well
# took half of a run on a small listing.
#   libraries_test.sh PROGRAM...
command -v readelf > /dev/null || { echo "readelf is not installed"; exit 77; }
status=0
for program in "$@"; do
  needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  for library in $needed; do
    case $library in
      libc.so.*) ;;
      *) echo "$(basename "$program") needs $library"; status=1 ;;
    esac
  done
done
exit $status
