// Differential test: random documents and map files converted by the native
// program and by the WebAssembly module under node must give the same page,
// the same fault, and the same warnings (the document's, a map file's LF
// line ends, and the raw mark-up that the program's --check tells).
//
//   node web/test/differential.js [--count N] [--seed S] [--vantrel PATH] [--package DIR]
//
// The program is build/vantrel unless --vantrel names another; the module
// is loaded from build-web/package unless --package names another folder.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');

const root = path.join(__dirname, '..', '..');
const args = { count: 300, seed: 20061026, vantrel: path.join(root, 'build', 'vantrel') };
args.package = path.join(root, 'build-web', 'package');
for (let i = 2; i < process.argv.length; i += 2) {
  const name = process.argv[i].replace(/^--/, '');
  if (!(name in args) || i + 1 >= process.argv.length) {
    console.error('usage: differential.js [--count N] [--seed S] [--vantrel PATH] [--package DIR]');
    process.exit(2);
  }
  args[name] = name === 'count' || name === 'seed' ? Number(process.argv[i + 1]) : path.resolve(process.argv[i + 1]);
}
const vantrel = require(args.package);

// xorshift32: the same documents for the same seed, on every machine.
function random(seed) {
  let state = seed >>> 0 || 1;
  const next = () => {
    state ^= state << 13;
    state >>>= 0;
    state ^= state >>> 17;
    state ^= state << 5;
    state >>>= 0;
    return state;
  };
  return { below: (n) => next() % n, pick: (list) => list[next() % list.length] };
}

// Pieces that documents are made of, the tricky ones often.
const PIECES = [
  '\\+', '\\-', '\\+', '\\-', '\r\n', '\r\n', '\r\n', '\r', '\n', '\0',
  '\f', ' ', ' ', '   ', 'a', 'b', 'xyz', 'hello world', '\xe9', '\xff',
  '\x80', '\\', '\\\\', '\\/', '\\/\f', '\\[', '\\,', '\\A', '\\A\\A\\A', '\\1',
  '\\2', '\\3', '\\5', '\\!', '\\*', '\\"', '\\0', '\\ ', '\\a', '\\.',
  '/', '[', '+', '-', '\\+ 2', '\\-  i', '\\+\\2x', '\\+\\A', '\\-\f', '0123456789',
  '\t', 'AAA', '<b>', '&', '"q"', 'a>b', '<script>x=1</script>', '\\A\\A\\A\\A\\A\\A',
];

// Up to 60 pieces and line ends.
function pieceDocument(rng) {
  let doc = '';
  const count = rng.below(60);
  for (let i = 0; i < count; ++i) doc += rng.below(4) === 0 ? '\r\n' : rng.pick(PIECES);
  return doc;
}

function marks(rng, width, mark) {
  let row = '';
  const length = rng.below(width);
  for (let i = 0; i < length; ++i) row += rng.below(6) === 0 ? String.fromCharCode(mark.charCodeAt(0) + rng.below(3)) : ' ';
  return row + mark + ' '.repeat(rng.below(4) === 0 ? rng.below(5) : 0);
}

// Row groups of long base rows of text with escapes, marks above and below.
function textDocument(rng) {
  let doc = '';
  const groups = 1 + rng.below(8);
  for (let g = 0; g < groups; ++g) {
    doc += '\\+' + (rng.below(3) === 0 ? marks(rng, 50, '2') : '') + '\r\n';
    const length = rng.below(300);
    for (let i = 0; i < length; ++i) {
      const roll = rng.below(100);
      if (roll < 60) doc += String.fromCharCode(97 + rng.below(26));
      else if (roll < 75) doc += ' ';
      else if (roll < 82) doc += String.fromCharCode(0x80 + rng.below(128));
      else if (roll < 97) doc += rng.pick(PIECES);
      else doc += String.fromCharCode(0x21 + rng.below(0x5f));
    }
    doc += '\r\n';
    if (rng.below(2) === 0) doc += '\\-' + (rng.below(2) === 0 ? marks(rng, 80, 'i') : '') + '\r\n';
  }
  return doc;
}

