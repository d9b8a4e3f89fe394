// The golden cases that the WebAssembly module can run: those that test
// neither files, nor permissions, nor the console. A case qualifies when it
// has no setup file, and its arguments are one document of its in/ folder
// with no options but --escape and --standalone. It then expects either the
// page out/NAME.htm, or (exit status 1) a fault other than a file's
// EInOutError, named in its console text.
'use strict';
const fs = require('fs');
const path = require('path');

const CASES = path.join(__dirname, '..', '..', 'tests', 'golden', 'cases');
const MODULE_OPTIONS = { '--escape': 'escape', '--standalone': 'standalone' };

// The name of a document's page, as the program makes it.
function pageName(name) {
  const slash = Math.max(name.lastIndexOf('/'), name.lastIndexOf('\\'), name.lastIndexOf(':'));
  const dot = name.lastIndexOf('.');
  return (dot > slash ? name.slice(0, dot) : name) + '.htm';
}

function readIf(file) {
  return fs.existsSync(file) ? fs.readFileSync(file) : null;
}

// Every case of tests/golden/cases, with why it is left out (skip) or what
// the module must give: { name, document, documentName, map, options,
// expected (bytes) | fault (a fault's name), skip }.
function goldenCases() {
  const all = [];
  for (const name of fs.readdirSync(CASES).sort()) {
    const folder = path.join(CASES, name);
    if (!fs.existsSync(path.join(folder, 'stdout'))) continue;
    const entry = { name };
    all.push(entry);
    if (fs.existsSync(path.join(folder, 'setup'))) {
      entry.skip = 'sets up files or streams';
      continue;
    }
    const argsText = readIf(path.join(folder, 'args'));
    const args = argsText === null ? ['doc.chi'] : argsText.toString('utf8').split('\n').filter((a) => a !== '');
    const options = {};
    const documents = [];
    for (const arg of args) {
      if (MODULE_OPTIONS[arg]) options[MODULE_OPTIONS[arg]] = true;
      else documents.push(arg);
    }
    if (documents.length !== 1 || documents[0].startsWith('-')) {
      entry.skip = 'command line: ' + JSON.stringify(args);
      continue;
    }
    const documentName = documents[0];
    const document = readIf(path.join(folder, 'in', documentName));
    if (document === null) {
      entry.skip = 'the document is missing';
      continue;
    }
    Object.assign(entry, { documentName, document, options, map: readIf(path.join(folder, 'in', 'Runemap.txt')) });
    const status = Number((readIf(path.join(folder, 'status')) || '0').toString().trim());
    if (status === 0) {
      entry.expected = readIf(path.join(folder, 'out', pageName(documentName)));
      if (entry.expected === null) entry.skip = 'no page to compare';
      continue;
    }
    const fault = /Exception (\w+)/.exec(fs.readFileSync(path.join(folder, 'stdout'), 'latin1'));
    if (!fault || fault[1] === 'EInOutError') {
      entry.skip = 'a fault of files or streams';
      continue;
    }
    entry.fault = fault[1];
  }
  return all;
}

module.exports = { goldenCases, pageName };
