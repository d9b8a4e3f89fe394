// The page in a real browser: headless Chromium (Debian's /usr/bin/chromium),
// driven by puppeteer-core, on a static server bound to the loopback address.
// It feeds examples/sample.chi with its map file and checks the preview
// (superscripts, subscripts, Greek letters), the source view and the
// downloaded page against the native program's output; checks that a
// document holding <script> shows but never runs, with and without
// --escape; the warnings and faults in words; the map file kept for the
// next visit and forgotten; a large document converted in the worker while
// the page stays responsive (same bytes as the program); the page opened
// from a file:// address; and that no request leaves the page once loaded.
// A screenshot is kept.
//
//   node web/test/browser.js [--site DIR] [--vantrel PATH] [--shots DIR] [--big MIB]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { serve } = require('./serve.js');

const root = path.join(__dirname, '..', '..');
const args = {
  site: path.join(root, 'build-web', 'site'),
  vantrel: path.join(root, 'build', 'vantrel'),
  shots: path.join(root, 'build-web', 'browser'),
  big: 40,
};
for (let i = 2; i < process.argv.length; i += 2) {
  const name = process.argv[i].replace(/^--/, '');
  if (!(name in args) || i + 1 >= process.argv.length) {
    console.error('usage: browser.js [--site DIR] [--vantrel PATH] [--shots DIR] [--big MIB]');
    process.exit(2);
  }
  args[name] = name === 'big' ? Number(process.argv[i + 1]) : path.resolve(process.argv[i + 1]);
}

const CHROMIUM_FLAGS = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

let checks = 0;
function check(condition, what) {
  ++checks;
  if (!condition) throw new Error('check failed: ' + what);
  console.log('  ok ' + what);
}

// The program's page for a document (and map file) in a scratch folder.
function nativePage(work, name, document, map, flags = []) {
  const folder = fs.mkdtempSync(path.join(work, 'native-'));
  fs.writeFileSync(path.join(folder, name), document);
  if (map) fs.writeFileSync(path.join(folder, 'Runemap.txt'), map);
  const run = spawnSync(args.vantrel, ['-q', ...flags, name], { cwd: folder, encoding: 'latin1' });
  if (run.status !== 0) throw new Error('the program failed on ' + name + ': ' + run.stdout + run.stderr);
  return fs.readFileSync(path.join(folder, name.replace(/\.[^.]*$/, '') + '.htm'));
}

// The state of the document entries, as the page shows them.
function entries(page) {
  return page.$$eval('#documents > li', (items) =>
    items.map((li) => ({ id: li.dataset.id, state: li.dataset.state, text: li.innerText })),
  );
}

// Waits until no document is waiting or converting.
async function settled(page, timeout = 60000) {
  await page.waitForFunction(
    () => {
      const items = Array.from(document.querySelectorAll('#documents > li'));
      return items.length > 0 && items.every((li) => !['waiting', 'converting'].includes(li.dataset.state));
    },
    { timeout, polling: 50 },
  );
  return entries(page);
}

async function upload(page, selector, files) {
  const input = await page.$(selector);
  await input.uploadFile(...files);
}

// Shows the document `index` (0-based) and returns the preview's frame once loaded.
async function previewOf(page, index) {
  await page.click('#documents > li:nth-child(' + (index + 1) + ') button.name');
  await page.click('#tab-preview');
  const src = await page.$eval('#preview', (frame) => frame.src);
  check(src.startsWith('blob:'), 'the preview of document ' + (index + 1) + ' is a blob in the sandboxed frame');
  const frame = await page.waitForFrame((f) => f.url() === src, { timeout: 10000 });
  await frame.waitForFunction(() => document.readyState === 'complete', { timeout: 10000 });
  return frame;
}

