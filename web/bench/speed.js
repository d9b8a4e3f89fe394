// Times a conversion of one document by the native program, by the module
// under node, and by the page in headless Chromium (from the pick of the
// file to the page ready for download, worker and all), best of N runs each.
//
//   build/bench/docgen realistic 104857600 /dev/shm/doc100
//   node web/bench/speed.js /dev/shm/doc100 [RUNS]
//
// FOLDER holds doc.chi and Runemap.txt. Needs build/vantrel, build-web (the
// page and the package) and web/node_modules (npm ci in web/).
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { serve } = require('../test/serve.js');

const root = path.join(__dirname, '..', '..');
const folder = path.resolve(process.argv[2] || '');
const runs = Number(process.argv[3] || 3);
const documentFile = path.join(folder, 'doc.chi');
const mapFile = path.join(folder, 'Runemap.txt');
if (!fs.existsSync(documentFile) || !fs.existsSync(mapFile)) {
  console.error('usage: speed.js FOLDER [RUNS]   (FOLDER holds doc.chi and Runemap.txt, as docgen writes them)');
  process.exit(2);
}

const best = (times) => Math.min(...times);
const mib = fs.statSync(documentFile).size / 1048576;

function nativeTimes() {
  const times = [];
  for (let i = 0; i < runs; ++i) {
    const started = process.hrtime.bigint();
    const run = spawnSync(path.join(root, 'build', 'vantrel'), ['-q', 'doc.chi'], { cwd: folder });
    if (run.status !== 0) throw new Error('the program failed');
    times.push(Number(process.hrtime.bigint() - started) / 1e9);
  }
  return times;
}

async function nodeTimes(escape) {
  const converter = await require(path.join(root, 'build-web', 'package')).load();
  const document = fs.readFileSync(documentFile);
  const map = fs.readFileSync(mapFile);
  const times = [];
  for (let i = 0; i < runs; ++i) {
    const started = process.hrtime.bigint();
    const result = converter.convert(document, { map, escape });
    if (result.fault) throw new Error('the module failed: ' + result.fault.text);
    times.push(Number(process.hrtime.bigint() - started) / 1e9);
  }
  return times;
}

async function browserTimes(escape) {
  const { server, url } = await serve(path.join(root, 'build-web', 'site'));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-speed-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  const times = [];
  try {
    for (let i = 0; i < runs; ++i) {
      const page = await browser.newPage();
      await page.goto(url, { waitUntil: 'load' });
      if (escape) await page.click('#escape');
      await (await page.$('#pick-map')).uploadFile(mapFile);
      const started = Date.now();
      await (await page.$('#pick-documents')).uploadFile(documentFile);
      await page.waitForFunction(
        () => ['done', 'fault'].includes((document.querySelector('#documents > li') || { dataset: {} }).dataset.state),
        { timeout: 600000, polling: 20 },
      );
      times.push((Date.now() - started) / 1000);
      const state = await page.$eval('#documents > li', (li) => li.dataset.state);
      if (state !== 'done') throw new Error('the page failed: ' + (await page.$eval('#documents > li', (li) => li.innerText)));
      await page.close();
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  return times;
}

async function main() {
  const cpu = (fs.readFileSync('/proc/cpuinfo', 'utf8').match(/model name\s*:\s*(.*)/) || [])[1];
  console.log('document: ' + documentFile + ', ' + mib.toFixed(1) + ' MiB; ' + os.cpus().length + ' cores, ' + cpu);
  const rows = [
    ['native program (vantrel -q doc.chi)', nativeTimes()],
    ['module under node, --escape', await nodeTimes(true)],
    ['module under node, raw mark-up scan too', await nodeTimes(false)],
    ['page in Chromium, --escape', await browserTimes(true)],
    ['page in Chromium, raw mark-up scan too', await browserTimes(false)],
  ];
  for (const [what, times] of rows) {
    const seconds = best(times);
    console.log(
      what.padEnd(42) + seconds.toFixed(2).padStart(7) + ' s  ' + (mib / seconds).toFixed(0).padStart(5) + ' MiB/s' +
        '   (runs: ' + times.map((t) => t.toFixed(2)).join(', ') + ')',
    );
  }
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