// Characters a code page may give, of every length, mark-up among them.
const MAP_TEXT = ['A', 'z', '\u00e9', '\u03b1', '\u20ac', '\u2211', '\u{1f600}', '<', '&', '>', '"', '\\', ' ', '\u00a0'];

function utf8(text) {
  return Buffer.from(text, 'utf8').toString('latin1');
}

// A map file: font lines, code blocks, single codes, header blocks, comments
// and lines of no known kind; now and then one with LF line ends or faults.
function mapText(rng) {
  const lines = [];
  const count = 1 + rng.below(12);
  for (let i = 0; i < count; ++i) {
    switch (rng.below(9)) {
      case 0:
      case 1:
        lines.push('Fn' + rng.below(23) + ':' + (rng.below(12) === 0 ? 4 : rng.below(4)));
        break;
      case 2:
      case 3: {
        const page = rng.below(30) === 0 ? 4 + rng.below(300) : rng.below(4);
        let codes = '';
        let text = '';
        const n = 1 + rng.below(8);
        for (let k = 0; k < n; ++k) {
          codes += String.fromCharCode(rng.below(4) === 0 ? 0x80 + rng.below(128) : 0x21 + rng.below(0x5e));
          text += utf8(rng.pick(MAP_TEXT));
        }
        if (rng.below(40) === 0) text += '\xe2\x82'; // a character cut short
        lines.push(':' + page, codes, text);
        break;
      }
      case 4:
        lines.push(String(rng.below(20) === 0 ? 256 + rng.below(100) : rng.below(256)), utf8(rng.pick(MAP_TEXT)));
        break;
      case 5:
        lines.push('HTML header:', '<style>.Fn' + rng.below(21) + ' { color: teal }</style>', '');
        break;
      case 6:
        lines.push(rng.pick(['/ a comment', ' indented', '']));
        break;
      case 7:
        lines.push(rng.pick(['Fx', 'F', 'junk', '\xef\xbb\xbfFn1:1']));
        break;
      default:
        lines.push('Fn' + rng.below(21) + ':' + rng.below(4));
    }
  }
  const end = rng.below(10) === 0 ? '\n' : rng.below(10) === 0 ? '\r' : '\r\n';
  return Buffer.from(lines.join(end) + end, 'latin1');
}

// A long document whose last row takes back, one "\A" at a time, more than
// the converter and the module's sink hold: the take-back reaches into the
// HTML already handed to JavaScript.
function deepTakeBackDocument() {
  return ('\\+\r\n' + 'a'.repeat(99) + ' \r\n').repeat(200000) + '\\+\r\n' + '\\A'.repeat(3 << 20) + 'b\r\n';
}

// The console text as its bytes (latin1); the lines on standard error as
// the UTF-8 they are.
function run(command, options, cwd) {
  const result = spawnSync(command, options, { cwd, encoding: 'latin1', maxBuffer: 1 << 28 });
  if (result.error) throw result.error;
  result.stderr = Buffer.from(result.stderr, 'latin1').toString('utf8');
  return result;
}

function lines(text) {
  return text.split('\n').filter((line) => line !== '');
}

