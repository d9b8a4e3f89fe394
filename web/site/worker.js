// The page's worker: converts one document at a time, off the page's
// thread. It runs after vantrel-core.js and vantrel.js (scripts/build-web.sh
// puts the three together), so `Vantrel` is defined.
//
// Page to worker: { id, file, map, mapName, escape, standalone }
// Worker to page: { id, type: 'progress', phase, bytes, size, rowGroups }
//                 { id, type: 'done', html (a Blob, or null after a fault),
//                   warnings, fault, report }
//                 { id, type: 'error', message } when the worker itself failed
'use strict';

// A document is read in slices of this size, never whole.
const SLICE = 4 << 20;
// The HTML is kept in pieces; once this much has gathered, all but the last
// piece go into a Blob, which the browser may keep out of the page's memory.
const FOLD = 32 << 20;
// Bytes taken back from the Blob come back a mebibyte at least at a time.
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

// The HTML as it grows: the newest pieces as arrays, the older ones folded
// into a Blob. Bytes taken back from the Blob are read back from it.
class BlobSink {
  constructor() {
    this.blob = new Blob([]);
    this.pieces = [];
    this.piecesSize = 0;
  }

  write(view) {
    this.pieces.push(view.slice());
    this.piecesSize += view.length;
    if (this.piecesSize >= FOLD) {
      const last = this.pieces.pop();
      this.blob = new Blob([this.blob, ...this.pieces]);
      this.pieces = [last];
      this.piecesSize = last.length;
    }
  }

  takeBack(count) {
    const parts = [];
    let need = Math.min(count, this.blob.size + this.piecesSize);
    const taken = need;
    while (need > 0 && this.pieces.length > 0) {
      const last = this.pieces[this.pieces.length - 1];
      if (last.length <= need) {
        this.pieces.pop();
        parts.unshift(last);
        need -= last.length;
        this.piecesSize -= last.length;
      } else {
        parts.unshift(last.slice(last.length - need));
        this.pieces[this.pieces.length - 1] = last.subarray(0, last.length - need);
        this.piecesSize -= need;
        need = 0;
      }
    }
    if (need > 0) {
      // The pieces are used up: a slice of the Blob's end comes back into
      // them, so that the next take-backs find their bytes here.
      const back = Math.min(this.blob.size, Math.max(need, REFILL));
      const tail = new Uint8Array(new FileReaderSync().readAsArrayBuffer(this.blob.slice(this.blob.size - back)));
      this.blob = this.blob.slice(0, this.blob.size - back);
      parts.unshift(tail.subarray(back - need));
      this.pieces = [tail.subarray(0, back - need)];
      this.piecesSize = back - need;
    }
    const bytes = new Uint8Array(taken);
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return bytes;
  }

  finish() {
    return new Blob([this.blob, ...this.pieces], { type: 'text/html;charset=utf-8' });
  }
}

let converter = null;

async function convertJob(job) {
  if (converter === null) converter = await self.Vantrel.load();
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
  self.postMessage({
    id: job.id,
    type: 'done',
    html: result.fault ? null : sink.finish(),
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
