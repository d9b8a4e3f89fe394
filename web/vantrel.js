// Vantrel for JavaScript: converts row-group documents to UTF-8 HTML with
// the converter compiled to WebAssembly (vantrel-core.js). The same file
// serves node (require), bundlers, and the page's worker (a plain script
// after vantrel-core.js, which leaves `Vantrel` on the global object).
//
//   const { convert } = require('vantrel');
//   const { html, warnings, fault } = await convert(documentBytes, { map, escape, standalone });
//
// See README.md for the whole API.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) {
    module.exports = factory(require('./vantrel-core.js'));
  } else {
    root.Vantrel = factory(root.VantrelCore);
  }
})(typeof self !== 'undefined' ? self : this, function (VantrelCore) {
  'use strict';

  // The fields of the module's result (the order of its Field values).
  const FIELD = {
    fault: 0,
    ioCode: 1,
    lines: 2,
    rowGroups: 3,
    firstLoneLfLine: 4,
    passedOverLines: 5,
    firstPassedOverLine: 6,
    rawMarkupRows: 7,
    firstRawMarkupLine: 8,
    controlCodes: 9,
  };

  // The module's faults, as the program names them.
  const FAULTS = [
    null,
    { name: 'ERangeError', message: 'Range check error' },
    { name: 'EIntOverflow', message: 'Integer overflow' },
    { name: 'EInOutError', message: '' },
    { name: 'EOutOfMemory', message: 'Out of memory' },
    { name: 'Exception', message: 'Unknown fault' },
  ];

  const IO_MESSAGES = {
    2: 'File not found',
    3: 'Invalid filename',
    4: 'Too many open files',
    5: 'File access denied',
    100: 'Read beyond end of file',
    101: 'Disk full',
    106: 'Invalid numeric input',
  };

  // I/O codes a reader gives back when a slice of a document cannot be read.
  const IO_CODE = { notFound: 2, accessDenied: 5, changed: 32, failed: 31 };

  const MAP_NAME = 'Runemap.txt';

  function toBytes(value, what) {
    if (value instanceof Uint8Array) return value;
    if (value instanceof ArrayBuffer) return new Uint8Array(value);
    if (ArrayBuffer.isView(value)) return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
    if (typeof value === 'string' && what === 'map') return new TextEncoder().encode(value);
    throw new TypeError(
      what === 'map'
        ? 'the map must be a Uint8Array, an ArrayBuffer or a string'
        : 'the document must be a Uint8Array or an ArrayBuffer (its bytes, not text)',
    );
  }

  function plural(count, one, many) {
    return count + ' ' + (count === 1 ? one : many);
  }

  // The first line of a map file's text that holds an LF ending no CR LF,
  // with the lines split as the map reader splits them (CR or CR LF ends a
  // line, a NUL where a line begins ends the text, a NUL inside a line ends
  // its text); 0 if none.
  function firstLoneLfLineOfMap(bytes) {
    let line = 1;
    let i = 0;
    while (i < bytes.length && bytes[i] !== 0) {
      let textEnded = false;
      for (; i < bytes.length && bytes[i] !== 13; ++i) {
        if (bytes[i] === 0) textEnded = true;
        else if (bytes[i] === 10 && !textEnded) return line;
      }
      if (i === bytes.length) break;
      i += i + 1 < bytes.length && bytes[i + 1] === 10 ? 2 : 1;
      ++line;
    }
    return 0;
  }

  function warning(file, line, message) {
    return {
      file: file,
      line: line,
      message: message,
      text: 'vantrel: ' + file + (line > 0 ? ':' + line : '') + ': warning: ' + message,
    };
  }

  // What a conversion saw, in the program's words, in the order of the lines.
  function documentWarnings(name, report, markup) {
    const found = [];
    if (report.firstLoneLfLine !== 0) {
      found.push(
        warning(
          name,
          report.firstLoneLfLine,
          'line ends in LF alone; only CR or CR LF ends a line, so the lines from here on run together ' +
            '(give the file CR LF line ends, e.g. with unix2dos)',
        ),
      );
    }
    if (report.lines > 0 && report.rowGroups === 0) {
      found.push(
        warning(name, 0, 'no row group: no line begins with \\+, so only the last line is converted, as superscripts'),
      );
    } else if (report.passedOverLines > 0) {
      found.push(
        warning(
          name,
          report.firstPassedOverLine,
          'text outside any row group is passed over (' +
            plural(report.passedOverLines, 'line', 'lines') +
            '); a row group begins with a line that starts with \\+',
        ),
      );
    }
    if (markup && markup.rows > 0) {
      found.push(
        warning(
          name,
          markup.firstLine,
          (markup.rows === 1 ? '1 row yields' : markup.rows + ' rows yield') +
            ' raw mark-up ("<" or "&"), which a browser reads as HTML; --escape shows it as written',
        ),
      );
    }
    // Stable: a sort by line that keeps the order above among equals.
    const sorted = found.map((w, i) => [w, i]).sort((a, b) => a[0].line - b[0].line || a[1] - b[1]);
    const warnings = sorted.map((p) => p[0]);
    const codes = report.controlCodes;
    if (codes > 0) {
      warnings.push(
        warning(
          name,
          0,
          String(codes).replace(/\B(?=(\d{3})+(?!\d))/g, ',') +
            (codes === 1 ? ' character became a control code' : ' characters became control codes') +
            ' U+0080\u2013U+009F; a map file (--map) gives them their meaning',
        ),
      );
    }
    return warnings;
  }

  // A fault of the module, in words.
  function faultOf(core, stage) {
    const kind = core._vantrel_result(FIELD.fault);
    if (kind === 0) return null;
    const known = FAULTS[kind] || FAULTS[FAULTS.length - 1];
    const fault = { name: known.name, message: known.message, stage: stage };
    if (known.name === 'EInOutError') {
      fault.code = core._vantrel_result(FIELD.ioCode);
      fault.message = IO_MESSAGES[fault.code] || 'I/O error ' + fault.code;
    }
    if (known.name === 'ERangeError') {
      fault.text =
        stage === 'map'
          ? 'The map file asks for something out of range (a code block for a page above 255, ' +
            'a lone "F" line, a character cut short): nothing was converted.'
          : 'The document asks for something out of range: the conversion stopped.';
    } else if (known.name === 'EInOutError') {
      fault.text =
        fault.code === IO_CODE.changed
          ? 'The document changed while it was read: convert it again.'
          : 'The document could not be read (' + fault.message + '): the conversion stopped.';
    } else if (known.name === 'EOutOfMemory') {
      fault.text = 'Out of memory: the converter may use up to 2 GiB, and no more was given.';
    } else {
      fault.text = known.name + ': ' + known.message + '.';
    }
    return fault;
  }

  // The HTML as it grows, in pieces: the default sink. A sink's write(view)
  // copies the bytes it is shown (a view into the module's memory, valid for
  // the call only); takeBack(count) removes the last `count` bytes (or all
  // there are) and returns them in order, as a Uint8Array.
  class Pieces {
    constructor() {
      this.list = [];
      this.size = 0;
    }
    write(view) {
      this.list.push(view.slice());
      this.size += view.length;
    }
    takeBack(count) {
      const parts = [];
      let need = Math.min(count, this.size);
      const taken = need;
      while (need > 0) {
        const last = this.list[this.list.length - 1];
        if (last.length <= need) {
          this.list.pop();
          parts.unshift(last);
          need -= last.length;
        } else {
          parts.unshift(last.subarray(last.length - need));
          this.list[this.list.length - 1] = last.subarray(0, last.length - need);
          need = 0;
        }
      }
      this.size -= taken;
      return concat(parts, taken);
    }
    join() {
      return concat(this.list, this.size);
    }
  }

  function concat(parts, size) {
    if (parts.length === 1) return parts[0];
    const all = new Uint8Array(size);
    let at = 0;
    for (const part of parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }

  // Hands a document held in memory out in slices.
  function memoryReader(bytes) {
    let at = 0;
    return (into) => {
      const count = Math.min(into.length, bytes.length - at);
      into.set(bytes.subarray(at, at + count));
      at += count;
      return count;
    };
  }

  class Converter {
    constructor(core) {
      this.core = core;
      this.busy = false;
    }

    // Converts a document held in memory. Returns { html, warnings, fault, report }:
    // html (a Uint8Array of UTF-8) is null when a fault stopped the conversion.
    convert(document, options) {
      const bytes = toBytes(document, 'document');
      const pieces = new Pieces();
      const result = this.convertReader(() => memoryReader(bytes), pieces, options);
      result.html = result.fault ? null : pieces.join();
      return result;
    }

    // Converts a document read through `openReader()`, which returns a
    // function read(into) that fills the Uint8Array `into` from the start
    // with the next bytes and returns how many (0 at the end; minus an I/O
    // code, such as IO_CODE.changed, when reading failed). It is opened a
    // second time for the raw mark-up scan when `escape` is off. The HTML
    // goes to `sink` (see Pieces). Returns { warnings, fault, report }; after
    // a fault the sink holds an incomplete text. An error thrown by the
    // reader, the sink or onProgress stops the conversion and is thrown here.
    convertReader(openReader, sink, options) {
      options = options || {};
      if (this.busy) throw new Error('a conversion is already running on this converter');
      this.busy = true;
      try {
        return this.run(openReader, sink, options);
      } finally {
        this.busy = false;
        for (const hook of ['vantrelRead', 'vantrelWrite', 'vantrelTakeBack', 'vantrelProgress']) {
          delete this.core[hook];
        }
      }
    }

    run(openReader, sink, options) {
      const core = this.core;
      const name = options.name || 'document.chi';
      const mapName = options.mapName || MAP_NAME;
      const warnings = [];
      const result = { warnings: warnings, fault: null, report: null };

      const hasMap = options.map !== undefined && options.map !== null;
      const map = hasMap ? toBytes(options.map, 'map') : new Uint8Array(0);
      if (hasMap) {
        const lfLine = firstLoneLfLineOfMap(map);
        if (lfLine !== 0) {
          warnings.push(
            warning(
              mapName,
              lfLine,
              'line ends in LF alone; only CR or CR LF ends a line, so the map file is read as one line ' +
                '(give it CR LF line ends, e.g. with unix2dos)',
            ),
          );
        }
      }
      withBytes(core, map, (pointer) => core._vantrel_read_map(pointer, map.length, hasMap ? 1 : 0));
      result.fault = faultOf(core, 'map');
      if (result.fault) return result;

      // The hooks never throw through the module: the module hears an I/O
      // code, unwinds, and the error is thrown here.
      let hookError = null;
      const guard = (body) => {
        try {
          return body();
        } catch (error) {
          if (!hookError) hookError = { error: error };
          return -IO_CODE.failed;
        }
      };
      const check = () => {
        if (hookError) throw hookError.error;
      };
      core.vantrelRead = readerHook(core, openReader(), guard);
      core.vantrelWrite = (pointer, size) =>
        guard(() => {
          sink.write(core.HEAPU8.subarray(pointer, pointer + size));
          return 0;
        });
      core.vantrelTakeBack = (pointer, count) =>
        guard(() => {
          const bytes = sink.takeBack(count);
          core.HEAPU8.set(bytes, pointer);
          return bytes.length;
        });
      const onProgress = options.onProgress;
      const every = onProgress ? options.progressEvery || 1 : 0;
      core.vantrelProgress = (groups) => guard(() => onProgress(groups));
      const title = new TextEncoder().encode(name.replace(/^.*[/\\:]/, ''));
      withBytes(core, title, (pointer) =>
        core._vantrel_convert(options.escape ? 1 : 0, options.standalone ? 1 : 0, pointer, title.length, every),
      );
      check();
      result.fault = faultOf(core, 'document');
      if (result.fault) return result;
      const report = {
        lines: core._vantrel_result(FIELD.lines),
        rowGroups: core._vantrel_result(FIELD.rowGroups),
        firstLoneLfLine: core._vantrel_result(FIELD.firstLoneLfLine),
        passedOverLines: core._vantrel_result(FIELD.passedOverLines),
        firstPassedOverLine: core._vantrel_result(FIELD.firstPassedOverLine),
        controlCodes: core._vantrel_result(FIELD.controlCodes),
      };
      result.report = report;

      // Raw mark-up matters only where it is passed through.
      let markup = null;
      if (!options.escape && options.markupScan !== false) {
        if (options.onScan) options.onScan(report);
        core.vantrelRead = readerHook(core, openReader(), guard);
        core._vantrel_raw_markup();
        check();
        result.fault = faultOf(core, 'document');
        if (result.fault) return result;
        markup = {
          rows: core._vantrel_result(FIELD.rawMarkupRows),
          firstLine: core._vantrel_result(FIELD.firstRawMarkupLine),
        };
        report.rawMarkupRows = markup.rows;
        report.firstRawMarkupLine = markup.firstLine;
      }
      warnings.push(...documentWarnings(name, report, markup));
      return result;
    }
  }

  // The module's read hook over a reader: the reader fills the module's
  // memory in place.
  function readerHook(core, read, guard) {
    return (pointer, size) =>
      guard(() => {
        const count = read(core.HEAPU8.subarray(pointer, pointer + size));
        if (typeof count !== 'number' || count > size || count !== Math.floor(count)) {
          throw new TypeError('a reader must return a whole number of bytes, at most as many as asked for');
        }
        return count;
      });
  }

  // Calls body(pointer) with `bytes` copied into the module's memory.
  function withBytes(core, bytes, body) {
    const pointer = core._malloc(Math.max(bytes.length, 1));
    if (pointer === 0) throw new RangeError('out of memory');
    try {
      core.HEAPU8.set(bytes, pointer);
      return body(pointer);
    } finally {
      core._free(pointer);
    }
  }

  let loading = null;

  // The converter, once the module has been compiled (once per program).
  function load() {
    if (!loading) loading = VantrelCore().then((core) => new Converter(core));
    return loading;
  }

  // Converts `document` (bytes) and resolves to { html, warnings, fault, report }.
  function convert(document, options) {
    return load().then((converter) => converter.convert(document, options));
  }

  return { convert: convert, load: load, IO_CODE: IO_CODE };
});