async function main() {
  if (!fs.existsSync(args.vantrel)) throw new Error('no program at ' + args.vantrel + ': build it first');
  const converter = await vantrel.load();
  const rng = random(args.seed);
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-differential-'));
  const failures = [];
  const seen = { faults: 0, warnings: 0, markup: 0, mapWarnings: 0 };
  try {
    for (let i = 0; i < args.count; ++i) {
      const kind = i === 0 ? 'deep take-back' : rng.below(2) === 0 ? 'pieces' : 'text';
      const document = Buffer.from(
        kind === 'deep take-back' ? deepTakeBackDocument() : kind === 'pieces' ? pieceDocument(rng) : textDocument(rng),
        'latin1',
      );
      const map = rng.below(4) === 0 ? null : mapText(rng);
      const escape = rng.below(3) === 0;
      const standalone = rng.below(3) === 0;
      const folder = path.join(work, 'case' + i);
      fs.mkdirSync(folder);
      fs.writeFileSync(path.join(folder, 'doc.chi'), document);
      if (map) fs.writeFileSync(path.join(folder, 'Runemap.txt'), map);
      const flags = (escape ? ['--escape'] : []).concat(standalone ? ['--standalone'] : []);

      const native = run(args.vantrel, ['-q', ...flags, 'doc.chi'], folder);
      const page = path.join(folder, 'doc.htm');
      const nativeHtml = fs.existsSync(page) ? fs.readFileSync(page) : null;
      const nativeFault = /Exception (\w+)/.exec(native.stdout);
      const nativeWarnings = lines(native.stderr);
      const check = escape ? null : run(args.vantrel, ['--check', 'doc.chi'], folder);

      const result = converter.convert(document, { map, name: 'doc.chi', escape, standalone });
      const name = 'case ' + i + ' (' + kind + (map ? ', map' : '') + (flags.length ? ' ' + flags.join(' ') : '') + ')';
      const fail = (what) => {
        failures.push(name + ': ' + what + ' [kept in ' + folder + ']');
        fs.writeFileSync(path.join(folder, 'module.htm'), result.html || '');
      };

      if (nativeFault || native.status !== 0) {
        ++seen.faults;
        if (!nativeFault) fail('the program ended with status ' + native.status + ': ' + native.stdout);
        else if (!result.fault || result.fault.name !== nativeFault[1]) {
          fail('the program raised ' + nativeFault[1] + ', the module ' + JSON.stringify(result.fault));
        }
        continue;
      }
      if (result.fault) {
        fail('the module raised ' + JSON.stringify(result.fault) + ', the program nothing');
        continue;
      }
      if (!Buffer.from(result.html).equals(nativeHtml)) fail('the pages differ (module.htm beside doc.htm)');

      const texts = (filter) => result.warnings.filter(filter).map((w) => w.text);
      const isMarkup = (w) => w.message.includes('raw mark-up');
      const moduleDocument = texts((w) => w.file === 'doc.chi' && !isMarkup(w));
      const nativeDocument = nativeWarnings.filter((line) => line.startsWith('vantrel: doc.chi'));
      if (JSON.stringify(moduleDocument) !== JSON.stringify(nativeDocument)) {
        fail('document warnings: module ' + JSON.stringify(moduleDocument) + ', program ' + JSON.stringify(nativeDocument));
      }
      seen.warnings += nativeDocument.length > 0 ? 1 : 0;
      const moduleMap = texts((w) => w.file === 'Runemap.txt');
      const nativeMap = nativeWarnings.filter((line) => line.startsWith('vantrel: Runemap.txt') && line.includes('LF alone'));
      if (JSON.stringify(moduleMap) !== JSON.stringify(nativeMap)) {
        fail('map warnings: module ' + JSON.stringify(moduleMap) + ', program ' + JSON.stringify(nativeMap));
      }
      seen.mapWarnings += nativeMap.length > 0 ? 1 : 0;
      if (check) {
        const moduleMarkup = texts(isMarkup);
        const nativeMarkup = lines(check.stderr).filter((line) => line.includes('raw mark-up'));
        if (JSON.stringify(moduleMarkup) !== JSON.stringify(nativeMarkup)) {
          fail('raw mark-up: module ' + JSON.stringify(moduleMarkup) + ', program ' + JSON.stringify(nativeMarkup));
        }
        seen.markup += nativeMarkup.length > 0 ? 1 : 0;
      }
      if (failures.length === 0 || !failures[failures.length - 1].startsWith(name)) {
        fs.rmSync(folder, { recursive: true, force: true });
      }
    }
  } finally {
    if (failures.length === 0) fs.rmSync(work, { recursive: true, force: true });
  }
  for (const failure of failures.slice(0, 20)) console.error('FAIL ' + failure);
  console.log(
    'differential: ' + args.count + ' random documents (seed ' + args.seed + '), ' + failures.length + ' differ; ' +
      seen.faults + ' faults, ' + seen.warnings + ' with document warnings, ' + seen.mapWarnings +
      ' with map warnings, ' + seen.markup + ' with raw mark-up',
  );
  // Random input that never reaches a fault or a warning would leave those paths untested.
  if (seen.faults === 0 || seen.warnings === 0 || seen.markup === 0 || seen.mapWarnings === 0) {
    console.error('FAIL the random documents left a kind of outcome untried');
    process.exitCode = 1;
  }
  if (failures.length > 0) process.exitCode = 1;
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
