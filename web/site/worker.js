// The page's worker: converts one document at a time, off the page's
// thread. It runs after vantrel-core.js and vantrel.js (scripts/build-web.sh
// puts the three together), so `Vantrel` is defined.
//
// Page to worker: { id, file, map, mapName, escape, standalone }
// Worker to page: { id, type: 'progress', phase, bytes, size, rowGroups }
//                 { id, type: 'done', html (a Blob, or null after a fault),
//                   warnings, fault, report, seconds (the conversion's time) }
//                 { id, type: 'error', message } when the worker itself failed
'use strict';

// A document is read in slices of this size, never whole.
const SLICE = 4 << 20;
// Bytes taken back from the HTML's Blobs come back a mebibyte at least at a time.
const REFILL = 1 << 20;
// Progress reaches the page at most this often (milliseconds).
const PROGRESS_EVERY = 100;

const IO_CODE = self.Vantrel.IO_CODE;

// Reads `file` in slices through FileReaderSync; `onBytes(count)` hears how
// many bytes have been handed out so far.
function fileReader(file, onBytes) {
  const reader = new FileReaderSync();
  let next = 0; // where the next slice begins
  let slice = new Uint8Array(0);
  let at = 0; // in slice
  let handedOut = 0;
  return (into) => {
    if (at === slice.length) {
      if (next >= file.size) return 0;
      try {
        slice = new Uint8Array(reader.readAsArrayBuffer(file.slice(next, Math.min(file.size, next + SLICE))));
      } catch (error) {
        // The file was removed, or changed since it was picked.
        if (error.name === 'NotFoundError') return -IO_CODE.notFound;
        if (error.name === 'NotReadableError') return -IO_CODE.changed;
        if (error.name === 'SecurityError') return -IO_CODE.accessDenied;
        return -IO_CODE.failed;
      }
      if (slice.length === 0) return -IO_CODE.changed; // shorter than it was
      next += slice.length;
      at = 0;
    }
    const count = Math.min(into.length, slice.length - at);
    into.set(slice.subarray(at, at + count));
    at += count;
    handedOut += count;
    onBytes(handedOut);
    return count;
  };
}

// The HTML as it grows, in Blobs: each piece the module hands over is copied
// once, into a Blob of its own, which the browser may keep out of the page's
// memory. Bytes taken back come back from the last Blobs, a mebibyte at least
// at a time, into `tail`, where the next take-backs find them.
class BlobSink {
  constructor() {
    this.parts = [];
    this.tail = new Uint8Array(0); // the text's last bytes, after the parts
  }

  write(view) {
    this.keepTail();
    this.parts.push(new Blob([view]));
  }

  keepTail() {
    if (this.tail.length > 0) this.parts.push(new Blob([this.tail]));
    this.tail = new Uint8Array(0);
  }

  takeBack(count) {
    if (this.tail.length < count && this.parts.length > 0) {
      const back = [];
      let size = this.tail.length;
      while (size < Math.max(count, REFILL) && this.parts.length > 0) {
        const part = this.parts.pop();
        back.unshift(part);
        size += part.size;
      }
      const read = new Uint8Array(new FileReaderSync().readAsArrayBuffer(new Blob(back)));
      const tail = new Uint8Array(read.length + this.tail.length);
      tail.set(read);
      tail.set(this.tail, read.length);
      this.tail = tail;
    }
    const taken = Math.min(count, this.tail.length);
    const bytes = this.tail.slice(this.tail.length - taken);
    this.tail = this.tail.subarray(0, this.tail.length - taken);
    return bytes;
  }

  finish() {
    this.keepTail();
    return new Blob(this.parts, { type: 'text/html;charset=utf-8' });
  }
}

let converter = null;

async function convertJob(job) {
  if (converter === null) converter = await self.Vantrel.load();
  const started = performance.now();
  const size = job.file.size;
  let phase = 'convert';
  let bytes = 0;
  let rowGroups = 0;
  let last = 0;
  const tell = (force) => {
    const now = performance.now();
    if (!force && now - last < PROGRESS_EVERY) return;
    last = now;
    self.postMessage({ id: job.id, type: 'progress', phase, bytes, size, rowGroups });
  };
  const sink = new BlobSink();
  const result = converter.convertReader(
    () =>
      fileReader(job.file, (count) => {
        bytes = count;
        tell(false);
      }),
    sink,
    {
      map: job.map,
      mapName: job.mapName,
      name: job.file.name,
      escape: job.escape,
      standalone: job.standalone,
      progressEvery: 64,
      onProgress: (groups) => {
        rowGroups = groups;
        tell(false);
      },
      onScan: (report) => {
        rowGroups = report.rowGroups;
        phase = 'scan';
        bytes = 0;
        tell(true);
      },
    },
  );
  const html = result.fault ? null : sink.finish();
  self.postMessage({
    id: job.id,
    type: 'done',
    seconds: (performance.now() - started) / 1000,
    html: html,
    warnings: result.warnings,
    fault: result.fault,
    report: result.report,
  });
}

self.onmessage = (event) => {
  const job = event.data;
  convertJob(job).catch((error) => {
    self.postMessage({ id: job.id, type: 'error', message: String((error && error.message) || error) });
  });
};
