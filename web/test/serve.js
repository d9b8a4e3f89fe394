// A static server for the built page on the loopback address only, which
// notes every request it gets (the browser test checks that none comes
// after the page has loaded).
//
//   node web/test/serve.js [FOLDER] [PORT]      (build-web/site, any port)
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.png': 'image/png',
};

// Resolves to { server, url, requests }: requests lists the paths asked for.
function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const requests = [];
  const server = http.createServer((request, response) => {
    const wanted = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    requests.push(wanted);
    const file = path.join(root, wanted === '/' ? 'index.html' : wanted);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404, { 'content-type': 'text/plain' });
      response.end('not found\n');
      return;
    }
    response.writeHead(200, {
      'content-type': TYPES[path.extname(file)] || 'application/octet-stream',
      'cache-control': 'no-store',
    });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(port, '127.0.0.1', () => {
      resolve({ server, url: 'http://127.0.0.1:' + server.address().port + '/', requests });
    });
  });
}

module.exports = { serve };

if (require.main === module) {
  const folder = process.argv[2] || path.join(__dirname, '..', '..', 'build-web', 'site');
  serve(folder, Number(process.argv[3] || 0)).then(({ url }) => console.log('serving ' + folder + ' at ' + url));
}
