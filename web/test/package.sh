#!/usr/bin/env bash
# Installs the packed npm package into a scratch folder, as a program that
# uses it would, converts the golden documents through it (require), and one
# through an ES module import.
#
#   web/test/package.sh TARBALL        (build-web/vantrel-VERSION.tgz)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tarball=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cd "$scratch"
npm init -y > /dev/null
npm install --no-audit --no-fund --prefer-offline "$tarball" > /dev/null
installed=$(node -p "require('vantrel/package.json').version")
echo "package: vantrel $installed installed from $(basename "$tarball")"
node "$here/golden.js" "$scratch/node_modules/vantrel"

# An ES module takes the CommonJS package as its default export.
case_dir="$here/../../tests/golden/cases/map_file_worked_example"
node --input-type=module - "$case_dir" <<'JS'
import fs from 'fs';
import vantrel from 'vantrel';
const folder = process.argv[2];
const result = await vantrel.convert(fs.readFileSync(folder + '/in/doc.chi'), {
  map: fs.readFileSync(folder + '/in/Runemap.txt'),
  name: 'doc.chi',
});
if (result.fault || !Buffer.from(result.html).equals(fs.readFileSync(folder + '/out/doc.htm'))) {
  console.error('FAIL the package imported as an ES module gives another page');
  process.exit(1);
}
console.log('package: imported as an ES module, it gives the same page');
JS