// Clicks a document's download link and returns the file's bytes.
async function download(page, session, folder, index, name) {
  const target = path.join(folder, name);
  fs.rmSync(target, { force: true });
  const done = new Promise((resolve, reject) => {
    const listener = (event) => {
      if (event.state === 'completed' || event.state === 'canceled') {
        session.off('Browser.downloadProgress', listener);
        if (event.state === 'completed') resolve();
        else reject(new Error('download canceled'));
      }
    };
    session.on('Browser.downloadProgress', listener);
  });
  await page.click('#documents > li:nth-child(' + (index + 1) + ') a.download');
  await done;
  return fs.readFileSync(target);
}

function crlf(text) {
  return Buffer.from(text.replace(/\n/g, '\r\n'), 'latin1');
}

async function main() {
  for (const file of [path.join(args.site, 'index.html'), args.vantrel, '/usr/bin/chromium']) {
    if (!fs.existsSync(file)) throw new Error('missing ' + file + ': build and install first');
  }
  fs.mkdirSync(args.shots, { recursive: true });
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-browser-'));
  const profile = path.join(work, 'profile');
  const downloads = path.join(work, 'downloads');
  fs.mkdirSync(downloads);
  const { server, url, requests } = await serve(args.site);
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: CHROMIUM_FLAGS,
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 1000 });
    const pageErrors = [];
    page.on('pageerror', (error) => pageErrors.push(error.message));
    const consoleLines = [];
    page.on('console', (message) => consoleLines.push(message.text()));
    const lateRequests = [];
    let loaded = false;
    page.on('request', (request) => {
      if (loaded && !/^(data|blob):/.test(request.url())) lateRequests.push(request.url());
    });
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', {
      behavior: 'allow',
      downloadPath: downloads,
      eventsEnabled: true,
    });

    console.log('page at ' + url);
    await page.goto(url, { waitUntil: 'load' });
    const served = requests.length;
    loaded = true;

    // --- the example with its map file --------------------------------------
    const sample = fs.readFileSync(path.join(root, 'examples', 'sample.chi'));
    const sampleMap = fs.readFileSync(path.join(root, 'examples', 'Runemap.txt'));
    await upload(page, '#pick-map', [path.join(root, 'examples', 'Runemap.txt')]);
    await upload(page, '#pick-documents', [path.join(root, 'examples', 'sample.chi')]);
    let list = await settled(page);
    check(list.length === 1 && list[0].state === 'done', 'examples/sample.chi converts: ' + list[0].text.split('\n')[0]);
    check(/31 row groups/.test(list[0].text), 'the page counts its 31 row groups');
    let frame = await previewOf(page, 0);
    const shown = await frame.evaluate(() => ({
      sup: document.querySelectorAll('sup').length,
      sub: document.querySelectorAll('sub').length,
      text: document.body.textContent,
      greekColor: getComputedStyle(document.querySelector('.Fn2')).color,
    }));
    check(shown.sup >= 5, 'the preview holds superscripts (' + shown.sup + ' <sup>)');
    check(shown.sub >= 5, 'the preview holds subscripts (' + shown.sub + ' <sub>)');
    check(/ΛΟΓΟΣ/.test(shown.text) && /αβγδε/.test(shown.text), 'the preview shows Greek letters (ΛΟΓΟΣ, αβγδε)');
    check(shown.greekColor !== 'rgb(0, 0, 0)', "the map file's header styles the Greek font (" + shown.greekColor + ')');
    const expected = nativePage(work, 'sample.chi', sample, sampleMap);
    const downloaded = await download(page, session, downloads, 0, 'sample.htm');
    check(downloaded.equals(expected), 'the downloaded sample.htm is byte for byte the program\'s (' + expected.length + ' bytes)');
    await page.click('#tab-source');
    const source = await page.$eval('#source', (pre) => pre.textContent);
    check(source === expected.toString('utf8'), 'the HTML source view shows the same text');
    await page.click('#tab-preview');
    await page.screenshot({ path: path.join(args.shots, 'page.png'), fullPage: true });
    console.log('  screenshot ' + path.join(args.shots, 'page.png'));

    // --- a document holding <script> ----------------------------------------
    const scriptDoc = path.join(work, 'script.chi');
    fs.writeFileSync(
      scriptDoc,
      crlf(
        '\\+\nBefore the script.<script>document.body.setAttribute("data-ran", "script");' +
          'parent.postMessage("ran", "*");fetch("/ran")</script> After it.' +
          '<img src="data:," onerror="document.body.setAttribute(\'data-ran\', \'handler\')">\n',
      ),
    );
    await upload(page, '#pick-documents', [scriptDoc]);
    list = await settled(page);
    check(list[1].state === 'done', 'the document holding <script> converts');
    check(/1 row yields raw mark-up/.test(list[1].text), 'its raw mark-up is told: ' + list[1].text.split('\n').slice(-1)[0]);
    frame = await previewOf(page, 1);
    let state = await frame.evaluate(() => ({
      ran: document.body.getAttribute('data-ran'),
      scripts: document.querySelectorAll('script').length,
      text: document.body.textContent,
    }));
    check(state.scripts === 1 && /Before the script/.test(state.text), 'without --escape the script is in the preview');
    check(state.ran === null, 'and it never ran (nor its event handler)');
    check(
      consoleLines.some((line) => /^Blocked script execution in 'blob:.*sandboxed/.test(line)),
      'Chromium blocked it: the frame is sandboxed without allow-scripts',
    );
    await page.click('#escape');
    list = await settled(page);
    check(list.every((e) => e.state === 'done' && /mark-up escaped/.test(e.text)), 'with --escape both convert again');
    frame = await previewOf(page, 1);
    state = await frame.evaluate(() => ({
      ran: document.body.getAttribute('data-ran'),
      scripts: document.querySelectorAll('script').length,
      text: document.body.textContent,
    }));
    check(state.scripts === 0 && state.text.includes('<script>document.body'), 'with --escape the script shows as text');
    check(state.ran === null, 'and nothing ran');
    await page.click('#escape');
    await settled(page);

    // --- warnings and faults in words ---------------------------------------
    const lfDoc = path.join(work, 'lf.chi');
    fs.writeFileSync(lfDoc, '\\+\nLines that end in LF alone\n\\+\nrun together\n');
    await upload(page, '#pick-documents', [lfDoc]);
    list = await settled(page);
    check(/lf\.chi, line 1: line ends in LF alone/.test(list[2].text), 'a document with LF line ends is warned of');
    const badMap = path.join(work, 'bad', 'Runemap.txt');
    fs.mkdirSync(path.dirname(badMap));
    fs.writeFileSync(badMap, 'F\r\n');
    await upload(page, '#pick-map', [badMap]);
    list = await settled(page);
    check(
      list.every((e) => e.state === 'fault' && /The map file asks for something out of range/.test(e.text)),
      'a faulty map file is a fault in words for every document',
    );
    // The map file is kept for the next visit, and can be forgotten.
    await upload(page, '#pick-map', [path.join(root, 'examples', 'Runemap.txt')]);
    await settled(page);
    loaded = false;
    await page.reload({ waitUntil: 'load' });
    loaded = true;
    const mapLine = await page.$eval('#map-status', (e) => e.textContent);
    check(/Runemap\.txt \(855 bytes\), kept in this browser/.test(mapLine), 'after a reload the map file is still there');
    await upload(page, '#pick-documents', [path.join(root, 'examples', 'sample.chi')]);
    list = await settled(page);
    check(list.length === 1 && list[0].state === 'done' && !/Warning/.test(list[0].text), 'and converts with it');
    await page.click('#forget-map');
    list = await settled(page);
    check(/no map file: every code stands for the Latin-1 character/.test(list[0].text), 'forgotten, its absence is warned of');
    loaded = false;
    await page.reload({ waitUntil: 'load' });
    loaded = true;
    check(/^No map file/.test(await page.$eval('#map-status', (e) => e.textContent)), 'and stays forgotten after a reload');

    // --- a large document ---------------------------------------------------
    // Rows of text and, at the end, a row of "\A" that takes back more than
    // the module holds: the worker reads the bytes back from its Blobs.
    const groups = Math.max(1, Math.round((args.big * 1048576) / 106));
    const bigDoc = path.join(work, 'big.chi');
    fs.writeFileSync(
      bigDoc,
      Buffer.from(('\\+\r\n' + 'a'.repeat(99) + ' \r\n').repeat(groups) + '\\+\r\n' + '\\A'.repeat(4 << 20) + 'b\r\n', 'latin1'),
    );
    const bigSize = fs.statSync(bigDoc).size;
    const started = Date.now();
    await upload(page, '#pick-documents', [bigDoc]);
    // The page answers while the worker converts.
    let slowest = 0;
    let progressSeen = false;
    for (;;) {
      const asked = Date.now();
      const now = await page.evaluate(() => ({
        state: document.querySelector('#documents > li:last-child').dataset.state,
        progress: document.querySelector('#progress').value,
      }));
      slowest = Math.max(slowest, Date.now() - asked);
      if (now.progress > 0 && now.progress < 1) progressSeen = true;
      if (now.state !== 'waiting' && now.state !== 'converting') break;
      if (Date.now() - started > 120000) throw new Error('the large document took more than two minutes');
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
    const seconds = (Date.now() - started) / 1000;
    list = await entries(page);
    check(list[0].state === 'done', 'a ' + (bigSize / 1048576).toFixed(0) + ' MiB document converts in the worker in ' + seconds.toFixed(1) + ' s');
    check(progressSeen, 'the progress bar moved on while it converted');
    check(slowest < 1000, 'the page answered within ' + slowest + ' ms all along');
    const bigExpected = nativePage(work, 'big.chi', fs.readFileSync(bigDoc), null);
    const bigDownloaded = await download(page, session, downloads, 0, 'big.htm');
    check(bigDownloaded.equals(bigExpected), 'its page is byte for byte the program\'s (' + bigExpected.length + ' bytes)');
    await page.click('#documents > li:nth-child(1) button.name');
    const bigNote = await page.$eval('#view-note', (p) => p.textContent);
    check(/preview shows the first 1\.0 MiB/.test(bigNote), 'the preview of a large page is cut, and says so: ' + bigNote);

    check(pageErrors.length === 0, 'no error in the page' + (pageErrors.length ? ': ' + pageErrors.join('; ') : ''));
    check(requests.length === served * 3, 'the server saw the page loaded three times and nothing else');
    check(!requests.some((r) => r.startsWith('/ran')), 'no script of a document reached the server');
    check(lateRequests.length === 0, 'no request left the page once loaded' + (lateRequests.length ? ': ' + lateRequests : ''));

    // --- from a file:// address ----------------------------------------------
    const local = await browser.newPage();
    const localErrors = [];
    local.on('pageerror', (error) => localErrors.push(error.message));
    await local.goto('file://' + path.join(args.site, 'index.html'), { waitUntil: 'load' });
    await upload(local, '#pick-map', [path.join(root, 'examples', 'Runemap.txt')]);
    await upload(local, '#pick-documents', [path.join(root, 'examples', 'sample.chi')]);
    list = await settled(local);
    frame = await previewOf(local, 0);
    const localShown = await frame.evaluate(() => document.querySelectorAll('sup').length);
    check(list[0].state === 'done' && localShown === shown.sup && localErrors.length === 0, 'from file:// the page works alike');
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log('browser: ' + checks + ' checks passed');
}

main().catch((error) => {
  console.error('FAIL ' + (error && error.stack ? error.stack : error));
  process.exitCode = 1;
});
