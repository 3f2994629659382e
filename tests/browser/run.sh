#!/bin/sh
# The explorer page in Debian's chromium: sh tests/browser/run.sh TANGLET_VIEW SOURCE_DIR
# Exits 77 (skipped) where node, chromium or the npm packages are missing.
view=$1 src=$2
here=$src/tests/browser
skip() { echo "browser tests skipped: $*"; exit 77; }
command -v node >/dev/null 2>&1 || skip "no node"
[ -x "${CHROMIUM:-/usr/bin/chromium}" ] || skip "no ${CHROMIUM:-/usr/bin/chromium} (apt-get install chromium)"
[ -d "$here/node_modules/puppeteer-core" ] || skip "no $here/node_modules (npm ci --prefix $here)"
TANGLET_VIEW=$view TANGLET_SOURCE_DIR=$src exec node --test "$here/explorer.test.mjs"
