#!/usr/bin/env bash
# Checks Vantrel in the browser and for JavaScript programs (web/):
# installs Debian's Emscripten and Chromium and the browser test's node
# modules where missing, builds the program (the reference) and the module,
# then converts
#   - the golden cases that test neither files nor the console, through the
#     module under node, against the pages the cases expect;
#   - a few hundred random documents and map files, through the module and
#     the program, comparing pages, faults and warnings;
#   - the golden documents again through the npm package installed from its
#     tarball into a scratch folder;
# and drives the page in headless Chromium on a loopback server
# (web/test/browser.js), keeping a screenshot in build-web/browser/page.png.
#
#   scripts/check-web.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

missing=()
command -v emcmake >/dev/null 2>&1 || missing+=(emscripten)
[ -x /usr/bin/chromium ] || missing+=(chromium)
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
scripts/setup.sh "${missing[@]}"

echo "-- the program, the reference"
cmake -S . -B build > /dev/null
cmake --build build -j2 --target vantrel > /dev/null

echo "-- the module and the page (scripts/build-web.sh)"
scripts/build-web.sh build-web

echo "-- the browser test's node modules (web/package-lock.json)"
(cd web && npm ci --no-audit --no-fund --loglevel=error)

echo "-- golden cases through the module under node"
node web/test/golden.js build-web/package

echo "-- random documents through the module and the program"
node web/test/differential.js --count 300

echo "-- the npm package, installed from its tarball"
web/test/package.sh build-web/vantrel-*.tgz

echo "-- the page in headless Chromium"
node web/test/browser.js --site build-web/site --shots build-web/browser
echo "check-web: all passed in $SECONDS s"
