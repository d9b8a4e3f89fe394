// The page: documents and a map file in, one worker converting them in turn,
// the pages out (preview, source, download). worker-code.js defines
// VANTREL_WORKER_SOURCE, the worker's whole text, so that the worker is made
// from a blob and the page works from a file:// address too.
'use strict';

(function () {
  // The preview shows at most this much of a page, the source view less.
  const PREVIEW_LIMIT = 1 << 20;
  const SOURCE_LIMIT = 256 << 10;
  const MAP_KEY = 'vantrel.map';
  const MAP_NAME_KEY = 'vantrel.mapName';

  const $ = (id) => document.getElementById(id);
  const ui = {
    drop: $('drop'),
    pickDocuments: $('pick-documents'),
    pickMap: $('pick-map'),
    mapStatus: $('map-status'),
    forgetMap: $('forget-map'),
    escape: $('escape'),
    standalone: $('standalone'),
    progressBox: $('progress-box'),
    progressLabel: $('progress-label'),
    progress: $('progress'),
    stop: $('stop'),
    documents: $('documents'),
    view: $('view'),
    viewTitle: $('view-title'),
    viewNote: $('view-note'),
    tabPreview: $('tab-preview'),
    tabSource: $('tab-source'),
    preview: $('preview'),
    source: $('source'),
  };

  // The documents in the order given: { id, file, state, result, url, item }.
  const documents = [];
  let nextId = 1;
  let selected = null;
  let map = null; // { name, bytes }
  let mapKept = false;
  let worker = null;
  let running = null; // the document being converted
  let previewUrl = null;
  let showing = 'preview';

  // --- the map file, kept in the browser's storage --------------------------

  function bytesToBinary(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return text;
  }

  function binaryToBytes(text) {
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 0xff;
    return bytes;
  }

  function loadKeptMap() {
    try {
      const text = localStorage.getItem(MAP_KEY);
      if (text !== null) {
        map = { name: localStorage.getItem(MAP_NAME_KEY) || 'Runemap.txt', bytes: binaryToBytes(text) };
        mapKept = true;
      }
    } catch (error) {
      // Storage switched off: the map lasts for this visit only.
    }
  }

  function keepMap() {
    mapKept = false;
    try {
      localStorage.setItem(MAP_KEY, bytesToBinary(map.bytes));
      localStorage.setItem(MAP_NAME_KEY, map.name);
      mapKept = true;
    } catch (error) {
      try {
        localStorage.removeItem(MAP_KEY);
        localStorage.removeItem(MAP_NAME_KEY);
      } catch (ignored) {
        // nothing kept either way
      }
    }
  }

  function forgetMap() {
    map = null;
    mapKept = false;
    try {
      localStorage.removeItem(MAP_KEY);
      localStorage.removeItem(MAP_NAME_KEY);
    } catch (error) {
      // nothing was kept
    }
    showMap();
    convertAll();
  }

  function showMap() {
    if (map) {
      ui.mapStatus.textContent =
        'Map file: ' +
        map.name +
        ' (' +
        sizeText(map.bytes.length) +
        ')' +
        (mapKept ? ', kept in this browser for your next visit.' : ', for this visit only (the browser keeps nothing).');
    } else {
      ui.mapStatus.textContent =
        'No map file: every code stands for the Latin-1 character of the same number, and the fonts have no style.';
    }
    ui.forgetMap.hidden = !map;
  }

  async function takeMap(file) {
    map = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
    keepMap();
    showMap();
    convertAll();
  }

  // --- documents in, conversions in turn ------------------------------------

  function isMapFile(file) {
    return file.name.toLowerCase() === 'runemap.txt';
  }

  async function takeFiles(files) {
    const list = Array.from(files);
    const mapFile = list.find(isMapFile);
    if (mapFile) await takeMap(mapFile);
    for (const file of list) {
      if (file === mapFile) continue;
      const entry = { id: nextId++, file: file, state: 'waiting', result: null, url: null, item: null };
      documents.push(entry);
      renderDocument(entry);
      if (selected === null) select(entry);
    }
    startNext();
  }

  // The name of a document's page: its name with the last extension
  // replaced by .htm, as the program names it.
  function pageName(name) {
    const dot = name.lastIndexOf('.');
    return (dot >= 0 ? name.slice(0, dot) : name) + '.htm';
  }

  function optionsNow() {
    return { escape: ui.escape.checked, standalone: ui.standalone.checked };
  }

  function makeWorker() {
    const source = new Blob([self.VANTREL_WORKER_SOURCE], { type: 'text/javascript' });
    const url = URL.createObjectURL(source);
    const made = new Worker(url);
    URL.revokeObjectURL(url);
    made.onmessage = (event) => heard(event.data);
    made.onerror = (event) => {
      event.preventDefault();
      failRunning('The converter could not start: ' + (event.message || 'the browser gave no reason') + '.');
    };
    return made;
  }

  function startNext() {
    if (running) return;
    const entry = documents.find((d) => d.state === 'waiting');
    if (!entry) {
      ui.progressBox.hidden = true;
      return;
    }
    if (!worker) worker = makeWorker();
    running = entry;
    entry.state = 'converting';
    entry.options = optionsNow();
    renderDocument(entry);
    showProgress(entry, { phase: 'convert', bytes: 0, size: entry.file.size, rowGroups: 0 });
    worker.postMessage({
      id: entry.id,
      file: entry.file,
      map: map ? map.bytes : null,
      mapName: map ? map.name : undefined,
      escape: entry.options.escape,
      standalone: entry.options.standalone,
    });
  }

  function heard(message) {
    const entry = running;
    if (!entry || message.id !== entry.id) return;
    if (message.type === 'progress') {
      showProgress(entry, message);
      return;
    }
    running = null;
    if (message.type === 'done') {
      entry.state = message.fault ? 'fault' : 'done';
      entry.result = message;
      if (!map && !message.fault) {
        message.warnings.push({
          file: 'Runemap.txt',
          line: 0,
          message:
            'no map file: every code stands for the Latin-1 character of the same number, and the fonts have ' +
            'no style (give the map file with the document)',
        });
      }
      if (message.html) entry.url = URL.createObjectURL(message.html);
    } else {
      entry.state = 'fault';
      entry.result = { warnings: [], fault: { text: 'The converter failed: ' + message.message } };
    }
    renderDocument(entry);
    if (selected === entry) showSelected();
    startNext();
  }

  // Ends the run: the running document takes `state` (with `result`, if
  // any), the waiting ones are stopped.
  function endRun(state, result) {
    if (worker) worker.terminate();
    worker = null;
    if (running) {
      running.state = state;
      if (result) running.result = result;
      renderDocument(running);
      running = null;
    }
    for (const entry of documents) {
      if (entry.state === 'waiting') {
        entry.state = 'stopped';
        renderDocument(entry);
      }
    }
    ui.progressBox.hidden = true;
    if (selected) showSelected();
  }

  function failRunning(text) {
    endRun('fault', { warnings: [], fault: { text: text } });
  }

  function stop() {
    endRun('stopped', null);
  }

  // Every document again, as the options or the map changed.
  function convertAll() {
    if (documents.length === 0) return;
    if (worker) worker.terminate();
    worker = null;
    running = null;
    for (const entry of documents) {
      dropResult(entry);
      entry.state = 'waiting';
      renderDocument(entry);
    }
    if (selected) showSelected();
    startNext();
  }

  function dropResult(entry) {
    if (entry.url) URL.revokeObjectURL(entry.url);
    entry.url = null;
    entry.result = null;
  }

  function showProgress(entry, p) {
    ui.progressBox.hidden = false;
    const share = p.size > 0 ? p.bytes / p.size : 1;
    ui.progress.value = Math.min(1, share);
    const groups = p.rowGroups.toLocaleString('en') + (p.rowGroups === 1 ? ' row group' : ' row groups');
    ui.progressLabel.textContent =
      p.phase === 'scan'
        ? entry.file.name + ': ' + groups + ' converted; looking for raw mark-up, ' + Math.floor(share * 100) + ' %'
        : entry.file.name + ': ' + groups + ', ' + sizeText(p.bytes) + ' of ' + sizeText(p.size) + ' read';
  }

  // --- what the page shows --------------------------------------------------

  function sizeText(bytes) {
    if (bytes < 1024) return bytes + (bytes === 1 ? ' byte' : ' bytes');
    if (bytes < 1 << 20) return (bytes / 1024).toFixed(1) + ' KiB';
    return (bytes / (1 << 20)).toFixed(1) + ' MiB';
  }

  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  function warningText(w) {
    return w.file + (w.line > 0 ? ', line ' + w.line : '') + ': ' + w.message;
  }

  function stateText(entry) {
    switch (entry.state) {
      case 'waiting':
        return 'waiting';
      case 'converting':
        return 'converting…';
      case 'stopped':
        return 'stopped';
      case 'fault':
        return 'not converted';
      default: {
        const r = entry.result;
        const groups = r.report.rowGroups;
        return (
          groups.toLocaleString('en') +
          (groups === 1 ? ' row group, ' : ' row groups, ') +
          sizeText(r.html.size) +
          ' of HTML in ' +
          r.seconds.toFixed(r.seconds < 10 ? 2 : 1) +
          ' s' +
          (entry.options.escape ? ', mark-up escaped' : '') +
          (entry.options.standalone ? ', standalone' : '')
        );
      }
    }
  }

  function renderDocument(entry) {
    const item = element('li');
    item.dataset.id = String(entry.id);
    item.dataset.state = entry.state;
    if (entry === selected) item.classList.add('selected');
    const name = element('button', 'name', entry.file.name);
    name.type = 'button';
    name.title = 'Show this page';
    name.addEventListener('click', () => select(entry));
    item.append(name, ' ', element('span', 'state', stateText(entry)));
    if (entry.url) {
      const link = element('a', 'download', 'Download ' + pageName(entry.file.name));
      link.href = entry.url;
      link.download = pageName(entry.file.name);
      item.append(' ', link);
    }
    const r = entry.result;
    if (r && (r.fault || r.warnings.length > 0)) {
      const list = element('ul');
      if (r.fault) {
        list.append(
          element('li', 'fault', r.fault.text + (r.fault.name ? ' (' + r.fault.name + ': ' + r.fault.message + ')' : '')),
        );
      }
      for (const w of r.warnings) list.append(element('li', 'warning', 'Warning: ' + warningText(w)));
      item.append(list);
    }
    if (entry.item) entry.item.replaceWith(item);
    else ui.documents.append(item);
    entry.item = item;
  }

  function select(entry) {
    const before = selected;
    selected = entry;
    if (before) renderDocument(before);
    renderDocument(entry);
    showSelected();
  }

  function showSelected() {
    const entry = selected;
    ui.view.hidden = false;
    ui.viewTitle.textContent = pageName(entry.file.name);
    if (previewUrl) URL.revokeObjectURL(previewUrl);
    previewUrl = null;
    const html = entry.state === 'done' ? entry.result.html : null;
    if (!html) {
      ui.preview.removeAttribute('src');
      ui.source.textContent = '';
      ui.viewNote.hidden = false;
      ui.viewNote.textContent =
        entry.state === 'fault'
          ? 'Nothing to show: the document was not converted.'
          : entry.state === 'stopped'
            ? 'Nothing to show: the conversion was stopped.'
            : 'The page shows here once the document is converted.';
      return;
    }
    const notes = [];
    if (html.size > PREVIEW_LIMIT) {
      previewUrl = URL.createObjectURL(html.slice(0, PREVIEW_LIMIT, html.type));
      notes.push('The preview shows the first ' + sizeText(PREVIEW_LIMIT) + ' of ' + sizeText(html.size) + '.');
    }
    ui.preview.src = previewUrl || entry.url;
    if (html.size > SOURCE_LIMIT) {
      notes.push('The source shows the first ' + sizeText(SOURCE_LIMIT) + '.');
    }
    if (notes.length > 0) notes.push('Download the page for all of it.');
    ui.viewNote.hidden = notes.length === 0;
    ui.viewNote.textContent = notes.join(' ');
    ui.source.textContent = '';
    html
      .slice(0, SOURCE_LIMIT)
      .text()
      .then((text) => {
        if (selected === entry && entry.result && entry.result.html === html) ui.source.textContent = text;
      });
  }

  function showTab(which) {
    showing = which;
    ui.tabPreview.setAttribute('aria-selected', String(which === 'preview'));
    ui.tabSource.setAttribute('aria-selected', String(which === 'source'));
    ui.preview.hidden = which !== 'preview';
    ui.source.hidden = which !== 'source';
  }

  // --- wiring ------------------------------------------------------------------

  ui.pickDocuments.addEventListener('change', () => {
    takeFiles(ui.pickDocuments.files);
    ui.pickDocuments.value = '';
  });
  ui.pickMap.addEventListener('change', () => {
    if (ui.pickMap.files.length > 0) takeMap(ui.pickMap.files[0]);
    ui.pickMap.value = '';
  });
  ui.forgetMap.addEventListener('click', forgetMap);
  ui.escape.addEventListener('change', convertAll);
  ui.standalone.addEventListener('change', convertAll);
  ui.stop.addEventListener('click', stop);
  ui.tabPreview.addEventListener('click', () => showTab('preview'));
  ui.tabSource.addEventListener('click', () => showTab('source'));

  // A file dropped anywhere is taken, never opened by the browser.
  window.addEventListener('dragover', (event) => {
    event.preventDefault();
    ui.drop.classList.add('over');
  });
  window.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) ui.drop.classList.remove('over');
  });
  window.addEventListener('drop', (event) => {
    event.preventDefault();
    ui.drop.classList.remove('over');
    if (event.dataTransfer && event.dataTransfer.files.length > 0) takeFiles(event.dataTransfer.files);
  });

  loadKeptMap();
  showMap();
  showTab(showing);
})();
