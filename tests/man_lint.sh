#!/bin/sh
# The manual page must pass mandoc's lint without a warning.
#   man_lint.sh PAGE
command -v mandoc > /dev/null || { echo "mandoc is not installed"; exit 77; }
out=$(mandoc -Tlint -W warning "$1" 2>&1)
status=$?
[ -z "$out" ] && [ $status -eq 0 ] && exit 0
echo "$out"
exit 1
