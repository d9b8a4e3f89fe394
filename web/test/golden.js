// Converts the golden cases that the module can run (see cases.js) through
// the WebAssembly module under node, and compares with the pages the cases
// expect, byte for byte, and with the faults they expect.
//
//   node web/test/golden.js [PACKAGE]
//
// PACKAGE is the folder of the npm package to load (build-web/package), or
// the name of an installed one ("vantrel").
'use strict';
const path = require('path');
const { goldenCases } = require('./cases.js');

const where = process.argv[2] || path.join(__dirname, '..', '..', 'build-web', 'package');
const vantrel = require(where.includes('/') ? path.resolve(where) : where);

function firstDifference(a, b) {
  const n = Math.min(a.length, b.length);
  for (let i = 0; i < n; ++i) if (a[i] !== b[i]) return i;
  return n;
}

async function main() {
  const cases = goldenCases();
  const failures = [];
  let run = 0;
  for (const c of cases) {
    if (c.skip) continue;
    ++run;
    const result = await vantrel.convert(c.document, {
      map: c.map === null ? undefined : c.map,
      name: c.documentName,
      escape: !!c.options.escape,
      standalone: !!c.options.standalone,
    });
    if (c.fault) {
      if (!result.fault || result.fault.name !== c.fault || result.html !== null) {
        failures.push(c.name + ': expected the fault ' + c.fault + ', got ' + JSON.stringify(result.fault));
      }
      continue;
    }
    if (result.fault) {
      failures.push(c.name + ': unexpected fault ' + JSON.stringify(result.fault));
      continue;
    }
    const html = Buffer.from(result.html);
    if (!html.equals(c.expected)) {
      const at = firstDifference(html, c.expected);
      failures.push(
        c.name +
          ': the page differs at byte ' +
          at +
          ' (' +
          html.length +
          ' bytes, expected ' +
          c.expected.length +
          '): ' +
          JSON.stringify(html.subarray(at, at + 40).toString('latin1')) +
          ' where ' +
          JSON.stringify(c.expected.subarray(at, at + 40).toString('latin1')),
      );
    }
  }
  const skipped = cases.filter((c) => c.skip).length;
  for (const failure of failures) console.error('FAIL ' + failure);
  console.log(
    'golden cases through the module (' + where + '): ' + run + ' run, ' + (run - failures.length) + ' passed, ' +
      skipped + ' left out (files, permissions, console)',
  );
  // A selection that lost most of its cases tests nothing.
  if (run < 50) {
    console.error('FAIL only ' + run + ' golden cases qualified');
    process.exitCode = 1;
  }
  if (failures.length > 0) process.exitCode = 1;
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
