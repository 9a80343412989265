// A small static file server for built web folders, on 127.0.0.1 only.
//   library:      const {url, close} = await startServer(dir, port = 0)
//   command line: node tools/web/serve.mjs DIR [PORT]
import http from 'node:http';
import fs from 'node:fs/promises';
import path from 'node:path';
import process from 'node:process';
import { fileURLToPath } from 'node:url';

export const MIME_TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.css': 'text/css; charset=utf-8',
  '.png': 'image/png',
  '.json': 'application/json; charset=utf-8',
  '.txt': 'text/plain; charset=utf-8',
  '.svg': 'image/svg+xml',
  '.ico': 'image/x-icon',
};

function reply(res, status, text, headers = {}) {
  res.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8', ...headers });
  res.end(`${status} ${text}\n`);
}

// Maps a request path to a file below root, or returns an HTTP status.
async function locate(root, rawUrl) {
  // Refuse any '..' rather than folding it away: a request that tries is a
  // bug. Checked on the raw path, since URL parsing would fold it silently.
  let rel;
  try {
    rel = decodeURIComponent(rawUrl.split(/[?#]/)[0]);
  } catch {
    return 400;
  }
  if (rel.includes('\0') || rel.split(/[/\\]/).includes('..')) return 403;
  const file = path.join(root, path.posix.normalize('/' + rel));
  // A folder is served by its index.html.
  for (const candidate of [file, path.join(file, 'index.html')]) {
    let real;
    try {
      real = await fs.realpath(candidate);
    } catch {
      continue;
    }
    // A symbolic link may still point out of the folder.
    if (real !== root && !real.startsWith(root + path.sep)) return 403;
    if ((await fs.stat(real)).isFile()) return real;
  }
  return 404;
}

export async function startServer(dir, port = 0) {
  const root = await fs.realpath(dir);
  const server = http.createServer(async (req, res) => {
    if (req.method !== 'GET' && req.method !== 'HEAD') return reply(res, 405, 'Method Not Allowed', { Allow: 'GET, HEAD' });
    const found = await locate(root, req.url);
    // Browsers ask for this on their own; a missing one is no fault of the page.
    if (found === 404 && req.url === '/favicon.ico') return res.writeHead(204).end();
    if (typeof found === 'number') return reply(res, found, http.STATUS_CODES[found]);
    let body;
    try {
      body = await fs.readFile(found);
    } catch {
      return reply(res, 404, 'Not Found');
    }
    // No caching headers (no ETag, Last-Modified or max-age): a rebuilt folder
    // is always what the next load sees. No cross-origin isolation headers:
    // the pages must work from any plain static server.
    res.writeHead(200, {
      'Content-Type': MIME_TYPES[path.extname(found).toLowerCase()] ?? 'application/octet-stream',
      'Content-Length': body.length,
    });
    res.end(req.method === 'HEAD' ? undefined : body);
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', resolve);
  });
  const url = `http://127.0.0.1:${server.address().port}`;
  const close = () =>
    new Promise((resolve) => {
      server.close(() => resolve());
      server.closeAllConnections();
    });
  return { url, port: server.address().port, close };
}

const invokedDirectly = process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url);
if (invokedDirectly) {
  const [dir, port] = process.argv.slice(2);
  if (!dir) {
    console.error('usage: node tools/web/serve.mjs DIR [PORT]');
    process.exit(2);
  }
  try {
    const { url } = await startServer(dir, port ? Number(port) : 0);
    console.log(url + '/');
  } catch (e) {
    console.error(`serve: ${e.message}`);
    process.exit(1);
  }
}
